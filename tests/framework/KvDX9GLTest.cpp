// The whole recovery path on the OpenGL device: a loss reported by Present,
// ResetDevice around the callbacks, a default-pool texture released and made
// again, and drawing that goes on afterwards.
#include "framework/KvDX9.h"
#include "platform/d3d9/gl_device.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class LossApp final : public KvDX9, public KvDX9::D3dDeviceLostCallback {
public:
    ~LossApp() override { CloseIfOpen(); }

    bool OnInit() override {
        AddLostCallback(this);
        return CreateDevice(false, false, 20) && MakeTarget();
    }
    void OnTerm() override {
        ReleaseTarget();
        ReleaseDevice();
    }
    void OnLost() override {
        ReleaseTarget();
        ++losses;
    }
    HRESULT OnReset() override {
        ++resets;
        return MakeTarget() ? D3D_OK : E_FAIL;
    }

    void OnFrame() override {
        ++frame;
        if (frame == 2)
            RequestGlDeviceLoss();
        device->Clear(0, nullptr, D3DCLEAR_TARGET, frame >= 3 ? 0xFF00FF00 : 0xFFFF0000, 1.0f, 0);
        HRESULT hr = device->Present(nullptr, nullptr, nullptr, nullptr);
        presents.push_back(hr);
        if (hr == D3DERR_DEVICELOST)
            ResetDevice();
        if (frame == 4) {
            afterReset = ReadCorner();
            fontAfterReset = font != nullptr;
            quit = true;
        }
    }

    int frame = 0, losses = 0, resets = 0;
    std::vector<HRESULT> presents;
    DWORD afterReset = 0;
    bool fontAfterReset = false;

private:
    bool MakeTarget() {
        return SUCCEEDED(device->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                               D3DPOOL_DEFAULT, &target, nullptr));
    }
    void ReleaseTarget() {
        if (target) {
            target->Release();
            target = nullptr;
        }
    }
    DWORD ReadCorner() {
        IDirect3DSurface9* back = nullptr;
        IDirect3DSurface9* copy = nullptr;
        DWORD pixel = 0;
        device->GetRenderTarget(0, &back);
        if (SUCCEEDED(device->CreateOffscreenPlainSurface(1024, 768, D3DFMT_X8R8G8B8,
                                                          D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
            SUCCEEDED(device->GetRenderTargetData(back, copy))) {
            D3DLOCKED_RECT locked;
            copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
            pixel = *static_cast<DWORD*>(locked.pBits);
            copy->UnlockRect();
        }
        if (copy)
            copy->Release();
        back->Release();
        return pixel;
    }

    IDirect3DTexture9* target = nullptr;
};

} // namespace

TEST(KvDX9GLTest, AnInjectedLossIsResetAroundTheCallbacksAndDrawingGoesOn) {
    long start = LiveDirect3DObjects();
    {
        LossApp app;
        ASSERT_TRUE(app.Run(nullptr, 60.0f));
        EXPECT_EQ(app.losses, 1);
        EXPECT_EQ(app.resets, 1);
        ASSERT_EQ(app.presents.size(), 4u);
        EXPECT_EQ(app.presents[0], D3D_OK);
        EXPECT_EQ(app.presents[1], D3DERR_DEVICELOST);
        EXPECT_EQ(app.presents[2], D3D_OK);
        EXPECT_EQ(app.afterReset & 0xFFFFFF, 0x00FF00u);
        EXPECT_TRUE(app.fontAfterReset);
    }
    EXPECT_EQ(LiveDirect3DObjects(), start);
}
