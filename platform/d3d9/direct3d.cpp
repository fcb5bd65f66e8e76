#include "platform/d3d9/com.h"
#include "platform/d3d9/gl_device.h"

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    Direct3DFactory factory = InstalledDirect3DFactory();
    return factory ? factory(sdkVersion) : CreateGlDirect3D9(sdkVersion);
}
