// The Direct3D 9 device of the framework: creation with a fixed order of
// fallbacks, the one overlay font, and recovery from device loss around the
// registered lost-device callbacks.
#pragma once

#include "framework/KvBase.h"
#include "platform/d3d9/d3d9.h"
#include "utility/d3dx9font.h"

#include <cstdint>
#include <vector>

// The current device, for code that has no framework object at hand (mesh
// loading). Holds no reference; not cleared by ReleaseDevice.
extern IDirect3DDevice9* sharedDevice;

class KvDX9 : public KvBase {
public:
    // Implemented by owners of device resources that do not survive a reset.
    class D3dDeviceLostCallback {
    public:
        virtual void OnLost() = 0;
        virtual HRESULT OnReset() = 0;

    protected:
        ~D3dDeviceLostCallback() = default;
    };

    ~KvDX9() override = default;

    // False after a message has been shown; what was made stays for
    // ReleaseDevice.
    virtual bool CreateDevice(bool vsync, bool multisample, std::int32_t cellHeight);
    // Releases the font, the device and the root, whichever exist.
    virtual void ReleaseDevice();
    // Recovers a lost device while the window is in front; a reset that fails
    // twice ends the process.
    void ResetDevice();
    void AddLostCallback(D3dDeviceLostCallback* callback);

    // How the process ends after a failed reset: at once, with an abnormal
    // status, running nothing. Tests replace it.
    static void (*endProcess)(int status);

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS presentParams{};
    ID3DXFont* font = nullptr;
    std::int32_t fontHeight = 0;
    // A run that draws no text (a thumbnail) makes no font, and so needs no
    // font files and no font configuration.
    bool overlayFont = true;
    std::vector<D3dDeviceLostCallback*> lostCallbacks;

private:
    bool CreateFont();
};

// The name of a reset result for the failure message.
const char* ResetResultName(HRESULT result);
