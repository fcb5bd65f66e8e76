// make_seeds OUT_DIR FILE...: writes the X file seeds of the fuzz targets.
// Each file is loaded and saved again in every encoding and float size:
// whole files into OUT_DIR/xfile, and the bodies behind the selector byte of
// the encoding targets (bit 0: 64-bit floats; bit 1 in the compressed
// target: binary) into OUT_DIR/xfile_text, xfile_binary, xfile_compressed.
#include "platform/d3d9/com.h"
#include "tools/fuzz/fuzz_support.h"
#include "utility/core/file_bytes.h"
#include "utility/d3dx9mesh.h"
#include "utility/xfile/xfile_format.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct SeedFormat {
    DWORD format;
    const char* target; // the encoding target that takes the body
    std::uint8_t selector;
    const char* suffix;
};

constexpr SeedFormat seedFormats[] = {
    {D3DXF_FILEFORMAT_TEXT, "xfile_text", 0, "txt32"},
    {D3DXF_FILEFORMAT_TEXT | D3DXF_FILEFORMAT_FLOAT64, "xfile_text", 1, "txt64"},
    {D3DXF_FILEFORMAT_BINARY, "xfile_binary", 0, "bin32"},
    {D3DXF_FILEFORMAT_BINARY | D3DXF_FILEFORMAT_FLOAT64, "xfile_binary", 1, "bin64"},
    {D3DXF_FILEFORMAT_TEXT | D3DXF_FILEFORMAT_COMPRESSED, "xfile_compressed", 0, "tzip32"},
    {D3DXF_FILEFORMAT_BINARY | D3DXF_FILEFORMAT_COMPRESSED | D3DXF_FILEFORMAT_FLOAT64,
     "xfile_compressed", 3, "bzip64"},
};

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The saved file whole, and its body behind the selector byte.
bool WriteSeeds(const std::string& out, const std::string& name, const SeedFormat& format,
                ID3DXMesh* mesh, ID3DXBuffer* materials, DWORD materialCount) {
    std::string whole = out + "/xfile/" + name + "_" + format.suffix + ".x";
    if (FAILED(D3DXSaveMeshToX(whole.c_str(), mesh, nullptr,
                               static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()),
                               nullptr, materialCount, format.format)))
        return false;
    std::vector<std::uint8_t> bytes;
    if (FAILED(ReadFileBytes(whole.c_str(), bytes)) || bytes.size() < XFileHeaderSize)
        return false;
    std::vector<std::uint8_t> body(bytes.begin() + (XFileHeaderSize - 1), bytes.end());
    body[0] = format.selector;
    std::string bodyPath = out + "/" + format.target + "/" + name + "_" + format.suffix;
    return SUCCEEDED(WriteFileBytes(bodyPath.c_str(), body));
}

bool MakeSeeds(IDirect3DDevice9* device, const std::string& out, const char* path) {
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXLoadMeshFromXA(path, 0, device, nullptr, &materials, nullptr, &materialCount,
                                  &mesh)))
        return false;
    bool written = true;
    for (const SeedFormat& format : seedFormats)
        written =
            written && WriteSeeds(out, BaseName(path), format, mesh, materials, materialCount);
    ReleaseRef(materials);
    ReleaseRef(mesh);
    return written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_seeds OUT_DIR FILE...\n");
        return 2;
    }
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        if (!MakeSeeds(FuzzDevice(), argv[1], argv[i])) {
            std::fprintf(stderr, "make_seeds: %s failed\n", argv[i]);
            status = 1;
        }
    }
    return status;
}
