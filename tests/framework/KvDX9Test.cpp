#include "framework/KvDX9.h"
#include "tests/framework/ScriptedRecordingFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> events;
std::vector<int> endStatuses;

void RecordEnd(int status) {
    endStatuses.push_back(status);
}

class DeviceApp final : public KvDX9 {
public:
    ~DeviceApp() override { CloseIfOpen(); }
    bool OnInit() override { return onInit ? onInit() : CreateDevice(false, multisample, 20); }
    void OnTerm() override { ReleaseDevice(); }
    void OnFrame() override {
        if (onFrame)
            onFrame();
        quit = true;
    }
    std::function<bool()> onInit;
    std::function<void()> onFrame;
    bool multisample = false;
};

RecordingDirect3D9* recordingRoot = nullptr;

// Records its calls with the number of device resets made so far.
struct NamedCallback final : KvDX9::D3dDeviceLostCallback {
    explicit NamedCallback(std::string n) : name(std::move(n)) {}
    void OnLost() override { events.push_back(name + ".OnLost@" + Resets()); }
    HRESULT OnReset() override {
        events.push_back(name + ".OnReset@" + Resets());
        return D3D_OK;
    }
    static std::string Resets() {
        return std::to_string(recordingRoot->lastDevice->Calls("Reset").size());
    }
    std::string name;
};

// The overlay font: cell height 20, half as wide, normal weight, one level,
// upright, fixed pitch, in the character set and face given.
void ExpectOverlayFont(ID3DXFont* font, BYTE charSet, const char* face) {
    ASSERT_NE(font, nullptr);
    D3DXFONT_DESCA desc{};
    ASSERT_EQ(font->GetDescA(&desc), D3D_OK);
    EXPECT_EQ(desc.Height, 20);
    EXPECT_EQ(desc.Width, 10u);
    EXPECT_EQ(desc.Weight, UINT(FW_NORMAL));
    EXPECT_EQ(desc.MipLevels, 1u);
    EXPECT_FALSE(desc.Italic);
    EXPECT_EQ(desc.CharSet, charSet);
    EXPECT_EQ(desc.OutputPrecision, OUT_DEFAULT_PRECIS);
    EXPECT_EQ(desc.Quality, DEFAULT_QUALITY);
    EXPECT_EQ(desc.PitchAndFamily, FIXED_PITCH | FF_DONTCARE);
    EXPECT_STREQ(desc.FaceName, face);
}

class KvDX9Test : public ScriptedRecordingFixture {
protected:
    void SetUp() override {
        ScriptedRecordingFixture::SetUp();
        recordingRoot = root;
        events.clear();
        endStatuses.clear();
        KvDX9::endProcess = RecordEnd;
    }
};

} // namespace

