// xmesh-info [OPTION]... FILE...: loads each X file as the viewer does (through
// D3DXLoadMeshFromXA, on a device that draws nothing, so no GPU is needed) and
// prints one JSON line per file: its encoding, vertex, face and material
// counts, texture names and bounding box, or the error and its reason. The
// exit status is 1 when any file fails.
#include "tools/common/tool_device.h"
#include "utility/core/file_bytes.h"
#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/xfile/xfile_format.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage = "Usage: xmesh-info [OPTION]... FILE...\n";

constexpr const char* kHelp =
    "Loads each X file as the viewer does and prints one JSON line per file: its\n"
    "encoding, version, float size, vertex, face and material counts, texture\n"
    "names and bounding box, or the error and its reason.\n"
    "\n"
    "Options:\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "  --         end of options: every argument after it is a file\n"
    "\n"
    "Exit status: 0 when every file loaded, 1 when any did not, 2 for a bad\n"
    "command line.\n";

// Valid UTF-8 passes through; any other byte above 0x7F is written as the
// code point of the same value, so that the line stays valid JSON.
bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80           ? 1
                        : (c >> 5) == 0x6  ? 2
                        : (c >> 4) == 0xE  ? 3
                        : (c >> 3) == 0x1E ? 4
                                           : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        i += length;
    }
    return true;
}

std::string JsonString(const std::string& text) {
    bool utf8 = IsUtf8(text);
    std::string out = "\"";
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || (c >= 0x80 && !utf8)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string JsonNumber(float value) {
    if (!std::isfinite(value))
        return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(value));
    return text;
}

std::string JsonVector(const float v[3]) {
    return "[" + JsonNumber(v[0]) + "," + JsonNumber(v[1]) + "," + JsonNumber(v[2]) + "]";
}

std::string ErrorText(HRESULT hr) {
    switch (hr) {
    case D3DXERR_INVALIDDATA:
        return "not a readable X file: broken or unsupported content";
    case E_OUTOFMEMORY:
        return "out of memory";
    case E_FAIL:
        return "cannot read the file";
    default:
        char text[48];
        std::snprintf(text, sizeof text, "failed with 0x%08x", unsigned(hr));
        return text;
    }
}

// "text 0303 32-bit" style facts from the header; empty when there is none.
std::string EncodingFields(const char* path) {
    FileReader file;
    std::uint8_t bytes[XFileHeaderSize];
    size_t read = 0;
    XFileHeader header;
    if (FAILED(file.Open(path)) || FAILED(file.Read(bytes, sizeof bytes, read)) ||
        !ParseXFileHeader(bytes, read, &header))
        return "";
    char text[96];
    std::snprintf(text, sizeof text,
                  ",\"encoding\":\"%s\",\"version\":\"03%02d\",\"float_bits\":%d",
                  XEncodingName(header.encoding), header.minorVersion, header.floatBytes * 8);
    return text;
}

std::string Bounds(ID3DXMesh* mesh) {
    float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    void* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data)))
        return "null";
    const DWORD stride = mesh->GetNumBytesPerVertex();
    for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
        const float* position =
            reinterpret_cast<const float*>(static_cast<const BYTE*>(data) + size_t(i) * stride);
        for (int k = 0; k < 3; ++k) {
            low[k] = std::fmin(low[k], position[k]);
            high[k] = std::fmax(high[k], position[k]);
        }
    }
    mesh->UnlockVertexBuffer();
    return "{\"min\":" + JsonVector(low) + ",\"max\":" + JsonVector(high) + "}";
}

std::string Textures(ID3DXBuffer* materials, DWORD count) {
    auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    std::string out = "[";
    for (DWORD i = 0; i < count; ++i) {
        if (i)
            out += ",";
        const char* name = records[i].pTextureFilename;
        out += name ? JsonString(name) : "null";
    }
    return out + "]";
}

// One JSON line; false when the file did not load.
bool Describe(const char* path, IDirect3DDevice9* device) {
    ClearLoadFailure();
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    HRESULT hr = D3DXLoadMeshFromXA(path, 0, device, nullptr, &materials, nullptr, &count, &mesh);
    std::string line = "{\"file\":" + JsonString(path);
    if (FAILED(hr)) {
        std::printf("%s,\"error\":%s,\"reason\":%s}\n", line.c_str(),
                    JsonString(ErrorText(hr)).c_str(), JsonString(LoadFailure()).c_str());
        return false;
    }
    line += EncodingFields(path);
    line += ",\"vertices\":" + std::to_string(mesh->GetNumVertices());
    line += ",\"faces\":" + std::to_string(mesh->GetNumFaces());
    line += ",\"materials\":" + std::to_string(count);
    line += ",\"textures\":" + Textures(materials, count);
    line += ",\"bounds\":" + Bounds(mesh) + "}";
    std::printf("%s\n", line.c_str());
    materials->Release();
    mesh->Release();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<const char*> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // "-" and anything not starting with '-' is a file, as after "--".
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(argv[i]);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("%s%s", kUsage, kHelp);
            return 0;
        } else if (arg == "--version") {
            std::printf("xmesh-info %s\n", ZQ_VERSION);
            return 0;
        } else {
            std::fprintf(stderr, "xmesh-info: unrecognised option '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "%sTry 'xmesh-info --help' for more.\n", kUsage);
        return 2;
    }
    ToolDevice tool;
    if (!tool.device) {
        std::fprintf(stderr, "xmesh-info: cannot create its device\n");
        return 2;
    }
    bool allLoaded = true;
    for (const char* file : files)
        allLoaded = Describe(file, tool.device) && allLoaded;
    return allLoaded ? 0 : 1;
}
