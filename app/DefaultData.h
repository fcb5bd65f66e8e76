// The default meshes and texture sets, read and prepared on threads of their
// own, so that decoding them overlaps making the device and the effects and
// uses every core. Nothing here touches a device: the start installs each
// result on the device's thread, in the order it always loaded them.
#pragma once

#include "app/ContentLoader.h"

#include <future>

class DefaultDataLoad {
public:
    // Starts preparing the texture sets and meshes whose entries are true,
    // from the default paths below the working directory.
    DefaultDataLoad(const bool (&sets)[2], const bool (&meshes)[2]);
    // Waits for what is still being prepared.
    ~DefaultDataLoad();
    DefaultDataLoad(const DefaultDataLoad&) = delete;
    DefaultDataLoad& operator=(const DefaultDataLoad&) = delete;

    // Waits for that one to be prepared; the result is the caller's to take
    // from.
    LoadResult& TextureSet(int set);
    LoadResult& Mesh(int slot);

private:
    LoadResult& Ready(int index);

    // Texture sets 0 and 1, then meshes 0 and 1.
    LoadResult results[4];
    std::future<void> work[4];
};
