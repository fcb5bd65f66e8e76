#include "mesh/MaterialTextureDecoding.h"

#include "mesh/TextureLookup.h"

#include <new>
#include <system_error>
#include <utility>

MaterialTextureDecoding::MaterialTextureDecoding(std::string directory,
                                                 std::vector<std::string> names,
                                                 std::vector<D3DMATERIAL9> materials, UINT maxWidth,
                                                 UINT maxHeight, std::size_t budget)
    : directory(std::move(directory)), names(std::move(names)), materials(std::move(materials)),
      maxWidth(maxWidth), maxHeight(maxHeight), budgetLeft(budget), share(CurrentLoadShare()) {
    result.imageOf.assign(this->names.size(), MaterialTextures::kNoTexture);
    bool any = false;
    for (const std::string& name : this->names)
        any = any || !name.empty();
    if (!any || !maxWidth || !maxHeight)
        return;
    try {
        worker = std::thread([this] { Decode(); });
    } catch (const std::system_error&) {
        Decode();
    }
}

MaterialTextureDecoding::~MaterialTextureDecoding() {
    if (worker.joinable())
        worker.join();
}

MaterialTextures MaterialTextureDecoding::Finish() {
    if (worker.joinable())
        worker.join();
    if (outOfMemory)
        throw std::bad_alloc();
    return std::move(result);
}

void MaterialTextureDecoding::Decode() {
    LoadProgressScope scope(share);
    try {
        DecodeAll();
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
    }
}

void MaterialTextureDecoding::DecodeAll() {
    for (std::size_t i = 0; i < names.size() && !LoadCancelled() && !outOfMemory; ++i) {
        if (names[i].empty())
            continue;
        const std::size_t image = ImageNamed(names[i]);
        if (image == MaterialTextures::kNoTexture || result.images[image].levels.empty())
            continue;
        // Drawn as it is, the material shares the image's own texture; a
        // tint makes a copy, which materials of the same tint share.
        const bool fits = DrawsTextureAsIs(materials[i]) ||
                          tints.count({image, TintOf(materials[i])}) ||
                          Take(TextureImageBytes(result.images[image]));
        if (!fits) {
            NoteOverBudget(image);
            continue;
        }
        if (!DrawsTextureAsIs(materials[i]))
            tints.insert({image, TintOf(materials[i])});
        result.imageOf[i] = image;
    }
    // An image whose every material went past the budget is not kept.
    std::vector<bool> shown(result.images.size());
    for (std::size_t image : result.imageOf)
        if (image != MaterialTextures::kNoTexture)
            shown[image] = true;
    for (std::size_t image = 0; image < result.images.size(); ++image)
        if (!shown[image])
            result.images[image] = TextureImage();
}

std::size_t MaterialTextureDecoding::ImageNamed(const std::string& name) {
    if (failedNames.count(name))
        return MaterialTextures::kNoTexture;
    const std::string written = directory + name;
    std::string file;
    if (!FindMaterialTexture(directory.c_str(), name.c_str(), file)) {
        failedNames.insert(name);
        ReportFileFailure(written.c_str(), "not found", "the material has no texture");
        return MaterialTextures::kNoTexture;
    }
    auto known = imageOfFile.find(file);
    if (known != imageOfFile.end())
        return known->second;
    ClearLoadFailure();
    TextureImage image;
    HRESULT hr = LoadTextureImageFromFile(file.c_str(), maxWidth, maxHeight, image);
    if (hr == E_OUTOFMEMORY) {
        outOfMemory = true;
        return MaterialTextures::kNoTexture;
    }
    if (FAILED(hr)) {
        failedNames.insert(name);
        imageOfFile.emplace(file, MaterialTextures::kNoTexture);
        if (!LoadCancelled())
            ReportLoadFailure(written.c_str(), "the material has no texture");
        return MaterialTextures::kNoTexture;
    }
    const std::size_t index = result.images.size();
    const bool kept = Take(TextureImageBytes(image));
    result.images.push_back(kept ? std::move(image) : TextureImage());
    files.push_back(file);
    noted.push_back(false);
    imageOfFile.emplace(file, index);
    if (!kept)
        NoteOverBudget(index);
    return index;
}

bool MaterialTextureDecoding::Take(std::size_t bytes) {
    if (bytes > budgetLeft)
        return false;
    budgetLeft -= bytes;
    return true;
}

void MaterialTextureDecoding::NoteOverBudget(std::size_t image) {
    if (noted[image])
        return;
    noted[image] = true;
    ReportFileFailure(files[image].c_str(), "over the memory budget of one load",
                      "materials past it show their colours");
}