TEST_F(KvDX9Test, FirstTryMakesAHardwareDeviceWithTheFullParametersAndTheGothicFont) {
    DeviceApp app;
    HWND window = nullptr;
    app.onFrame = [&] {
        window = app.hwnd;
        ExpectOverlayFont(app.font, SHIFTJIS_CHARSET, "MS Gothic");
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    ASSERT_EQ(root->createCalls.size(), 1u);
    const auto& call = root->createCalls[0];
    EXPECT_EQ(call.type, D3DDEVTYPE_HAL);
    EXPECT_EQ(call.behavior, D3DCREATE_HARDWARE_VERTEXPROCESSING);
    EXPECT_EQ(call.params.BackBufferWidth, 1024u);
    EXPECT_EQ(call.params.BackBufferHeight, 768u);
    EXPECT_EQ(call.params.BackBufferFormat, root->displayFormat);
    EXPECT_EQ(call.params.BackBufferCount, 1u);
    EXPECT_EQ(call.params.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(call.params.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(call.params.AutoDepthStencilFormat, D3DFMT_D24X8);
    EXPECT_EQ(call.params.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_NE(window, nullptr);
    EXPECT_EQ(call.params.hDeviceWindow, window);
    EXPECT_EQ(call.params.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    EXPECT_TRUE(call.params.Windowed);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(KvDX9Test, FallbacksRunInOrderWithTheirMessages) {
    struct Case {
        int failures;
        D3DDEVTYPE type;
        DWORD behavior;
        const char* message;
    } cases[] = {
        {1, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         "Info|Info: Changed PresentParameters"},
        {2, D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
         "Info|Info: HAL with Software vertexproc"},
        {3, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "Info|Info: REF"},
    };
    for (const Case& c : cases) {
        scripted.messageBoxes.clear();
        root->createCalls.clear();
        for (int i = 0; i < c.failures; ++i)
            root->createResults.push_back(D3DERR_NOTAVAILABLE);
        DeviceApp app;
        app.multisample = true;
        ASSERT_TRUE(app.Run(nullptr, 60.0f)) << c.message;
        ASSERT_EQ(root->createCalls.size(), size_t(c.failures + 1));
        EXPECT_EQ(root->createCalls.back().type, c.type);
        EXPECT_EQ(root->createCalls.back().behavior, c.behavior);
        EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
        // The first try asked for multisampling; every later one for the
        // modest parameters, which the device keeps.
        EXPECT_EQ(root->createCalls[0].params.MultiSampleType, D3DMULTISAMPLE_4_SAMPLES);
        EXPECT_EQ(root->createCalls[0].params.SwapEffect, D3DSWAPEFFECT_DISCARD);
        for (size_t i = 1; i < root->createCalls.size(); ++i) {
            EXPECT_EQ(root->createCalls[i].params.AutoDepthStencilFormat, D3DFMT_D16);
            EXPECT_EQ(root->createCalls[i].params.MultiSampleType, D3DMULTISAMPLE_NONE);
            EXPECT_EQ(root->createCalls[i].params.SwapEffect, D3DSWAPEFFECT_COPY);
        }
    }
}

TEST_F(KvDX9Test, ChangedParametersStayForEveryReset) {
    root->createResults.push_back(D3DERR_NOTAVAILABLE);
    DeviceApp app;
    app.multisample = true;
    app.onFrame = [&] {
        app.ResetDevice();
        app.ResetDevice();
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(app.presentParams.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(app.presentParams.MultiSampleType, D3DMULTISAMPLE_NONE);
}

TEST_F(KvDX9Test, NoDeviceAtAllShowsTheFailure) {
    for (int i = 0; i < 4; ++i)
        root->createResults.push_back(D3DERR_NOTAVAILABLE);
    DeviceApp app;
    EXPECT_FALSE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Failed|Failed: Create D3D Device"});
    EXPECT_EQ(app.device, nullptr);
}

TEST_F(KvDX9Test, NoRootObjectShowsTheFailure) {
    SetDirect3DFactory([](UINT) -> IDirect3D9* { return nullptr; });
    DeviceApp app;
    EXPECT_FALSE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Failed|Failed: Create D3D IF"});
}

TEST_F(KvDX9Test, FailedFontLeavesAHalfMadeDeviceThatReleasesCleanly) {
    // The device is made, but it refuses the glyph pages of both faces.
    root->failTexturesOfNextDevice = 2;
    DeviceApp app;
    EXPECT_FALSE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Failed|Failed: Create Font"});
    EXPECT_NE(app.device, nullptr);
    EXPECT_EQ(app.font, nullptr);
    ASSERT_NE(root->lastDevice, nullptr);
    EXPECT_EQ(root->lastDevice->Calls("CreateTexture").size(), 2u);
    app.ReleaseDevice();
    app.ReleaseDevice(); // twice is harmless
    EXPECT_EQ(app.device, nullptr);
    EXPECT_EQ(app.d3d, nullptr);
}

TEST_F(KvDX9Test, OneFailedFaceFallsBackToTheSecond) {
    root->failTexturesOfNextDevice = 1;
    DeviceApp app;
    app.onFrame = [&] { ExpectOverlayFont(app.font, DEFAULT_CHARSET, "MS UI Gothic"); };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(KvDX9Test, SharedDeviceIsTheCreatedDevice) {
    DeviceApp app;
    IDirect3DDevice9* seen = nullptr;
    IDirect3DDevice9* made = nullptr;
    app.onFrame = [&] {
        seen = sharedDevice;
        made = root->lastDevice;
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(seen, made);
}

TEST_F(KvDX9Test, CallbacksRunInOrderAroundTheReset) {
    NamedCallback a("A"), b("B");
    DeviceApp app;
    ID3DXFont* fontAfter = nullptr;
    size_t textures = 0;
    app.onFrame = [&] {
        app.AddLostCallback(&a);
        app.AddLostCallback(&b);
        app.ResetDevice();
        fontAfter = app.font;
        textures = root->lastDevice->Calls("CreateTexture").size();
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(events,
              (std::vector<std::string>{"A.OnLost@0", "B.OnLost@0", "A.OnReset@1", "B.OnReset@1"}));
    // The font was released before the callbacks and made again after.
    EXPECT_NE(fontAfter, nullptr);
    EXPECT_EQ(textures, 2u);
}

TEST_F(KvDX9Test, AddLostCallbackFillsTheFirstEmptySlot) {
    NamedCallback a("A"), b("B");
    DeviceApp app;
    app.AddLostCallback(&a);
    app.lostCallbacks[0] = nullptr;
    app.AddLostCallback(&b);
    ASSERT_EQ(app.lostCallbacks.size(), 1u);
    EXPECT_EQ(app.lostCallbacks[0], &b);
}

TEST_F(KvDX9Test, ResetWaitsWhileAnotherWindowIsInFront) {
    NamedCallback a("A");
    DeviceApp app;
    ID3DXFont* fontBefore = nullptr;
    app.onFrame = [&] {
        app.AddLostCallback(&a);
        fontBefore = app.font;
        scripted.windowInFront = false;
        root->lastDevice->calls.clear();
        app.ResetDevice();
        EXPECT_EQ(app.font, fontBefore);
        EXPECT_TRUE(root->lastDevice->Calls("Reset").empty());
        scripted.windowInFront = true;
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_TRUE(events.empty());
}

TEST_F(KvDX9Test, AResetThatFailsTwiceNamesTheCodeAndEndsAbnormally) {
    NamedCallback a("A");
    DeviceApp app;
    app.onFrame = [&] {
        app.AddLostCallback(&a);
        root->lastDevice->resetResults = {D3DERR_DEVICELOST, D3DERR_DEVICELOST};
        scripted.calls.clear();
        app.ResetDevice();
    };
    app.Run(nullptr, 60.0f);
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Failed|Failed: Reset D3D device (D3DERR_DEVICELOST)"});
    EXPECT_EQ(endStatuses, std::vector<int>{3});
    EXPECT_EQ(events, std::vector<std::string>{"A.OnLost@0"});
    EXPECT_NE(std::find(scripted.calls.begin(), scripted.calls.end(), "Sleep 100"),
              scripted.calls.end());
}

// A reset the device refuses, with a render target that nothing released on
// the loss: the box names the code, stderr the reason.
TEST_F(KvDX9Test, AResetTheDeviceRefusesSaysWhyOnStderr) {
    DeviceApp app;
    IDirect3DTexture9* kept = nullptr;
    std::string logged;
    app.onFrame = [&] {
        ASSERT_EQ(app.device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                            D3DPOOL_DEFAULT, &kept, nullptr),
                  D3D_OK);
        ::testing::internal::CaptureStderr();
        app.ResetDevice();
        logged = ::testing::internal::GetCapturedStderr();
    };
    app.Run(nullptr, 60.0f);
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Failed|Failed: Reset D3D device (D3DERR_INVALIDCALL)"});
    EXPECT_EQ(logged, "zelqad: Reset: default-pool objects still alive: 1\n"
                      "zelqad: Failed: Reset D3D device (D3DERR_INVALIDCALL)\n");
    EXPECT_EQ(endStatuses, std::vector<int>{3});
    if (kept)
        kept->Release();
}

TEST_F(KvDX9Test, AFontThatCannotBeMadeAgainAfterAResetEndsTheProcess) {
    NamedCallback a("A");
    DeviceApp app;
    app.onFrame = [&] {
        app.AddLostCallback(&a);
        root->lastDevice->failTextureCreations = 2; // both faces
        app.ResetDevice();
    };
    app.Run(nullptr, 60.0f);
    EXPECT_EQ(events, (std::vector<std::string>{"A.OnLost@0", "A.OnReset@1"}));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Failed|Failed: Create Font"});
    EXPECT_EQ(endStatuses, std::vector<int>{3});
}

TEST_F(KvDX9Test, AResetThatFailsOnceIsTriedAgain) {
    NamedCallback a("A");
    DeviceApp app;
    app.onFrame = [&] {
        app.AddLostCallback(&a);
        root->lastDevice->resetResults = {D3DERR_DEVICELOST};
        app.ResetDevice();
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_TRUE(endStatuses.empty());
    EXPECT_EQ(events, (std::vector<std::string>{"A.OnLost@0", "A.OnReset@2"}));
}

TEST(ResetResultNameTest, NamesTheKnownCodes) {
    EXPECT_STREQ(ResetResultName(D3DERR_DEVICELOST), "D3DERR_DEVICELOST");
    EXPECT_STREQ(ResetResultName(D3DERR_DRIVERINTERNALERROR), "D3DERR_DRIVERINTERNALERROR");
    EXPECT_STREQ(ResetResultName(D3DERR_INVALIDCALL), "D3DERR_INVALIDCALL");
    EXPECT_STREQ(ResetResultName(D3DERR_OUTOFVIDEOMEMORY), "D3DERR_OUTOFVIDEOMEMORY");
    EXPECT_STREQ(ResetResultName(E_OUTOFMEMORY), "E_OUTOFMEMORY");
    EXPECT_STREQ(ResetResultName(E_FAIL), "unknown return value!");
}
