// LoadBench: the loading a user waits for, from file name to ready mesh, one
// operation a process so that its peak resident memory is its own.
//
//   LoadBench write DIR     writes the generated models: height fields of
//                           about 10 thousand, 100 thousand and 1 million
//                           triangles in the text, binary, tzip and bzip
//                           encodings (32-bit floats)
//   LoadBench write FILE SIDE ENCODING
//                           writes one height field of SIDE x SIDE vertices
//                           in one encoding (text, binary, tzip, bzip), for
//                           tests and soak runs that need a big model
//   LoadBench write-padded FILE MB PADDING
//                           writes the 10-thousand-triangle height field
//                           after MB megabytes (10^6) of padding: blanks or
//                           comments ("tzip") or separators ("bzip"), a
//                           decompression bomb that is valid throughout
//   LoadBench load FILE     D3DXLoadMeshFromXA alone
//   LoadBench slot FILE     the viewer's whole slot preparation (LoadMeshSlot:
//                           load, clone, adjacency, cleaning, tangents, repair)
//   LoadBench replace FILE N
//                           fills one slot from FILE N times over, then with
//                           nothing, as drops on the viewer would, printing
//                           the resident memory after each: whether memory
//                           goes back to the system once a big mesh goes
//   LoadBench inflate FILE  zlib's inflate of a compressed file's blocks alone,
//                           the floor for reading that file
//
// The operations print one line: seconds the operation took, peak resident
// memory of the process in KiB, and the mesh's triangles, vertices and bytes
// (vertex, index and attribute data). tools/bench/load-bench runs them all.
#include "framework/KvDX9.h"
#include "mesh/MeshSlot.h"
#include "platform/d3d9/com.h"
#include "platform/memory/large_allocator.h"
#include "tools/common/height_field.h"
#include "tools/common/padded_xfile.h"
#include "tools/common/tool_device.h"
#include "utility/core/file_bytes.h"
#include "utility/xfile/xfile_format.h"
#include "utility/xfile/xfile_writer.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

struct Model {
    const char* name;
    std::uint32_t side; // (side - 1)^2 * 2 triangles
};

constexpr Model kModels[] = {{"10k", 72}, {"100k", 225}, {"1m", 708}};
constexpr XEncoding kEncodings[] = {XEncoding::Text, XEncoding::Binary, XEncoding::TextCompressed,
                                    XEncoding::BinaryCompressed};

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool WriteModel(const XMeshData& mesh, XEncoding encoding, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (WriteXFile(mesh, encoding, 4, bytes) && SUCCEEDED(WriteFileBytes(path.c_str(), bytes)))
        return true;
    std::fprintf(stderr, "LoadBench: cannot write %s\n", path.c_str());
    return false;
}

int Write(const char* directory) {
    for (const Model& model : kModels) {
        XMeshData mesh = HeightField(model.side);
        for (XEncoding encoding : kEncodings) {
            std::string path = std::string(directory) + "/heightfield_" + model.name + "_" +
                               XEncodingName(encoding) + ".x";
            if (!WriteModel(mesh, encoding, path))
                return 1;
        }
    }
    return 0;
}

int WriteOne(const char* path, const char* side, const char* encodingName) {
    char* end = nullptr;
    unsigned long vertices = std::strtoul(side, &end, 10);
    if (*end || vertices < 2 || vertices > 4096) {
        std::fprintf(stderr, "LoadBench: the side is 2 to 4096 vertices, not %s\n", side);
        return 2;
    }
    for (XEncoding encoding : kEncodings)
        if (std::strcmp(XEncodingName(encoding), encodingName) == 0)
            return WriteModel(HeightField(std::uint32_t(vertices)), encoding, path) ? 0 : 1;
    std::fprintf(stderr, "LoadBench: no encoding %s\n", encodingName);
    return 2;
}

int WritePadded(const char* path, const char* megabytes, const char* paddingName) {
    char* end = nullptr;
    unsigned long long mb = std::strtoull(megabytes, &end, 10);
    if (*end || mb > 4000) {
        std::fprintf(stderr, "LoadBench: the padding is 0 to 4000 MB, not %s\n", megabytes);
        return 2;
    }
    struct Named {
        const char* name;
        XPadding padding;
        XEncoding encoding;
    };
    constexpr Named kPaddings[] = {
        {"blanks", XPadding::Blanks, XEncoding::TextCompressed},
        {"comments", XPadding::Comments, XEncoding::TextCompressed},
        {"separators", XPadding::Separators, XEncoding::BinaryCompressed}};
    for (const Named& named : kPaddings) {
        if (std::strcmp(named.name, paddingName) != 0)
            continue;
        std::vector<std::uint8_t> bytes;
        if (WritePaddedXFile(HeightField(kModels[0].side), named.encoding, named.padding,
                             mb * 1000000, bytes) &&
            SUCCEEDED(WriteFileBytes(path, bytes)))
            return 0;
        std::fprintf(stderr, "LoadBench: cannot write %s\n", path);
        return 1;
    }
    std::fprintf(stderr, "LoadBench: no padding %s\n", paddingName);
    return 2;
}

