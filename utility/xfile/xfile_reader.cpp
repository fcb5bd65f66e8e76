#include "utility/xfile/xfile_reader.h"

#include "utility/d3dx9mesh.h"
#include "utility/xfile/merge.h"
#include "utility/xfile/mszip.h"
#include "utility/xfile/scene.h"

#include <new>

namespace {

// Deflate cannot shrink data by more than this factor; a declared size
// beyond it is a lie that must not reserve memory.
constexpr size_t MaxInflateRatio = 1032;

std::uint32_t LoadDword(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// The body of a compressed file: its declared size counts the 16-byte
// header, which is not part of the compressed data.
bool Inflate(const std::uint8_t* body, size_t size, std::vector<std::uint8_t>& out) {
    if (size < XFileCompressedSizeField)
        return false;
    size_t declared = LoadDword(body);
    if (declared < XFileHeaderSize)
        return false;
    size_t expected = declared - XFileHeaderSize;
    const std::uint8_t* blocks = body + XFileCompressedSizeField;
    size_t blocksSize = size - XFileCompressedSizeField;
    if (expected / MaxInflateRatio > blocksSize)
        return false;
    out.reserve(expected);
    return InflateMszip(blocks, blocksSize, expected, out) && out.size() == expected;
}

bool Parse(const XFileHeader& header, const std::uint8_t* body, size_t size, XScene& scene) {
    if (IsText(header.encoding))
        return ParseXText(body, size, header.floatBytes, scene);
    return ParseXBinary(body, size, header.floatBytes, scene);
}

HRESULT Read(const std::uint8_t* bytes, size_t size, XFileHeader* headerOut, XMeshData& mesh) {
    XFileHeader header;
    if (!ParseXFileHeader(bytes, size, &header))
        return D3DXERR_INVALIDDATA;
    if (headerOut)
        *headerOut = header;

    const std::uint8_t* body = bytes + XFileHeaderSize;
    size_t bodySize = size - XFileHeaderSize;
    std::vector<std::uint8_t> inflated;
    if (IsCompressed(header.encoding)) {
        if (!Inflate(body, bodySize, inflated))
            return D3DXERR_INVALIDDATA;
        body = inflated.data();
        bodySize = inflated.size();
    }
    XScene scene;
    if (!Parse(header, body, bodySize, scene) || !MergeScene(scene, mesh))
        return D3DXERR_INVALIDDATA;
    return mesh.TriangleCount() ? D3D_OK : D3DXERR_INVALIDDATA;
}

} // namespace

HRESULT ReadXFile(const std::uint8_t* bytes, size_t size, XFileHeader* header, XMeshData& mesh) {
    if (!bytes && size)
        return D3DERR_INVALIDCALL;
    HRESULT result;
    try {
        result = Read(bytes, size, header, mesh);
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    }
    if (FAILED(result))
        mesh = XMeshData();
    return result;
}
