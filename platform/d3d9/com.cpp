#include "platform/d3d9/com.h"

namespace {
long liveObjects = 0;
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