void Report(double seconds, ID3DXMesh* mesh) {
    std::size_t indexBytes = (mesh->GetOptions() & D3DXMESH_32BIT) ? 4 : 2;
    std::size_t bytes = std::size_t(mesh->GetNumVertices()) * mesh->GetNumBytesPerVertex() +
                        std::size_t(mesh->GetNumFaces()) * (3 * indexBytes + sizeof(DWORD));
    std::printf("%.6f %ld %lu %lu %zu\n", seconds, PeakKiB(), (unsigned long)mesh->GetNumFaces(),
                (unsigned long)mesh->GetNumVertices(), bytes);
}

int Load(const char* path, IDirect3DDevice9* device) {
    Clock::time_point start = Clock::now();
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    HRESULT hr = D3DXLoadMeshFromXA(path, 0, device, nullptr, &materials, nullptr, &count, &mesh);
    double seconds = Since(start);
    if (FAILED(hr)) {
        std::fprintf(stderr, "LoadBench: %s did not load\n", path);
        return 1;
    }
    Report(seconds, mesh);
    ReleaseRef(materials);
    ReleaseRef(mesh);
    return 0;
}

int Slot(const char* path, IDirect3DDevice9* device) {
    sharedDevice = device;
    MeshObj slot;
    Clock::time_point start = Clock::now();
    bool loaded = LoadMeshSlot(device, slot, path);
    double seconds = Since(start);
    if (!loaded) {
        std::fprintf(stderr, "LoadBench: %s did not fill the slot\n", path);
        return 1;
    }
    Report(seconds, slot.mesh);
    slot.Release();
    sharedDevice = nullptr;
    return 0;
}

// Resident memory in KiB once free heap pages are given back, as the
// viewer's status line counts it.
long ResidentKiB() {
    malloc_trim(0);
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm && std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    if (statm)
        std::fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int Replace(const char* path, int times, IDirect3DDevice9* device) {
    sharedDevice = device;
    MeshObj slot;
    std::printf("start %ld\n", ResidentKiB());
    for (int i = 1; i <= times; ++i) {
        if (!LoadMeshSlot(device, slot, path)) {
            std::fprintf(stderr, "LoadBench: %s did not fill the slot\n", path);
            return 1;
        }
        std::printf("load %d %ld\n", i, ResidentKiB());
    }
    slot.Release();
    std::printf("released %ld\n", ResidentKiB());
    sharedDevice = nullptr;
    return 0;
}

std::uint32_t Word(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

// The MSZIP blocks inflated by zlib into one buffer, each with the block
// before it as its dictionary; no checks beyond zlib's own.
int Inflate(const char* path) {
    Clock::time_point start = Clock::now();
    std::vector<std::uint8_t> bytes;
    XFileHeader header;
    if (FAILED(ReadFileBytes(path, bytes)) ||
        !ParseXFileHeader(bytes.data(), bytes.size(), &header) || !IsCompressed(header.encoding)) {
        std::fprintf(stderr, "LoadBench: %s is not a compressed X file\n", path);
        return 1;
    }
    const std::uint8_t* at = bytes.data() + XFileHeaderSize;
    const std::uint8_t* end = bytes.data() + bytes.size();
    std::size_t size = std::size_t(Word(at) | Word(at + 2) << 16) - XFileHeaderSize;
    at += XFileCompressedSizeField;
    // In huge pages, as the loader's own buffers, so that the time is
    // zlib's and not that of first touches of fresh memory.
    LargeVector<std::uint8_t> out(size);
    z_stream stream{};
    inflateInit2(&stream, -MAX_WBITS);
    std::size_t produced = 0;
    while (end - at >= 4) {
        std::size_t blockSize = Word(at), packedSize = Word(at + 2);
        at += 4;
        std::size_t window = produced < 32768 ? produced : 32768;
        inflateReset(&stream);
        if (window)
            inflateSetDictionary(&stream, out.data() + produced - window, uInt(window));
        stream.next_in = const_cast<Bytef*>(at + 2);
        stream.avail_in = uInt(packedSize - 2);
        stream.next_out = out.data() + produced;
        stream.avail_out = uInt(blockSize);
        inflate(&stream, Z_FINISH);
        produced += blockSize;
        at += packedSize;
    }
    inflateEnd(&stream);
    double seconds = Since(start);
    std::printf("%.6f %ld %zu\n", seconds, PeakKiB(), produced);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "write")
        return WriteOne(argv[2], argv[3], argv[4]);
    if (argc == 5 && std::string(argv[1]) == "write-padded")
        return WritePadded(argv[2], argv[3], argv[4]);
    if (argc == 4 && std::string(argv[1]) == "replace") {
        ToolDevice tool;
        return tool.device ? Replace(argv[2], std::atoi(argv[3]), tool.device) : 1;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: LoadBench write DIR | write FILE SIDE ENCODING | "
                             "write-padded FILE MB PADDING | load FILE | slot FILE | replace FILE "
                             "N | inflate FILE\n");
        return 2;
    }
    std::string mode = argv[1];
    if (mode == "write")
        return Write(argv[2]);
    if (mode == "inflate")
        return Inflate(argv[2]);
    ToolDevice tool;
    if (!tool.device)
        return 1;
    if (mode == "load")
        return Load(argv[2], tool.device);
    if (mode == "slot")
        return Slot(argv[2], tool.device);
    std::fprintf(stderr, "LoadBench: unknown mode %s\n", mode.c_str());
    return 2;
}
