// Decoding the textures that a mesh's materials name, beside the mesh's
// preparation (they depend on nothing else), within the memory the load may
// take. Models name one texture file from many materials: each file is
// found, read and decoded once, and its materials share the image.
#pragma once

#include "mesh/MaterialMaps.h"
#include "utility/core/load_report.h"
#include "utility/image/texture_image.h"

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct MaterialTextures {
    // The files the materials name, each decoded once with its mip chain;
    // one that no material shows in the end is left without levels.
    std::vector<TextureImage> images;
    // One a material: the index of its texture in `images`, or kNoTexture.
    std::vector<std::size_t> imageOf;
    static constexpr std::size_t kNoTexture = std::size_t(-1);
};

// Starts on a thread of its own (on the caller's when none can be started);
// the load's cancellation and progress reach it. A material gets no texture
// when it names none, its file cannot be found or decoded (named once on
// stderr for all the materials that name it), or what it would add to the
// load passes `budget` bytes (TextureImageBytes of the image, and of each
// tinted copy the materials view makes, see MaterialMaps): its file is then
// named once on stderr, "over the memory budget of one load".
class MaterialTextureDecoding {
public:
    MaterialTextureDecoding(std::string directory, std::vector<std::string> names,
                            std::vector<D3DMATERIAL9> materials, UINT maxWidth, UINT maxHeight,
                            std::size_t budget);
    ~MaterialTextureDecoding();
    MaterialTextureDecoding(const MaterialTextureDecoding&) = delete;
    MaterialTextureDecoding& operator=(const MaterialTextureDecoding&) = delete;

    // Waits for the decoding and hands its result over. Throws
    // std::bad_alloc when memory ran out on its thread, as it would have
    // on the caller's.
    MaterialTextures Finish();

private:
    void Decode();
    void DecodeAll();
    // The index of the image of the file `name` means, decoding it on its
    // first use; kNoTexture when it cannot be had.
    std::size_t ImageNamed(const std::string& name);
    // Takes `bytes` from the budget; false, leaving it, when they are not
    // there.
    bool Take(std::size_t bytes);
    // Names the file of `image` on stderr, the first time it passes the
    // budget.
    void NoteOverBudget(std::size_t image);

    std::string directory;
    std::vector<std::string> names;
    std::vector<D3DMATERIAL9> materials;
    UINT maxWidth, maxHeight;
    std::size_t budgetLeft;
    LoadShare share;
    MaterialTextures result;
    // Each image's file, and whether its over-budget note was written.
    std::vector<std::string> files;
    std::vector<bool> noted;
    std::map<std::string, std::size_t> imageOfFile;
    // The names that could not be had, each reported once.
    std::set<std::string> failedNames;
    // The tinted copies the budget already holds.
    std::set<std::pair<std::size_t, Tint>> tints;
    bool outOfMemory = false;
    std::thread worker;
};
