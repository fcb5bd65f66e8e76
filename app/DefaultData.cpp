#include "app/DefaultData.h"

#include <system_error>

namespace {

constexpr const char* kTexturePaths[2] = {"./data/tex.tex", "./data/stex.tex"};
constexpr const char* kMeshPaths[2] = {".\\data\\solid.x", ".\\data\\skin.x"};

} // namespace

DefaultDataLoad::DefaultDataLoad(const bool (&sets)[2], const bool (&meshes)[2]) {
    for (int i = 0; i < 4; ++i) {
        const bool mesh = i >= 2;
        const int slot = i % 2;
        if (!(mesh ? meshes[slot] : sets[slot]))
            continue;
        LoadRequest& request = results[i].request;
        request.target = DropTarget{mesh ? DropContent::Mesh : DropContent::TextureSet, slot};
        request.path = mesh ? kMeshPaths[slot] : kTexturePaths[slot];
        // The default maps are far below any device's limit.
        request.maxTextureWidth = request.maxTextureHeight = kMaxImageSide;
        LoadResult* result = &results[i];
        try {
            work[i] = std::async(std::launch::async, [result] { PrepareContent(*result); });
        } catch (const std::system_error&) {
            // No thread to be had: prepared when it is asked for.
            work[i] = std::async(std::launch::deferred, [result] { PrepareContent(*result); });
        }
    }
}

DefaultDataLoad::~DefaultDataLoad() {
    for (std::future<void>& job : work)
        if (job.valid())
            job.wait();
}

LoadResult& DefaultDataLoad::Ready(int index) {
    if (work[index].valid())
        work[index].get();
    return results[index];
}

LoadResult& DefaultDataLoad::TextureSet(int set) {
    return Ready(set);
}

LoadResult& DefaultDataLoad::Mesh(int slot) {
    return Ready(2 + slot);
}
