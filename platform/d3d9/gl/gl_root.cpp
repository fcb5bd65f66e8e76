// The root object of the OpenGL backend: the desktop mode, and devices made
// as OpenGL 3.3 core contexts on the SDL window behind the device window.
#include "platform/d3d9/gl/gl_device.h"
#include "platform/d3d9/gl_device.h"
#include "platform/win32/sdl_win32.h"

#include <SDL.h>

#include <cstdio>

namespace {

bool VideoReady() {
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

class GlDirect3D9 final : public RefCounted<IDirect3D9> {
public:
    UINT GetAdapterCount() override { return 1; }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
        if (HRESULT refused = CheckAdapter(refusal, "GetAdapterDisplayMode", adapter);
            FAILED(refused))
            return refused;
        if (!mode)
            return refusal.Refuse("GetAdapterDisplayMode", "null mode");
        SDL_DisplayMode desktop{};
        if (!VideoReady() || SDL_GetDesktopDisplayMode(0, &desktop) != 0)
            return D3DERR_NOTAVAILABLE;
        // Every OpenGL visual here is 8 bits a channel: the desktop format.
        *mode = D3DDISPLAYMODE{UINT(desktop.w), UINT(desktop.h), UINT(desktop.refresh_rate),
                               D3DFMT_X8R8G8B8};
        return D3D_OK;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE, D3DCAPS9* caps) override {
        if (HRESULT refused = CheckAdapter(refusal, "GetDeviceCaps", adapter); FAILED(refused))
            return refused;
        if (!caps)
            return refusal.Refuse("GetDeviceCaps", "null caps");
        return D3DERR_NOTAVAILABLE; // known once a device exists
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behavior,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** out) override {
        if (!out)
            return refusal.Refuse("CreateDevice", "null device");
        *out = nullptr;
        if (HRESULT refused = CheckAdapter(refusal, "CreateDevice", adapter); FAILED(refused))
            return refused;
        if (!params)
            return refusal.Refuse("CreateDevice", "null present parameters");
        if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF)
            return refusal.Refuse("CreateDevice", "device type %u is neither HAL nor REF",
                                  UINT(type));
        HWND target = params->hDeviceWindow ? params->hDeviceWindow : focusWindow;
        SDL_Window* window = SdlWindowOf(target);
        if (!window)
            return refusal.Refuse("CreateDevice", "the device window is no SDL window");
        bool robust = false;
        SDL_GLContext context = CreateGlContext(window, type == D3DDEVTYPE_REF, &robust);
        if (!context) {
            std::fprintf(stderr, "OpenGL 3.3 core context: %s\n", SDL_GetError());
            return D3DERR_NOTAVAILABLE;
        }
        D3DPRESENT_PARAMETERS used = *params;
        used.hDeviceWindow = target;
        auto* device = new GlDevice(this, type, behavior, used, window, context, robust);
        if (!device->Ready() || !device->Initialize() || !device->TargetsComplete()) {
            device->Release();
            return D3DERR_NOTAVAILABLE;
        }
        SDL_GL_SetSwapInterval(used.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
        *params = device->PresentParameters();
        *out = device;
        return D3D_OK;
    }

    const char* GetRefusalText() override { return refusal.Get(); }

private:
    RefusalText refusal;
};

} // namespace

// Asks SDL for a core 3.3 context; a robust one with loss reports first.
SDL_GLContext CreateGlContext(SDL_Window* window, bool reference, bool* robust) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    // The reference device is the software path.
    if (reference)
        SDL_GL_SetAttribute(SDL_GL_ACCELERATED_VISUAL, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_ROBUST_ACCESS_FLAG);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_LOSE_CONTEXT);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    *robust = context != nullptr;
    if (!context) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION,
                            SDL_GL_CONTEXT_RESET_NO_NOTIFICATION);
        context = SDL_GL_CreateContext(window);
    }
    if (context && epoxy_gl_version() < 33) {
        SDL_GL_DeleteContext(context);
        context = nullptr;
    }
    *robust = *robust && context &&
              (epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_KHR_robustness") ||
               epoxy_has_gl_extension("GL_ARB_robustness"));
    // SDL picks a window's pixel format from these attributes when it makes
    // the window, and keeps the last one for the contexts it makes after:
    // back to its defaults, every window gets the format of the first, and
    // a context made anew for one window still matches it.
    SDL_GL_ResetAttributes();
    return context;
}

IDirect3D9* CreateGlDirect3D9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION)
        return nullptr;
    return new GlDirect3D9;
}

bool GetGlFrameWork(IDirect3DDevice9* device, GlFrameWork* work) {
    auto* gl = dynamic_cast<GlDevice*>(device);
    if (!gl || !work)
        return false;
    const GlDevice::Counters& c = gl->LastFrameCounters();
    *work = GlFrameWork{c.glCalls, c.drawCalls, c.stateChanges, c.uploads};
    return true;
}

void FinishGlWork(IDirect3DDevice9* device) {
    if (auto* gl = dynamic_cast<GlDevice*>(device))
        gl->Finish();
}
