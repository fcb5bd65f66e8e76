// The X file reader with the header made here, so that the fuzzer spends its
// effort on the body. The first input byte picks the float size (bit 0) and,
// for targets built with more than one encoding, the encoding (the bits
// above); the rest is the body as it follows the header in a file.
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/xfile_checks.h"
#include "utility/xfile/xfile_reader.h"

#include <cstring>
#include <vector>

namespace {

// ZQ_FUZZ_XFILE_ENCODINGS is set by the build: the encodings of this target.
constexpr XEncoding encodings[] = {ZQ_FUZZ_XFILE_ENCODINGS};
constexpr std::size_t encodingCount = sizeof encodings / sizeof encodings[0];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    XFileHeader header;
    header.minorVersion = 3;
    header.floatBytes = data[0] & 1 ? 8 : 4;
    header.encoding = encodings[(data[0] >> 1) % encodingCount];

    std::vector<std::uint8_t> file(XFileHeaderSize + size - 1);
    FormatXFileHeader(header, reinterpret_cast<char*>(file.data()));
    std::memcpy(file.data() + XFileHeaderSize, data + 1, size - 1);

    LiveObjectGuard guard;
    XFileHeader read;
    XMeshData mesh;
    if (SUCCEEDED(ReadXFile(file.data(), file.size(), &read, mesh))) {
        FuzzCheck(read.encoding == header.encoding && read.floatBytes == header.floatBytes,
                  "the header read is the one written");
        CheckXMeshData(mesh);
    }
    return 0;
}
