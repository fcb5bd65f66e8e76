// xmesh-info [OPTION]... FILE...: loads each X
// file as the viewer does (through D3DXLoadMeshFromXA, on a device that draws
// nothing, so no GPU is needed) and prints one JSON line per file: its
// encoding, vertex, face and material counts, texture names, bounding box and
// animation sets, with --time the bounds of the mesh posed then in the set
// --animation names (default the first), or the error and its reason. The
// exit status is 1 when any file fails, 2 for a bad command line.
#include "tools/common/tool_device.h"
#include "tools/xmesh-info/animation_fields.h"
#include "tools/xmesh-info/json.h"
#include "utility/core/file_bytes.h"
#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/xfile/xfile_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

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

// Where the reason says the load failed, as numbers: the line of a text
// file, else the byte offset (in the inflated body of a compressed file).
std::string PositionFields(const LoadPosition& position) {
    if (!position.known)
        return "";
    if (position.line)
        return ",\"line\":" + std::to_string(position.line);
    return ",\"byte\":" + std::to_string(position.byte) +
           (position.inflated ? ",\"inflated\":true" : "");
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
    void* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data)))
        return "null";
    std::string bounds = JsonBounds(static_cast<const float*>(data), mesh->GetNumVertices(),
                                    mesh->GetNumBytesPerVertex());
    mesh->UnlockVertexBuffer();
    return bounds;
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
bool Describe(const char* path, IDirect3DDevice9* device, const PoseRequest& pose) {
    ClearLoadFailure();
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    HRESULT hr = D3DXLoadMeshFromXA(path, 0, device, nullptr, &materials, nullptr, &count, &mesh);
    std::string line = "{\"file\":" + JsonString(path);
    if (FAILED(hr)) {
        std::printf("%s,\"error\":%s,\"reason\":%s%s}\n", line.c_str(),
                    JsonString(ErrorText(hr)).c_str(), JsonString(LoadFailure()).c_str(),
                    PositionFields(LoadFailurePosition()).c_str());
        return false;
    }
    line += EncodingFields(path);
    line += ",\"vertices\":" + std::to_string(mesh->GetNumVertices());
    line += ",\"faces\":" + std::to_string(mesh->GetNumFaces());
    line += ",\"materials\":" + std::to_string(count);
    line += ",\"textures\":" + Textures(materials, count);
    line += ",\"bounds\":" + Bounds(mesh);
    line += AnimationFields(path, pose) + "}";
    std::printf("%s\n", line.c_str());
    materials->Release();
    mesh->Release();
    return true;
}

constexpr const char* kUsage = "Usage: xmesh-info [OPTION]... FILE...\n";

constexpr const char* kHelp =
    "Loads each X file as the viewer does and prints one JSON line per file: its\n"
    "encoding, version, float size, vertex, face and material counts, texture\n"
    "names, bounding box and animation sets, or the error and its reason.\n"
    "\n"
    "Options:\n"
    "  --time SECONDS    also the bounds of the mesh posed that far into a set\n"
    "  --animation N|NAME  with --time, the set by its number from 1 or its name\n"
    "                    (default the first)\n"
    "  --help            show this help and exit\n"
    "  --version         show the version and exit\n"
    "  --                end of options: every argument after it is a file\n"
    "\n"
    "Exit status: 0 when every file loaded, 1 when any did not, 2 for a bad\n"
    "command line.\n";

// What the options ask for before the files are read.
enum class Parsed { Files, Printed, Bad };

// Reads the options before the files; the reason on stderr when they are
// bad, the text on stdout for --help and --version.
Parsed ParseOptions(int argc, char** argv, int& first, PoseRequest& pose) {
    bool animationGiven = false;
    for (first = 1; first < argc && argv[first][0] == '-' && argv[first][1]; ++first) {
        std::string option = argv[first];
        if (option == "--") {
            ++first;
            break;
        }
        if (option == "--help" || option == "-h") {
            std::printf("%s%s", kUsage, kHelp);
            return Parsed::Printed;
        }
        if (option == "--version") {
            std::printf("xmesh-info %s\n", ZQ_VERSION);
            return Parsed::Printed;
        }
        if (first + 1 >= argc || (option != "--time" && option != "--animation")) {
            std::fprintf(stderr, "xmesh-info: unrecognised option or missing value '%s'\n%s",
                         option.c_str(), kUsage);
            return Parsed::Bad;
        }
        const char* value = argv[++first];
        if (option == "--animation") {
            pose.animation = value;
            animationGiven = true;
            continue;
        }
        char* end = nullptr;
        pose.seconds = std::strtod(value, &end);
        if (end == value || *end || !std::isfinite(pose.seconds)) {
            std::fprintf(stderr, "xmesh-info: --time wants seconds, not %s\n", value);
            return Parsed::Bad;
        }
        pose.wanted = true;
    }
    if (animationGiven && !pose.wanted) {
        std::fprintf(stderr, "xmesh-info: --animation needs --time\n");
        return Parsed::Bad;
    }
    return Parsed::Files;
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    PoseRequest pose;
    switch (ParseOptions(argc, argv, first, pose)) {
    case Parsed::Printed:
        return 0;
    case Parsed::Bad:
        return 2;
    case Parsed::Files:
        break;
    }
    if (first >= argc) {
        std::fprintf(stderr, "%sTry 'xmesh-info --help' for more.\n", kUsage);
        return 2;
    }
    ToolDevice tool;
    if (!tool.device) {
        std::fprintf(stderr, "xmesh-info: cannot create its device\n");
        return 2;
    }
    bool allLoaded = true;
    for (int i = first; i < argc; ++i)
        allLoaded = Describe(argv[i], tool.device, pose) && allLoaded;
    return allLoaded ? 0 : 1;
}
