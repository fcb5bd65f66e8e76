#include "platform/d3d9/com.h"

#include <atomic>

namespace {
// Objects are made and released on the device's thread and on the threads
// that prepare meshes off it, on devices of their own.
std::atomic<long> liveObjects{0};
Direct3DFactory installedFactory = nullptr;
} // namespace

void CountDirect3DObject(int delta) {
    liveObjects += delta;
}

long LiveDirect3DObjects() {
    return liveObjects;
}

void SetDirect3DFactory(Direct3DFactory factory) {
    installedFactory = factory;
}

Direct3DFactory InstalledDirect3DFactory() {
    return installedFactory;
}
