// The OpenGL device refuses the calls of the shared table with the reasons
// the devices without a GPU give, and draws or clears nothing for them; the
// near misses draw.
#include "tests/platform/d3d9/RefusalCases.h"

#include "tests/support/GlTestDevice.h"

#include <gtest/gtest.h>

namespace {

int CountRed(const std::vector<std::uint32_t>& pixels) {
    int n = 0;
    for (std::uint32_t p : pixels)
        n += (p & 0xFFFFFF) == kCaseRed;
    return n;
}

// A fresh device whose target is black, and on which any triangle the
// cases draw covers its pixels: no depth test, no culling.
template <class Check>
void OnFreshDevice(const char* name, Check check) {
    SCOPED_TRACE(name);
    GlTestDevice gl{64, 48};
    ASSERT_TRUE(gl.Ok());
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    gl.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    gl.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    CaseObjects objects;
    check(gl, objects);
}

} // namespace

// A refused call draws nothing; a near miss draws, so the read-back would
// have seen it.
TEST(RefusalGLTest, RefusesEachCaseWithTheReasonOfEveryDeviceAndDrawsOnlyTheNearMisses) {
    for (const RefusalCase& c : RefusalCases())
        OnFreshDevice(c.name, [&](GlTestDevice& gl, CaseObjects& objects) {
            EXPECT_EQ(c.call(gl.device, objects), D3DERR_INVALIDCALL);
            EXPECT_STREQ(gl.device->GetRefusalText(), c.reason);
            EXPECT_EQ(CountRed(gl.ReadTarget()), 0);
        });
    for (const AcceptedCase& c : AcceptedCases())
        OnFreshDevice(c.name, [&](GlTestDevice& gl, CaseObjects& objects) {
            EXPECT_EQ(c.call(gl.device, objects), D3D_OK);
            EXPECT_STREQ(gl.device->GetRefusalText(), "");
            if (c.draws) {
                EXPECT_GT(CountRed(gl.ReadTarget()), 0);
            }
        });
}

TEST(RefusalGLTest, TheRootNamesItsReasons) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DDISPLAYMODE mode;
    EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
    EXPECT_STREQ(d3d->GetRefusalText(), "GetAdapterDisplayMode: adapter 1 past the only one");
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS params{};
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_SW, nullptr, 0, &params, &device),
              D3DERR_INVALIDCALL);
    EXPECT_STREQ(d3d->GetRefusalText(), "CreateDevice: device type 3 is neither HAL nor REF");
    d3d->Release();
}
