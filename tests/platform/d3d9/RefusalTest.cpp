// Every device without a GPU refuses the calls of the shared table with the
// same reason, accepts the near misses, and a refusal names its reason
// wherever the caller looks: the device, the call log of the recording
// device, the root objects.
#include "tests/platform/d3d9/RefusalCases.h"

#include "platform/d3d9/com.h"
#include "platform/d3d9/memory_device.h"
#include "platform/d3d9/recording_device.h"
#include "tests/support/PresentParameters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

RecordingDevice* MakeRecordingDevice() {
    auto* root = new RecordingDirect3D9;
    D3DPRESENT_PARAMETERS params = WindowedPresentParameters(64, 48);
    IDirect3DDevice9* device = nullptr;
    root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params,
                       &device);
    root->Release(); // the device holds its own reference
    return static_cast<RecordingDevice*>(device);
}

struct DeviceKind {
    const char* name;
    IDirect3DDevice9* (*make)();
};

const DeviceKind kDeviceKinds[] = {
    {"Recording", [] { return static_cast<IDirect3DDevice9*>(MakeRecordingDevice()); }},
    {"Memory", CreateMemoryDevice},
};

// One fresh device for each case; whatever a case made is gone with it.
class DeviceRefusalTest : public ::testing::TestWithParam<DeviceKind> {
protected:
    template <class Check>
    void OnFreshDevice(const char* name, Check check) {
        SCOPED_TRACE(name);
        const long before = LiveDirect3DObjects();
        IDirect3DDevice9* device = GetParam().make();
        ASSERT_NE(device, nullptr);
        {
            CaseObjects objects;
            check(device, objects);
        }
        device->Release();
        EXPECT_EQ(LiveDirect3DObjects(), before);
    }
};

} // namespace

// Each case is refused with its reason, and what is valid stays valid:
// every near miss, its setup included, goes through without a refusal.
TEST_P(DeviceRefusalTest, RefusesEachCaseWithItsReasonAndAcceptsTheNearMisses) {
    for (const RefusalCase& c : RefusalCases())
        OnFreshDevice(c.name, [&](IDirect3DDevice9* device, CaseObjects& objects) {
            EXPECT_EQ(c.call(device, objects), D3DERR_INVALIDCALL);
            EXPECT_STREQ(device->GetRefusalText(), c.reason);
        });
    for (const AcceptedCase& c : AcceptedCases())
        OnFreshDevice(c.name, [&](IDirect3DDevice9* device, CaseObjects& objects) {
            EXPECT_EQ(c.call(device, objects), D3D_OK);
            EXPECT_STREQ(device->GetRefusalText(), "");
        });
}

// The extent of a buffer's indices is kept between draws: indices written
// after a draw count at the next one.
TEST_P(DeviceRefusalTest, IndicesRewrittenPastTheStreamAreRefusedAtTheNextDraw) {
    OnFreshDevice("rewrite", [](IDirect3DDevice9* device, CaseObjects& objects) {
        BindScreenVertices(device, objects, 4);
        BindIndices(device, objects, D3DFMT_INDEX16, {0, 1, 2, 0, 2, 3});
        ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
        IDirect3DIndexBuffer9* indices = nullptr;
        device->GetIndices(&indices);
        void* data = nullptr;
        ASSERT_EQ(indices->Lock(10, 2, &data, 0), D3D_OK);
        const std::uint16_t past = 9;
        std::memcpy(data, &past, sizeof past);
        indices->Unlock();
        indices->Release();
        EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3D_OK);
        EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2),
                  D3DERR_INVALIDCALL);
        EXPECT_STREQ(device->GetRefusalText(),
                     "DrawIndexedPrimitive: index 9 past the 4 vertices of stream 0");
    });
}

// A later refusal replaces the reason; calls that go through leave it.
TEST_P(DeviceRefusalTest, TheReasonIsTheLastRefusals) {
    OnFreshDevice("last", [](IDirect3DDevice9* device, CaseObjects&) {
        EXPECT_EQ(device->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
        EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
        EXPECT_STREQ(device->GetRefusalText(), "SetTexture: stage 16 past the 16 texture stages");
        EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
        EXPECT_STREQ(device->GetRefusalText(), "EndScene: no scene has begun");
    });
}

INSTANTIATE_TEST_SUITE_P(Devices, DeviceRefusalTest, ::testing::ValuesIn(kDeviceKinds),
                         [](const ::testing::TestParamInfo<DeviceKind>& info) {
                             return std::string(info.param.name);
                         });

// The call log holds each refusal once, right after the call it refused.
TEST(RecordingRefusalTest, LogsEachRefusalAfterTheCallRefused) {
    for (const RefusalCase& c : RefusalCases()) {
        SCOPED_TRACE(c.name);
        RecordingDevice* device = MakeRecordingDevice();
        {
            CaseObjects objects;
            c.call(device, objects);
        }
        auto refusals = device->Calls("Refused");
        ASSERT_EQ(refusals.size(), 1u);
        EXPECT_EQ(refusals[0]->reason, c.reason);
        device->Release();
    }
    RecordingDevice* device = MakeRecordingDevice();
    {
        CaseObjects objects;
        BindScreenVertices(device, objects, 4);
        BindIndices(device, objects, D3DFMT_INDEX16, {0, 1, 2, 0, 2, 4});
        device->calls.clear();
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
        device->GetViewport(nullptr); // a call the log leaves out: its refusal alone
    }
    EXPECT_EQ(device->Names(),
              (std::vector<std::string>{"DrawIndexedPrimitive", "Refused", "Refused"}));
    EXPECT_EQ(device->calls[1].reason,
              "DrawIndexedPrimitive: index 4 past the 4 vertices of stream 0");
    EXPECT_EQ(device->calls[2].reason, "GetViewport: null viewport");
    device->Release();
}

TEST(RootRefusalTest, RootsNameTheirReasons) {
    auto* root = new RecordingDirect3D9;
    D3DPRESENT_PARAMETERS params = WindowedPresentParameters(64, 48);
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(root->CreateDevice(1, D3DDEVTYPE_HAL, nullptr, 0, &params, &device),
              D3DERR_INVALIDCALL);
    EXPECT_STREQ(root->GetRefusalText(), "CreateDevice: adapter 1 past the only one");
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;
    EXPECT_EQ(root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &params, &device),
              D3DERR_INVALIDCALL);
    EXPECT_STREQ(root->GetRefusalText(), "CreateDevice: the present parameters give no back "
                                         "buffer or depth buffer that can be made");
    EXPECT_EQ(root->GetAdapterDisplayMode(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_STREQ(root->GetRefusalText(), "GetAdapterDisplayMode: null mode");
    root->Release();

    IDirect3DDevice9* memory = CreateMemoryDevice();
    IDirect3D9* memoryRoot = nullptr;
    ASSERT_EQ(memory->GetDirect3D(&memoryRoot), D3D_OK);
    EXPECT_EQ(memoryRoot->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &params, &device),
              D3DERR_INVALIDCALL);
    EXPECT_STREQ(memoryRoot->GetRefusalText(),
                 "CreateDevice: a memory device's root makes no devices");
    memoryRoot->Release();
    memory->Release();
}
