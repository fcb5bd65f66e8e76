// Process entry: one application on the stack, run at 60 frames a second.
// The status is 1 whatever the run returned.
#include "framework/InputState.h"
#include "framework/KvDX9Template.h"
#include "platform/d3d9/gl_device.h"

#include <csignal>

namespace {

// The reference scene under the mouse camera: axes, the ground grid and the
// frame rate, until the window is closed or Escape is pressed.
class SceneApp final : public KvDX9Template, public KvDX9::D3dDeviceLostCallback {
public:
    ~SceneApp() override { CloseIfOpen(); }

    bool OnInit() override {
        AddLostCallback(this);
        if (!CreateDevice(false, false, 20))
            return false;
        SetUpDevice();
        InitCamera(1.5707964f, 0.1f, 1000.0f);
        return true;
    }
    void OnTerm() override { ReleaseDevice(); }
    void OnLost() override {}
    HRESULT OnReset() override {
        SetUpDevice();
        ApplyProjection();
        return D3D_OK;
    }

    void OnFrame() override {
        if (inputState.IsKeyPressed(VK_ESCAPE))
            quit = true;
        UpdateCamera();
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0F1419, 1.0f, 0);
        device->SetFVF(kLineVertexFvf);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetTexture(0, nullptr);
        D3DXMATRIX world;
        device->SetTransform(D3DTS_WORLD, D3DXMatrixScaling(&world, 50, 50, 50));
        DrawAxes();
        device->SetTransform(D3DTS_WORLD, D3DXMatrixTranslation(&world, 0, -50, 0));
        const float axisA[3] = {0, 0, 1}, axisB[3] = {1, 0, 0}, centre[3] = {0, -20, 0};
        DrawGrid(axisA, axisB, centre, 1000, ColorFromFloats(0.5f, 0.5f, 0.5f, 64.0f));
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetFVF(kScreenVertexFvf);
        char text[256];
        FormatText(text, sizeof text, "FPS:%d (%.1fms->%.1ff/s)", fps, double(frameTime),
                   1000.0 / double(frameTime));
        RECT shadow{11, 11, width, height}, line{10, 10, width, height};
        font->DrawTextA(nullptr, text, -1, &shadow, DT_NOCLIP, 0xFF000000);
        font->DrawTextA(nullptr, text, -1, &line, DT_NOCLIP, 0xFFFFFFFF);
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->EndScene();
        if (device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST)
            ResetDevice();
    }

private:
    void SetUpDevice() {
        SetDefaultRenderStates();
        SetLinearFog(200, 950, 0xFF101010);
    }
};

void OnLossSignal(int) {
    RequestGlDeviceLoss();
}

} // namespace

int main() {
    // SIGUSR1 makes the device report itself lost, to try recovery by hand.
    std::signal(SIGUSR1, OnLossSignal);
    {
        SceneApp app;
        app.Run(GetModuleHandleA(nullptr), 60.0f);
    }
    return 1;
}
