#include "tools/datagen/default_data.h"

#include "tools/common/tool_device.h"
#include "tools/datagen/skin_model.h"
#include "tools/datagen/skin_textures.h"
#include "tools/datagen/solid_model.h"
#include "tools/datagen/solid_textures.h"
#include "tools/datagen/texture_files.h"
#include "tools/datagen/x_export.h"

#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int kDiffuseJpegQuality = 90;
constexpr UINT kFallbackSize = 8;

// Models are built on a device that draws nothing: D3DXSaveMeshToX only
// needs the mesh's buffers.
HRESULT WriteSolidModel(const char* path) {
    ToolDevice tool;
    if (!tool.device)
        return E_FAIL;
    return SaveModel(tool.device, path, BuildSolidModel(), SolidMaterials(), D3DXF_FILEFORMAT_TEXT);
}

HRESULT WriteSkinModel(const char* path) {
    ToolDevice tool;
    if (!tool.device)
        return E_FAIL;
    return SaveModel(tool.device, path, BuildSkinModel(), SkinMaterials(),
                     D3DXF_FILEFORMAT_BINARY | D3DXF_FILEFORMAT_COMPRESSED);
}

// One file of the folder: its name and how it is written to a path.
struct DataFile {
    const char* name;
    std::function<HRESULT(const char* path)> write;
};

// A set's four files: the diffuse map as JPEG (it has no alpha to keep),
// the rest as PNG, exact to the byte.
void AddTextureSet(std::vector<DataFile>& files, const char* names[4],
                   const std::function<TextureSetImages()>& paint) {
    // The set is painted once, by whichever of its files is written first.
    auto images = std::make_shared<TextureSetImages>();
    auto painted = [images, paint]() -> const TextureSetImages& {
        if (images->diffuse.bgra.empty())
            *images = paint();
        return *images;
    };
    files.push_back({names[0], [painted](const char* path) {
                         return WriteJpegFile(path, painted().diffuse, kDiffuseJpegQuality);
                     }});
    files.push_back(
        {names[1], [painted](const char* path) { return WritePngFile(path, painted().normal); }});
    files.push_back(
        {names[2], [painted](const char* path) { return WritePngFile(path, painted().specular); }});
    files.push_back({names[3], [painted](const char* path) {
                         return WriteOpaquePngFile(path, painted().emissive);
                     }});
}

// The fallbacks change nothing a texture set would: white diffuse, a flat
// normal at the surface's own height, a modest highlight (0.25 grey,
// exponent 32), and mid-grey emissive light.
void AddFallbacks(std::vector<DataFile>& files) {
    struct Fallback {
        const char* name;
        int red, green, blue, alpha;
    };
    static const Fallback fallbacks[] = {{"null.tex", 255, 255, 255, 255},
                                         {"null_np.tex", 128, 128, 255, 128},
                                         {"null_sa.tex", 64, 64, 64, 32},
                                         {"null_ea.tex", 128, 128, 128, 255}};
    for (const Fallback& f : fallbacks)
        files.push_back({f.name, [f](const char* path) {
                             return WritePngFile(
                                 path, SolidImage(kFallbackSize, f.red, f.green, f.blue, f.alpha));
                         }});
}

std::vector<DataFile> DataFiles() {
    std::vector<DataFile> files = {{"solid.x", WriteSolidModel}, {"skin.x", WriteSkinModel}};
    const char* solidSet[4] = {"tex.tex", "tex_np.tex", "tex_sa.tex", "tex_ea.tex"};
    AddTextureSet(files, solidSet, PaintSolidTextures);
    const char* skinSet[4] = {"stex.tex", "stex_np.tex", "stex_sa.tex", "stex_ea.tex"};
    AddTextureSet(files, skinSet, PaintSkinTextures);
    AddFallbacks(files);
    return files;
}

} // namespace

std::vector<std::string> DefaultDataFileNames() {
    std::vector<std::string> names;
    for (const DataFile& file : DataFiles())
        names.push_back(file.name);
    return names;
}

bool WriteDefaultData(const std::string& directory, std::string& error) {
    for (const DataFile& file : DataFiles()) {
        const std::string path = directory + "/" + file.name;
        HRESULT hr = file.write(path.c_str());
        if (FAILED(hr)) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08x", unsigned(hr));
            error = path + ": cannot be written (" + code + ")";
            return false;
        }
    }
    return true;
}
