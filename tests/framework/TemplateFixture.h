// A KvDX9Template on the recording device and the scripted platform, with a
// window whose client area starts at the scripted origin: for tests of the
// primitives, the camera and the overlay, without a display.
#pragma once

#include "tests/framework/ScriptedRecordingFixture.h"

class TemplateApp : public KvDX9Template {
public:
    ~TemplateApp() override { CloseIfOpen(); }
    bool OnInit() override { return true; }
    void OnTerm() override { ReleaseDevice(); }
    void OnFrame() override {}
};

class TemplateFixture : public ScriptedRecordingFixture {
protected:
    void SetUp() override {
        ScriptedRecordingFixture::SetUp();
        MakeShell(app);
        ASSERT_TRUE(app.CreateDevice(false, false, 20));
        device = root->lastDevice;
        device->calls.clear();
    }
    void TearDown() override {
        app.ReleaseDevice();
        ScriptedRecordingFixture::TearDown();
    }

    RecordingDevice* device = nullptr;
    TemplateApp app;
};
