// The viewer on the recording device and the scripted platform: start-up and
// its failures, the order of work of a frame, the buttons, drops, and device
// loss.
#include "app/AppMain.h"
#include "effects/effect_resources.h"
#include "framework/InputState.h"
#include "platform/win32/drop.h"
#include "tests/app/HeldLoad.h"
#include "tests/framework/ScriptedRecordingFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Runs the viewer in a working directory of its own whose data folder holds
// links to the repository's data, less whatever a test removes.
class AppMainTest : public ScriptedRecordingFixture {
protected:
    void SetUp() override {
        RegisterEffectResources();
        ScriptedRecordingFixture::SetUp();
        KvDX9::endProcess = [](int status) { FAIL() << "the process would end with " << status; };
        previous = fs::current_path();
        work = fs::temp_directory_path() /
               ("zq-app-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(work);
        fs::create_directories(work / "data");
        for (const auto& entry : fs::directory_iterator(fs::path(ZQ_SOURCE_DIR) / "data"))
            fs::create_symlink(entry.path(), work / "data" / entry.path().filename());
        fs::current_path(work);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(work);
        ScriptedRecordingFixture::TearDown();
    }

    // Sets the shell up as Run would, without the loop, and initialises.
    bool Start(AppMain& app) {
        MakeShell(app);
        // Every load is waited for, so that a drop shows on the next frame
        // however loaded the machine; the tests of loads under way hold
        // theirs back.
        app.dropWaitMs = ContentLoader::kForever;
        bool ok = app.OnInit();
        device = root->lastDevice;
        return ok;
    }

    // One frame as the shell runs it: the key snapshot, then the frame hook.
    void Frame(AppMain& app) {
        scripted.now += 17;
        std::memcpy(inputState.prevKeys, inputState.keys, sizeof inputState.keys);
        std::memcpy(inputState.keys, held, sizeof held);
        app.OnFrame();
    }

    // Keys and buttons as the next snapshot will find them.
    void Hold(int vk, bool down) { held[vk] = down ? 0x80 : 0; }
    BYTE held[256] = {};

    // A click on a button as a user makes it: the pointer moves there with
    // no button held (a held left button would turn the camera and keep the
    // cursor where it was), then the press, then the release.
    void Click(AppMain& app, const ButtonObj& button) {
        inputState.mouseX = int(button.x + button.w / 2);
        inputState.mouseY = int(button.y + button.h / 2);
        Hold(VK_SPACE, true);
        Frame(app);
        Hold(VK_LBUTTON, true);
        Frame(app);
        Hold(VK_LBUTTON, false);
        Frame(app);
    }

    RecordingDevice* device = nullptr;
    fs::path previous, work;
};

std::vector<const RecordedCall*> After(const RecordingDevice& device, const std::string& name,
                                       size_t from) {
    std::vector<const RecordedCall*> found;
    for (size_t i = from; i < device.calls.size(); ++i)
        if (device.calls[i].name == name)
            found.push_back(&device.calls[i]);
    return found;
}

double Id(const void* object) {
    return double(reinterpret_cast<std::uintptr_t>(object));
}

// The world matrix of instance (i, j) of an N x N grid on drawn frame F: the
// mesh scaled by 20, turned about X, Y and Z by steps of 0.3 to 0.8 degrees
// per frame, and moved to its square.
D3DXMATRIX InstanceWorld(int i, int j, int N, int F) {
    auto angle = [F](int step) { return float((0.3 + 0.1 * step) * D3DX_PI / 180.0 * F); };
    D3DXMATRIX scale, rx, ry, rz, move;
    D3DXMatrixScaling(&scale, 20, 20, 20);
    D3DXMatrixRotationX(&rx, angle((2 * i + 5 * j) % 6));
    D3DXMatrixRotationY(&ry, angle((3 * i + 4 * j) % 6));
    D3DXMatrixRotationZ(&rz, angle((4 * i + 3 * j) % 6));
    float spacing = float(100 - 4 * N);
    D3DXMatrixTranslation(&move, spacing * (float(i) - float(N - 1) / 2.0f), 0, spacing * float(j));
    return scale * rx * ry * rz * move;
}

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, const char* what) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c],
                        1e-5f * std::fmax(1.0f, std::fabs(expected.m[r][c])))
                << what << " [" << r << "][" << c << "]";
}

// One instance drawn through the scene effect, as its pass handed it to the
// device: the pixel program, the textures of stages 0 to 3 and both constant
// tables.
struct ScenePass {
    double pixelProgram = 0;
    std::vector<double> textures;
    std::vector<float> vertex, pixel;

    // The full techniques' vertex program reads, in declaration order,
    // g_MatWorld, g_MatWIT and g_MatWVP (four registers each, register c
    // holding column c), g_CamPos, g_FogStart, g_FogInvDist and the two
    // g_LightDirR; their pixel programs g_LightAmbient, g_LightAmbient2 and
    // the two g_LightColor.
    D3DXMATRIX Matrix(int first) const {
        D3DXMATRIX m;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                m.m[r][c] = vertex[size_t(4 * (first + c) + r)];
        return m;
    }
    D3DXVECTOR4 Vertex(int index) const { return Register(vertex, index); }
    D3DXVECTOR4 Pixel(int index) const { return Register(pixel, index); }
    static D3DXVECTOR4 Register(const std::vector<float>& table, int index) {
        const float* f = &table[size_t(4 * index)];
        return D3DXVECTOR4(f[0], f[1], f[2], f[3]);
    }
};

std::vector<ScenePass> ScenePasses(const RecordingDevice& device, size_t from) {
    auto floats = [](const RecordedCall& c) {
        const float* f = reinterpret_cast<const float*>(c.data.data());
        return std::vector<float>(f, f + c.data.size() / sizeof(float));
    };
    std::vector<ScenePass> passes;
    ScenePass pass;
    for (size_t i = from; i < device.calls.size(); ++i) {
        const RecordedCall& c = device.calls[i];
        if (c.name == "SetPixelShader") {
            pass = ScenePass{};
            pass.pixelProgram = c.args[0];
        } else if (c.name == "SetTexture") {
            pass.textures.push_back(c.args[1]);
        } else if (c.name == "SetVertexShaderConstantF") {
            pass.vertex = floats(c);
        } else if (c.name == "SetPixelShaderConstantF" && pass.vertex.size() == 17 * 4) {
            pass.pixel = floats(c);
            passes.push_back(pass);
        }
    }
    return passes;
}

// The pixel program a technique of the effect sets.
double PixelProgramOf(ID3DXEffect* effect, const char* technique, const RecordingDevice& device) {
    effect->SetTechnique(technique);
    effect->Begin(nullptr, D3DXFX_DONOTSAVESTATE);
    size_t from = device.calls.size();
    effect->BeginPass(0);
    effect->EndPass();
    effect->End();
    for (const RecordedCall* c : After(device, "SetPixelShader", from))
        return c->args[0];
    return 0;
}

} // namespace

TEST_F(AppMainTest, StartsWithoutAMessageAndWithTheDimmedSceneEffect) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(app.sceneResource, 10001);
    EXPECT_NE(app.postEffect, nullptr);
    EXPECT_NE(app.meshSlots[0].mesh, nullptr);
    EXPECT_NE(app.meshSlots[1].mesh, nullptr);
    for (auto& set : app.textureSets)
        for (IDirect3DTexture9* texture : set)
            EXPECT_NE(texture, nullptr);
    EXPECT_STREQ(app.caption, "DEMO");
    EXPECT_STREQ(app.shadingButton.label.text, "Programmable");
    EXPECT_STREQ(app.gridButton.label.text, "5");
    EXPECT_STREQ(app.postButton.label.text, "PP Enable");
    EXPECT_EQ(app.shadingButton.x, 1024 - 170.0f);
    EXPECT_EQ(app.gridButton.w, 40.0f);
    EXPECT_EQ(app.postButton.x, 1024 - 350.0f);

    float pixelSize[2], blurOffset[2], weights[9], rate;
    app.postEffect->GetValue("g_PixelSize", pixelSize, sizeof pixelSize);
    app.postEffect->GetValue("g_BlurOffset", blurOffset, sizeof blurOffset);
    app.postEffect->GetValue("g_BlurWeights", weights, sizeof weights);
    app.postEffect->GetValue("g_BrightRate", &rate, sizeof rate);
    EXPECT_EQ(pixelSize[0], 0.0009765625f);
    EXPECT_EQ(pixelSize[1], 1.0f / 768.0f);
    EXPECT_NEAR(blurOffset[0], 0.00525f, 1e-8f);
    EXPECT_NEAR(blurOffset[1], 0.007f, 1e-8f);
    EXPECT_EQ(rate, 0.65f);
    // The centre tap, then the taps one to eight steps away on either side.
    const int sixtyFifths[9] = {9, 7, 6, 5, 4, 3, 2, 1, 0};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(weights[i], (1.0f / 65.0f) * float(sixtyFifths[i])) << i;
    app.OnTerm();
}

TEST_F(AppMainTest, AMissingSkinMeshStopsStartUpAfterTheOtherFilesLoaded) {
    fs::remove(work / "data" / "skin.x");
    AppMain app;
    EXPECT_FALSE(Start(app));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Failed|Failed: Load Mesh from X"});
    EXPECT_NE(app.meshSlots[0].mesh, nullptr);
    EXPECT_NE(app.textureSets[1][3], nullptr);
}

TEST_F(AppMainTest, MissingTexturesFallBackSilentlyAndMissingFallbacksFail) {
    fs::remove(work / "data" / "tex_np.tex");
    {
        AppMain app;
        ASSERT_TRUE(Start(app));
        EXPECT_TRUE(Messages().empty());
        app.OnTerm();
    }
    fs::remove(work / "data" / "null_np.tex");
    AppMain app;
    EXPECT_FALSE(Start(app));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Failed|Failed: Load Texture"});
}

TEST_F(AppMainTest, ProgramChecksAndEffectsComeAfterTheResources) {
    struct Case {
        const char* what;
        DWORD pixelVersion, vertexVersion;
        int failedDevices, failedPrograms;
        bool starts;
        std::string firstMessage;
    } cases[] = {
        {"pixel programs 1.4", D3DPS_VERSION(1, 4), D3DVS_VERSION(3, 0), 0, 0, false,
         "Error|Device is not supported: PixelShader 2.0"},
        {"vertex programs 1.0", D3DPS_VERSION(3, 0), D3DVS_VERSION(1, 0), 0, 0, false,
         "Error|Device is not supported: VertexShader 1.1"},
        // Software vertex processing runs any vertex program: no check.
        {"vertex programs 1.0 in software", D3DPS_VERSION(3, 0), D3DVS_VERSION(1, 0), 2, 0, true,
         "Info|Info: HAL with Software vertexproc"},
        {"a program the driver refuses", D3DPS_VERSION(3, 0), D3DVS_VERSION(3, 0), 0, 1, false,
         "HLSL Error|Failed: Create Shader\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scripted.messageBoxes.clear();
        root->caps.PixelShaderVersion = c.pixelVersion;
        root->caps.VertexShaderVersion = c.vertexVersion;
        for (int i = 0; i < c.failedDevices; ++i)
            root->createResults.push_back(D3DERR_NOTAVAILABLE);
        root->failShadersOfNextDevice = c.failedPrograms;
        AppMain app;
        EXPECT_EQ(Start(app), c.starts);
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].rfind(c.firstMessage, 0), 0u) << Messages()[0];
        EXPECT_NE(app.meshSlots[1].mesh, nullptr);
        EXPECT_EQ(app.sceneEffect != nullptr, c.starts);
        if (c.failedPrograms) { // the driver's own words follow the text
            EXPECT_NE(Messages()[0].find("scripted compile failure"), std::string::npos);
        }
        app.OnTerm();
    }
}

TEST_F(AppMainTest, ClearColourAndTargetFollowThePostProcessingFlag) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    size_t from = device->calls.size();
    Frame(app);
    auto clears = After(*device, "Clear", from);
    ASSERT_FALSE(clears.empty());
    EXPECT_EQ(clears[0]->args[2], double(0xFF0D1115));
    auto targets = After(*device, "SetRenderTarget", from);
    ASSERT_GE(targets.size(), 6u); // scene, half A, half B, half A, scene, back buffer
    std::vector<double> order;
    for (size_t i = 0; i < 6; ++i)
        order.push_back(targets[i]->args[1]);
    EXPECT_EQ(order[0], double(reinterpret_cast<std::uintptr_t>(app.sceneSurface)));
    EXPECT_EQ(order[1], double(reinterpret_cast<std::uintptr_t>(app.halfASurface)));
    EXPECT_EQ(order[2], double(reinterpret_cast<std::uintptr_t>(app.halfBSurface)));
    EXPECT_EQ(order[3], double(reinterpret_cast<std::uintptr_t>(app.halfASurface)));
    EXPECT_EQ(order[4], double(reinterpret_cast<std::uintptr_t>(app.sceneSurface)));
    EXPECT_EQ(order[5], double(reinterpret_cast<std::uintptr_t>(app.savedBackBuffer)));

    app.postProcessing = false;
    from = device->calls.size();
    Frame(app);
    clears = After(*device, "Clear", from);
    ASSERT_FALSE(clears.empty());
    EXPECT_EQ(clears[0]->args[2], double(0xFF0F1419));
    EXPECT_TRUE(After(*device, "SetRenderTarget", from).empty());
    app.OnTerm();
}

TEST_F(AppMainTest, EachInstanceGetsTheValuesOfItsSquareOnEitherPath) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    const int N = app.gridSize;
    auto towards = [](D3DXVECTOR3 direction) {
        D3DXVECTOR3 out = -direction;
        D3DXVec3Normalize(&out, &out);
        return out;
    };
    const D3DXVECTOR3 lightDirs[2] = {towards(D3DXVECTOR3(0.3f, -1, 0.4f)),
                                      towards(D3DXVECTOR3(-0.8f, 0.5f, -0.1f))};
    const D3DXVECTOR4 lightColours[2] = {D3DXVECTOR4(0.9f, 0.9f, 0.9f, 1),
                                         D3DXVECTOR4(0.35f, 0.35f, 0.35f, 1)};

    // Frame 1 through the scene effect: one pass per instance, i outer.
    size_t from = device->calls.size();
    Frame(app);
    std::vector<ScenePass> passes = ScenePasses(*device, from);
    ASSERT_EQ(passes.size(), size_t(N * N));
    const double programs[2] = {PixelProgramOf(app.sceneEffect, "T_Std_Full", *device),
                                PixelProgramOf(app.sceneEffect, "T_Char_Full", *device)};
    ASSERT_NE(programs[0], programs[1]);
    for (int i = 0; i < N; ++i) {
        for (int j = 0; j < N; ++j) {
            SCOPED_TRACE("instance " + std::to_string(i) + "," + std::to_string(j));
            const ScenePass& pass = passes[size_t(i * N + j)];
            const int square = (i + j) % 2; // solid and standard, or skin and character
            EXPECT_EQ(pass.pixelProgram, programs[square]);
            ASSERT_EQ(pass.textures.size(), 4u);
            for (int t = 0; t < 4; ++t)
                EXPECT_EQ(pass.textures[size_t(t)], Id(app.textureSets[square][t])) << t;

            D3DXMATRIX world = InstanceWorld(i, j, N, 1), inverse, inverseTranspose;
            D3DXMatrixInverse(&inverse, nullptr, &world);
            D3DXMatrixTranspose(&inverseTranspose, &inverse);
            ExpectMatrixNear(pass.Matrix(0), world, "g_MatWorld");
            ExpectMatrixNear(pass.Matrix(4), inverseTranspose, "g_MatWIT");
            ExpectMatrixNear(pass.Matrix(8), world * app.viewMatrix * app.projMatrix, "g_MatWVP");
            D3DXVECTOR4 camPos = pass.Vertex(12);
            EXPECT_EQ(D3DXVECTOR3(camPos.x, camPos.y, camPos.z), D3DXVECTOR3(0, 0, -100));
            EXPECT_EQ(pass.Vertex(13).x, 200.0f);
            EXPECT_EQ(pass.Vertex(14).x, 1.0f / 750.0f);
            for (int l = 0; l < 2; ++l) {
                D3DXVECTOR4 dir = pass.Vertex(15 + l);
                EXPECT_NEAR(dir.x, lightDirs[l].x, 1e-6f) << "light " << l;
                EXPECT_NEAR(dir.y, lightDirs[l].y, 1e-6f) << "light " << l;
                EXPECT_NEAR(dir.z, lightDirs[l].z, 1e-6f) << "light " << l;
                EXPECT_EQ(pass.Pixel(2 + l), lightColours[l]) << "light " << l;
            }
            EXPECT_EQ(pass.Pixel(0), D3DXVECTOR4(0.1f, 0.1f, 0.2f, 1));
            EXPECT_EQ(pass.Pixel(1), D3DXVECTOR4(0.1f, 0.1f, 0.05f, 1));
        }
    }

    // Frame 2 through the fixed-function path, which sets the world matrix
    // and the diffuse map itself.
    app.programmable = false;
    from = device->calls.size();
    Frame(app);
    std::vector<const RecordedCall*> worlds;
    for (const RecordedCall* c : After(*device, "SetTransform", from))
        if (c->args[0] == double(D3DTS_WORLD))
            worlds.push_back(c);
    std::vector<double> diffuse;
    for (const RecordedCall* c : After(*device, "SetTexture", from))
        if (c->args[0] == 0 && c->args[1] != 0)
            diffuse.push_back(c->args[1]);
    // Axes and grid first, then the instances.
    ASSERT_EQ(worlds.size(), size_t(2 + N * N));
    ASSERT_GE(diffuse.size(), size_t(N * N));
    EXPECT_EQ(After(*device, "SetMaterial", from).size(), size_t(N * N));
    for (int i = 0; i < N; ++i) {
        for (int j = 0; j < N; ++j) {
            SCOPED_TRACE("instance " + std::to_string(i) + "," + std::to_string(j));
            D3DXMATRIX world = worlds[size_t(2 + i * N + j)]->As<D3DMATRIX>();
            ExpectMatrixNear(world, InstanceWorld(i, j, N, 2), "world");
            EXPECT_EQ(diffuse[size_t(i * N + j)], Id(app.textureSets[(i + j) % 2][0]));
        }
    }
    EXPECT_EQ(app.frameCounter, 2);
    app.OnTerm();
}

TEST_F(AppMainTest, HoldingZClearsTheSceneAndHoldingXSkipsTheComposite) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    auto countQuads = [&](size_t from) {
        int quads = 0;
        for (const RecordedCall* c : After(*device, "DrawPrimitiveUP", from))
            quads += c->args[2] == 20.0; // the clip-space quad's stride
        return quads;
    };
    size_t from = device->calls.size();
    Frame(app);
    EXPECT_EQ(countQuads(from), 4);
    EXPECT_EQ(After(*device, "Clear", from).size(), 1u);
    Hold('Z', true);
    from = device->calls.size();
    Frame(app);
    auto clears = After(*device, "Clear", from);
    ASSERT_EQ(clears.size(), 2u);
    EXPECT_EQ(clears[1]->args[2], double(0xFF000000));
    Hold('Z', false);
    Hold('X', true);
    from = device->calls.size();
    Frame(app);
    EXPECT_EQ(countQuads(from), 3);
    app.OnTerm();
}

TEST_F(AppMainTest, ButtonsToggleShadingGridAndPostProcessing) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    std::vector<std::string> grid;
    for (int i = 0; i < 6; ++i) {
        Click(app, app.gridButton);
        grid.push_back(app.gridButton.label.text);
    }
    EXPECT_EQ(grid, (std::vector<std::string>{"6", "7", "8", "9", "10", "1"}));
    Click(app, app.shadingButton);
    EXPECT_FALSE(app.programmable);
    EXPECT_STREQ(app.shadingButton.label.text, "Fixed");
    Click(app, app.postButton);
    EXPECT_FALSE(app.postProcessing);
    EXPECT_STREQ(app.postButton.label.text, "PP Disable");
    EXPECT_EQ(app.sceneResource, 10000);
    Click(app, app.postButton);
    EXPECT_STREQ(app.postButton.label.text, "PP Enable");
    EXPECT_EQ(app.sceneResource, 10001);
    // Without the space bar the buttons neither update nor click.
    Hold(VK_SPACE, false);
    inputState.mouseX = int(app.gridButton.x + 5);
    inputState.mouseY = int(app.gridButton.y + 5);
    Hold(VK_LBUTTON, true);
    Frame(app);
    Hold(VK_LBUTTON, false);
    Frame(app);
    EXPECT_STREQ(app.gridButton.label.text, "1");
    EXPECT_TRUE(Messages().empty());
    app.OnTerm();
}

TEST_F(AppMainTest, EscapeSetsQuitOnceOnTheFrameItGoesDown) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    Hold(VK_ESCAPE, true);
    Frame(app);
    EXPECT_TRUE(app.quit);
    app.quit = false;
    Frame(app);
    EXPECT_FALSE(app.quit);
    app.OnTerm();
}

TEST_F(AppMainTest, EachQuarterOfTheWindowTakesItsOwnKindOfFileAndSlot) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    std::string cube =
        std::string(ZQ_SOURCE_DIR) + "/tests/utility/xfile/data/assimp_cube_text/cube_text.x";
    std::string png = (work / "data" / "null_sa.tex").string();
    struct Quarter {
        int x, y;
        bool mesh;
        int slot;
    } quarters[] = {{0, 0, true, 0},      {511, 383, true, 0},  {0, 384, true, 1},
                    {511, 767, true, 1},  {512, 0, false, 0},   {1023, 383, false, 0},
                    {512, 384, false, 1}, {1023, 767, false, 1}};
    for (const Quarter& q : quarters) {
        app.ReleaseDeviceResources();
        ASSERT_TRUE(app.CreateDeviceResources());
        MeshObj& other = app.meshSlots[1 - q.slot];
        DWORD otherFaces = other.mesh->GetNumFaces();
        IDirect3DTexture9* otherDiffuse = app.textureSets[1 - q.slot][0];
        IDirect3DTexture9* ownDiffuse = app.textureSets[q.slot][0];
        inputState.mouseX = q.x;
        inputState.mouseY = q.y;
        AppMain::OnFileDropped(q.mesh ? cube.c_str() : png.c_str());
        if (q.mesh) {
            EXPECT_EQ(app.meshSlots[q.slot].mesh->GetNumFaces(), 12u) << q.x << "," << q.y;
            EXPECT_EQ(app.textureSets[q.slot][0], ownDiffuse);
        } else {
            // "null_sa.tex" is an 8 x 8 map; the start-up diffuse maps are larger.
            D3DSURFACE_DESC desc{};
            app.textureSets[q.slot][0]->GetLevelDesc(0, &desc);
            EXPECT_EQ(desc.Width, 8u) << q.x << "," << q.y;
        }
        EXPECT_EQ(other.mesh->GetNumFaces(), otherFaces);
        EXPECT_EQ(app.textureSets[1 - q.slot][0], otherDiffuse);
    }
    app.OnTerm();
}

TEST_F(AppMainTest, DropsReplaceTheSlotOfTheirQuarterUntilTheNextReset) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    std::string cube =
        std::string(ZQ_SOURCE_DIR) + "/tests/utility/xfile/data/assimp_cube_text/cube_text.x";
    DWORD startFaces = app.meshSlots[1].mesh->GetNumFaces();
    inputState.mouseX = 100; // bottom left: mesh slot 1
    inputState.mouseY = 700;
    AppMain::OnFileDropped(cube.c_str());
    ASSERT_NE(app.meshSlots[1].mesh, nullptr);
    EXPECT_EQ(app.meshSlots[1].mesh->GetNumFaces(), 12u);
    // The files of one drop come one after another to the same quarter: the
    // last one stays; the top left slot keeps its own.
    DWORD topFaces = app.meshSlots[0].mesh->GetNumFaces();
    AppMain::OnFileDropped("./data/skin.x");
    AppMain::OnFileDropped(cube.c_str());
    EXPECT_EQ(app.meshSlots[1].mesh->GetNumFaces(), 12u);
    EXPECT_EQ(app.meshSlots[0].mesh->GetNumFaces(), topFaces);
    // The width of a texture tells the start-up maps (512) from the 8 x 8
    // fallbacks that a set named after "tex_sa.tex" falls back to.
    auto width = [](IDirect3DTexture9* texture) {
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        return desc.Width;
    };
    ASSERT_EQ(width(app.textureSets[0][1]), 512u);
    inputState.mouseX = 900; // top right: texture set 0
    inputState.mouseY = 10;
    std::string png = (work / "data" / "tex_sa.tex").string();
    AppMain::OnFileDropped(png.c_str());
    EXPECT_EQ(width(app.textureSets[0][1]), 8u);

    // A lost device brings the start-up files back.
    device->presentResults.push_back(D3DERR_DEVICELOST);
    Frame(app);
    ASSERT_NE(app.meshSlots[1].mesh, nullptr);
    EXPECT_EQ(app.meshSlots[1].mesh->GetNumFaces(), startFaces);
    EXPECT_EQ(width(app.textureSets[0][1]), 512u);
    app.OnTerm();
}

TEST_F(AppMainTest, AResetKeepsTheCameraTheEffectChoiceAndTheFrameCount) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    Click(app, app.postButton); // plain effect from now on
    app.camPos = D3DXVECTOR3(5, 6, 7);
    std::int32_t frames = app.frameCounter;
    device->presentResults.push_back(D3DERR_DEVICELOST);
    Frame(app);
    EXPECT_EQ(app.sceneResource, 10000);
    EXPECT_EQ(app.camPos, D3DXVECTOR3(5, 6, 7));
    EXPECT_EQ(app.frameCounter, frames + 1);
    // The reset cleared the device's transforms; the projection is back.
    D3DXMATRIX projection;
    device->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_EQ(projection, app.projMatrix);
    EXPECT_EQ(projection.m[2][3], 1.0f); // a perspective, not the identity
    EXPECT_NE(app.sceneTexture, nullptr);
    D3DSURFACE_DESC desc;
    app.halfATexture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 512u);
    EXPECT_EQ(desc.Height, 384u);
    EXPECT_TRUE(Messages().empty());
    app.OnTerm();
}

TEST_F(AppMainTest, AResetThatCannotReloadTheDataKeepsDrawingWhatItCan) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    fs::remove(work / "data" / "solid.x");
    device->presentResults.push_back(D3DERR_DEVICELOST);
    Frame(app);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Failed|Failed: Load Mesh from X"});
    EXPECT_EQ(app.sceneTexture, nullptr); // the steps after the mesh never ran
    // Later frames draw without post-processing and without crashing.
    size_t from = device->calls.size();
    Frame(app);
    Frame(app);
    EXPECT_TRUE(After(*device, "SetRenderTarget", from).empty());
    EXPECT_EQ(After(*device, "Present", from).size(), 2u);
    app.OnTerm();
}

TEST_F(AppMainTest, AFailedSceneEffectAfterAToggleFallsBackToFixedFunction) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    device->failShaderCreations = 1;
    Click(app, app.postButton);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].rfind("HLSL Error|Failed: Create Shader\n\n", 0), 0u);
    EXPECT_EQ(app.sceneEffect, nullptr);
    size_t from = device->calls.size();
    Frame(app);
    EXPECT_EQ(After(*device, "SetMaterial", from).size(), 25u);
    EXPECT_EQ(After(*device, "Present", from).size(), 1u);
    app.OnTerm();
}

namespace {

std::string CubeFile() {
    return std::string(ZQ_SOURCE_DIR) + "/tests/utility/xfile/data/assimp_cube_text/cube_text.x";
}

UINT DiffuseWidth(AppMain& app, int set) {
    D3DSURFACE_DESC desc{};
    app.textureSets[set][kDiffuse]->GetLevelDesc(0, &desc);
    return desc.Width;
}

} // namespace

TEST_F(AppMainTest, StartOptionsActAsTheButtonsWouldHaveDone) {
    AppMain app;
    app.options.gridSize = 8;
    app.options.fixedShading = true;
    app.options.postProcessingOff = true;
    ASSERT_TRUE(Start(app));
    EXPECT_STREQ(app.gridButton.label.text, "8");
    EXPECT_STREQ(app.shadingButton.label.text, "Fixed");
    EXPECT_STREQ(app.postButton.label.text, "PP Disable");
    EXPECT_EQ(app.sceneResource, 10000);
    size_t from = device->calls.size();
    Frame(app);
    EXPECT_EQ(After(*device, "SetMaterial", from).size(), 64u);
    // The next click goes on from there.
    Click(app, app.gridButton);
    EXPECT_STREQ(app.gridButton.label.text, "9");
    Click(app, app.postButton);
    EXPECT_EQ(app.sceneResource, 10001);
    EXPECT_TRUE(Messages().empty());
    app.OnTerm();
}

TEST_F(AppMainTest, NamedFilesReplaceTheSlotsInOrderAfterTheDefaultData) {
    AppMain app;
    app.options.meshFiles = {CubeFile()};
    app.options.textureFiles = {(work / "data" / "null_sa.tex").string(),
                                (work / "data" / "null_np.tex").string()};
    ASSERT_TRUE(Start(app));
    ASSERT_NE(app.meshSlots[0].mesh, nullptr);
    EXPECT_EQ(app.meshSlots[0].mesh->GetNumFaces(), 12u);
    EXPECT_GT(app.meshSlots[1].mesh->GetNumFaces(), 12u); // the default character
    EXPECT_EQ(DiffuseWidth(app, 0), 8u);
    EXPECT_EQ(DiffuseWidth(app, 1), 8u);
    EXPECT_TRUE(app.namedFilesLoaded);
    EXPECT_TRUE(app.failureNotice.empty());
    app.OnTerm();

    // A named file that cannot be read leaves its slot as a drop would.
    AppMain failing;
    failing.options.meshFiles = {CubeFile(), (work / "missing.x").string()};
    ASSERT_TRUE(Start(failing));
    EXPECT_EQ(failing.meshSlots[0].mesh->GetNumFaces(), 12u);
    EXPECT_EQ(failing.meshSlots[1].mesh, nullptr);
    EXPECT_FALSE(failing.namedFilesLoaded);
    EXPECT_EQ(failing.failureNotice.rfind("Could not load missing.x: ", 0), 0u)
        << failing.failureNotice;
    EXPECT_TRUE(Messages().empty());
    failing.OnTerm();
}

TEST_F(AppMainTest, AFailedDropSaysWhichFileForAFewSeconds) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    inputState.mouseX = 100; // top left: mesh slot 0
    inputState.mouseY = 100;
    AppMain::OnFileDropped((work / "broken.x").c_str());
    EXPECT_EQ(app.meshSlots[0].mesh, nullptr); // as a failed drop always left it
    EXPECT_EQ(app.failureNotice.rfind("Could not load broken.x: ", 0), 0u);
    Frame(app);
    EXPECT_FALSE(app.failureNotice.empty());
    scripted.now += 5000;
    Frame(app);
    EXPECT_TRUE(app.failureNotice.empty());
    EXPECT_TRUE(Messages().empty());
    app.OnTerm();
}

// A name too long for the window gives way in its middle: its start, its
// extension and the whole reason stay on the screen.
TEST_F(AppMainTest, ALongNameInTheNoticeIsShortenedSoThatTheReasonShows) {
    std::string name; // 240 bytes, within what a file name may hold
    for (int i = 0; i < 14; ++i)
        name += "\xD1\x81\xD0\xBB\xD0\xBE\xD0\xBC\xD0\xB0\xD0\xBD_\xC3\xBC\xE6\xA8\xA1";
    name += ".x";
    std::ofstream(work / name) << "xof 0303txt 0032\n";
    AppMain app;
    ASSERT_TRUE(Start(app));
    inputState.mouseX = 100;
    inputState.mouseY = 100;
    AppMain::OnFileDropped((work / name).c_str());
    const std::string reason = ": the file holds no mesh";
    const std::string& notice = app.failureNotice;
    EXPECT_EQ(notice.rfind("Could not load \xD1\x81\xD0\xBB", 0), 0u) << notice;
    EXPECT_NE(notice.find("\xE2\x80\xA6"), std::string::npos) << notice;
    ASSERT_GT(notice.size(), reason.size() + 2);
    EXPECT_EQ(notice.substr(notice.size() - reason.size() - 2), ".x" + reason);
    RECT extent{0, 0, 0, 0};
    app.font->DrawTextA(nullptr, notice.c_str(), -1, &extent, DT_CALCRECT, 0);
    EXPECT_LE(extent.right, 1024 - 2 * 10);
    EXPECT_GT(extent.right, 1024 - 2 * 10 - 20); // no more room given up than a glyph's
    app.OnTerm();
}

// The real loop on the scripted clock: a drop whose load the test holds back
// for two seconds of frames.
TEST_F(AppMainTest, FramesKeepTheirPaceWithTheOldMeshWhileALoadIsUnderWay) {
    HeldLoad hold;
    AppMain app;
    app.loader = std::make_unique<ContentLoader>(hold.Preparer());
    app.dropWaitMs = 0;
    DWORD startFaces = 0;
    std::vector<int> fpsEachSecond;
    int framesHeld = 0, framesAfter = 0;
    bool dropped = false, opened = false;
    DWORD openedAt = 0, switchedAt = 0;
    // Over the bottom left quarter: mesh slot 1.
    scripted.cursor = POINT{scripted.clientOrigin.x + 100, scripted.clientOrigin.y + 700};
    scripted.onPump = [&] {
        if (!dropped && app.frameCounter >= 2) {
            dropped = true;
            startFaces = app.meshSlots[1].mesh->GetNumFaces();
            scripted.PostDrop(app.hwnd, {CubeFile()});
        }
    };
    std::int32_t lastFrame = 0;
    scripted.onSleep = [&] {
        if (app.frameCounter != lastFrame) {
            lastFrame = app.frameCounter;
            MeshObj& slot = app.meshSlots[1];
            bool switched = slot.mesh && slot.mesh->GetNumFaces() == 12u;
            if (!opened) {
                framesHeld += !switched && slot.mesh && slot.mesh->GetNumFaces() == startFaces;
            } else if (switched && !switchedAt) {
                switchedAt = scripted.now;
            }
            framesAfter += opened;
        }
        if (scripted.now >= DWORD(1000 * (fpsEachSecond.size() + 1)) + 20)
            fpsEachSecond.push_back(app.fps);
        if (!opened && scripted.now >= 2000) {
            ContentLoader::Activity activity;
            EXPECT_TRUE(app.loader->Busy(activity));
            EXPECT_EQ(activity.path, CubeFile());
            EXPECT_EQ(activity.target.slot, 1);
            opened = true;
            openedAt = scripted.now;
            hold.Open();
            app.loader->WaitIdle(ContentLoader::kForever);
        }
        if (scripted.now >= 4000)
            app.quit = true;
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_FALSE(hold.gaveWay) << "the frames waited for the load";
    EXPECT_GE(framesHeld, 110); // about two seconds of frames with the old mesh
    // The first second holds the start; the next ones are steady.
    ASSERT_GE(fpsEachSecond.size(), 3u);
    EXPECT_EQ(fpsEachSecond[1], 60);
    EXPECT_EQ(fpsEachSecond[2], 60);
    // The new mesh is in the slot on the frame after the load finished.
    ASSERT_NE(switchedAt, 0u);
    EXPECT_LE(switchedAt - openedAt, 17u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(AppMainTest, ALossOrTheEndDuringALoadLosesAndLeaksNothing) {
    HeldLoad hold;
    AppMain app;
    app.loader = std::make_unique<ContentLoader>(hold.Preparer());
    ASSERT_TRUE(Start(app));
    app.dropWaitMs = 0;
    inputState.mouseX = 100; // bottom left: mesh slot 1
    inputState.mouseY = 700;
    AppMain::OnFileDropped(CubeFile().c_str());
    ASSERT_TRUE(hold.WaitEntered(1));
    // The device is lost and made again while the file is read.
    device->presentResults.push_back(D3DERR_DEVICELOST);
    Frame(app);
    Frame(app);
    EXPECT_NE(app.sceneTexture, nullptr);
    hold.Open();
    app.loader->WaitIdle(ContentLoader::kForever);
    Frame(app);
    EXPECT_EQ(app.meshSlots[1].mesh->GetNumFaces(), 12u);

    // Quitting with a load held: the end does not wait for it.
    HeldLoad second;
    app.loader = std::make_unique<ContentLoader>(second.Preparer());
    AppMain::OnFileDropped(CubeFile().c_str());
    ASSERT_TRUE(second.WaitEntered(1));
    app.OnTerm();
    app.loader->WaitIdle(ContentLoader::kForever);
    EXPECT_EQ(second.cancelled, 1);
    EXPECT_FALSE(second.gaveWay);
    EXPECT_FALSE(hold.gaveWay);
}

TEST_F(AppMainTest, FittingScalesEachMeshSoItsSphereFillsOneCell) {
    AppMain app;
    app.options.meshFiles = {CubeFile()};
    app.options.fit = true;
    ASSERT_TRUE(Start(app));
    const AppMain::MeshBounds& cube = app.meshBounds[0];
    ASSERT_GT(cube.radius, 0.0f);
    for (float spacing : {80.0f, 96.0f}) {
        D3DXMATRIX base = app.InstanceBase(0, spacing);
        D3DXVECTOR3 centre, edge;
        D3DXVec3TransformCoord(&centre, &cube.centre, &base);
        D3DXVECTOR3 onSphere = cube.centre + D3DXVECTOR3(cube.radius, 0, 0);
        D3DXVec3TransformCoord(&edge, &onSphere, &base);
        EXPECT_NEAR(D3DXVec3Length(&centre), 0.0f, 1e-4f);
        EXPECT_NEAR(edge.x - centre.x, spacing / 2, 1e-3f);
    }
    // F turns it off: the meshes are drawn at the scale they always had.
    Hold('F', true);
    Frame(app);
    EXPECT_FALSE(app.fit);
    D3DXMATRIX plain = app.InstanceBase(1, 80.0f);
    EXPECT_EQ(plain._11, 20.0f);
    EXPECT_EQ(plain._41, 0.0f);
    Hold('F', false);
    Frame(app);
    Hold('F', true);
    Frame(app);
    EXPECT_TRUE(app.fit);
    app.OnTerm();
}

TEST_F(AppMainTest, APictureForAFileIsTakenAfterItsFramesAndEndsTheRun) {
    AppMain app;
    app.options.screenshotPath = (work / "shot.png").string();
    app.options.screenshotSize = 100;
    app.options.screenshotFrames = 3;
    ASSERT_TRUE(Start(app));
    Frame(app);
    Frame(app);
    EXPECT_FALSE(app.quit);
    EXPECT_FALSE(fs::exists(work / "shot.png"));
    Frame(app);
    EXPECT_TRUE(app.quit);
    EXPECT_EQ(app.exitStatus, 0);
    // A PNG of 100 x 75 pixels.
    std::ifstream png(work / "shot.png", std::ios::binary);
    unsigned char header[24] = {};
    png.read(reinterpret_cast<char*>(header), sizeof header);
    EXPECT_EQ(std::memcmp(header, "\x89PNG\r\n\x1a\n", 8), 0);
    EXPECT_EQ(header[19], 100);
    EXPECT_EQ(header[23], 75);
    app.OnTerm();

    // No picture when a named file could not be loaded.
    AppMain failing;
    failing.options.screenshotPath = (work / "none.png").string();
    failing.options.meshFiles = {(work / "missing.x").string()};
    ASSERT_TRUE(Start(failing));
    Frame(failing);
    Frame(failing);
    EXPECT_TRUE(failing.quit);
    EXPECT_EQ(failing.exitStatus, 1);
    EXPECT_FALSE(fs::exists(work / "none.png"));
    failing.OnTerm();
}

namespace {

// Two quads side by side: subset 0 in a white material that names a red
// texture (red.tga beside the file), subset 1 in a plain blue material;
// copied into `directory`.
std::string TwoMaterialFile(const fs::path& directory) {
    const fs::path model = fs::path(ZQ_SOURCE_DIR) / "tests/app/data/two_materials";
    for (const char* name : {"two.x", "red.tga"})
        fs::copy_file(model / name, directory / name, fs::copy_options::overwrite_existing);
    return (directory / "two.x").string();
}

// A drop of thousands of files must not cost a wait for each: its first
// file shows at once, the rest load behind the frames, each superseding the
// one before, and the last one dropped ends in the slot.
TEST_F(AppMainTest, ADropOfManyFilesWaitsOnlyForTheFirst) {
    HeldLoad hold;
    const std::string first = CubeFile();
    const std::string last = TwoMaterialFile(work);
    AppMain app;
    app.loader = std::make_unique<ContentLoader>([&](LoadResult& result) {
        if (result.request.path == first)
            PrepareContent(result);
        else
            hold.Preparer()(result);
    });
    ASSERT_TRUE(Start(app));
    Frame(app);
    inputState.mouseX = 100; // top left: mesh slot 0
    inputState.mouseY = 100;
    KvBase::WindowProc(app.hwnd, WM_DROPFILES,
                       reinterpret_cast<WPARAM>(MakeDrop({first, "./data/skin.x", last})), 0);
    EXPECT_FALSE(hold.gaveWay) << "a file after the first waited for its load";
    EXPECT_EQ(app.meshSlots[0].mesh->GetNumFaces(), 12u);
    hold.Open();
    app.loader->WaitIdle(ContentLoader::kForever);
    Frame(app);
    EXPECT_EQ(app.meshSlots[0].mesh->GetNumFaces(), 4u);
    app.OnTerm();
}

// For each indexed draw from call `from` on: the textures bound to stages 0
// to 3 as it was made.
std::vector<std::vector<double>> StagesOfDraws(const RecordingDevice& device, size_t from) {
    std::vector<double> stages(4, 0);
    std::vector<std::vector<double>> draws;
    for (size_t i = from; i < device.calls.size(); ++i) {
        const RecordedCall& c = device.calls[i];
        if (c.name == "SetTexture" && c.args[0] < 4)
            stages[size_t(c.args[0])] = c.args[1];
        else if (c.name == "DrawIndexedPrimitive")
            draws.push_back(stages);
    }
    return draws;
}

std::vector<double> MapsOf(const AppMain& app, int slot, DWORD subset) {
    std::vector<double> ids;
    for (IDirect3DTexture9* map : app.materialMaps[slot].Maps(subset).maps)
        ids.push_back(Id(map));
    return ids;
}

std::vector<double> SetOf(const AppMain& app, int slot) {
    std::vector<double> ids;
    for (IDirect3DTexture9* map : app.textureSets[slot])
        ids.push_back(Id(map));
    return ids;
}

} // namespace

TEST_F(AppMainTest, AMeshFromAFileShowsEachSubsetInItsOwnMaterialOnEitherPath) {
    AppMain app;
    app.options.gridSize = 1;
    app.options.meshFiles = {TwoMaterialFile(work)};
    ASSERT_TRUE(Start(app));
    ASSERT_EQ(app.meshSlots[0].materialCount, 2u);
    ASSERT_NE(app.meshSlots[0].materialTextures[0], nullptr);
    EXPECT_EQ(app.slotViews[0], AppMain::SlotView::Materials);
    EXPECT_EQ(app.slotViews[1], AppMain::SlotView::TextureSet); // the default data's

    // Through the scene effect: each subset with its material's four maps;
    // the white material's diffuse map is its texture itself.
    size_t from = device->calls.size();
    Frame(app);
    auto draws = StagesOfDraws(*device, from);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0], MapsOf(app, 0, 0));
    EXPECT_EQ(draws[1], MapsOf(app, 0, 1));
    EXPECT_EQ(draws[0][kDiffuse], Id(app.meshSlots[0].materialTextures[0]));
    EXPECT_NE(draws[0][kSpecular], draws[1][kSpecular]);
    EXPECT_EQ(draws[0][kNormalMap], draws[1][kNormalMap]);

    // Fixed function: each subset's material with its texture on stage 0,
    // none for the plain one.
    app.programmable = false;
    from = device->calls.size();
    Frame(app);
    draws = StagesOfDraws(*device, from);
    auto materials = After(*device, "SetMaterial", from);
    ASSERT_EQ(draws.size(), 2u);
    ASSERT_EQ(materials.size(), 2u);
    EXPECT_EQ(draws[0][0], Id(app.meshSlots[0].materialTextures[0]));
    EXPECT_EQ(draws[1][0], 0.0);
    const D3DMATERIAL9 blue = materials[1]->As<D3DMATERIAL9>();
    EXPECT_EQ(blue.Diffuse.b, 1.0f);
    EXPECT_EQ(blue.Emissive.b, 0.25f);
    EXPECT_EQ(materials[0]->As<D3DMATERIAL9>().Power, 20.0f);
    app.OnTerm();
}

TEST_F(AppMainTest, ViewsFollowWhatIsPutInASlotAndTheMKey) {
    AppMain app;
    ASSERT_TRUE(Start(app));
    using View = AppMain::SlotView;
    auto views = [&] { return std::vector<View>{app.slotViews[0], app.slotViews[1]}; };
    EXPECT_EQ(views(), (std::vector<View>{View::TextureSet, View::TextureSet}));
    // The default picture is the texture sets' one.
    size_t from = device->calls.size();
    Frame(app);
    auto draws = StagesOfDraws(*device, from);
    ASSERT_FALSE(draws.empty());
    EXPECT_EQ(draws[0], SetOf(app, 0));

    // A mesh dropped shows its materials; a texture set dropped on it shows
    // the set again.
    const std::string two = TwoMaterialFile(work);
    inputState.mouseX = 100; // bottom left: mesh 1
    inputState.mouseY = 700;
    AppMain::OnFileDropped(two.c_str());
    EXPECT_EQ(views(), (std::vector<View>{View::TextureSet, View::Materials}));
    inputState.mouseX = 900; // bottom right: texture set 1
    std::string set = (work / "data" / "tex.tex").string();
    AppMain::OnFileDropped(set.c_str());
    EXPECT_EQ(views(), (std::vector<View>{View::TextureSet, View::TextureSet}));

    // M: both to their materials, then both to their sets.
    inputState.mouseX = 100;
    AppMain::OnFileDropped(two.c_str());
    Hold('M', true);
    Frame(app);
    EXPECT_EQ(views(), (std::vector<View>{View::TextureSet, View::TextureSet}));
    Hold('M', false);
    Frame(app);
    Hold('M', true);
    from = device->calls.size();
    Frame(app);
    EXPECT_EQ(views(), (std::vector<View>{View::Materials, View::Materials}));
    // The default meshes have materials of their own too.
    draws = StagesOfDraws(*device, from);
    ASSERT_FALSE(draws.empty());
    EXPECT_EQ(draws[0], MapsOf(app, 0, 0));
    Hold('M', false);

    // A reset brings the start-up files back, and their view.
    device->presentResults.push_back(D3DERR_DEVICELOST);
    Frame(app);
    EXPECT_EQ(views(), (std::vector<View>{View::TextureSet, View::TextureSet}));
    EXPECT_EQ(app.materialMaps[0].Count(), app.meshSlots[0].materialCount);
    app.OnTerm();
}

TEST_F(AppMainTest, OptionsChooseTheViewsOfEverySlot) {
    using View = AppMain::SlotView;
    AppMain materials;
    materials.options.views = ViewerOptions::Views::Materials;
    ASSERT_TRUE(Start(materials));
    EXPECT_EQ(materials.slotViews[0], View::Materials);
    EXPECT_EQ(materials.slotViews[1], View::Materials);
    device->presentResults.push_back(D3DERR_DEVICELOST);
    Frame(materials);
    EXPECT_EQ(materials.slotViews[1], View::Materials) << "after a reset too";
    materials.OnTerm();

    AppMain sets;
    sets.options.views = ViewerOptions::Views::TextureSets;
    sets.options.meshFiles = {TwoMaterialFile(work)};
    ASSERT_TRUE(Start(sets));
    EXPECT_EQ(sets.meshSlots[0].materialCount, 2u);
    EXPECT_EQ(sets.slotViews[0], View::TextureSet);
    sets.OnTerm();
}

TEST_F(AppMainTest, APictureOfANamedModelReadsNoDefaultDataItDoesNotShow) {
    // Without the default meshes and texture sets, the window cannot start;
    // a picture of one named model never opens them.
    for (const char* name : {"solid.x", "skin.x", "tex.tex", "tex_np.tex", "tex_sa.tex",
                             "tex_ea.tex", "stex.tex", "stex_np.tex", "stex_sa.tex", "stex_ea.tex"})
        fs::remove(work / "data" / name);
    const std::string model = TwoMaterialFile(work);
    for (bool thumbnail : {true, false}) {
        SCOPED_TRACE(thumbnail ? "thumbnail" : "screenshot of one instance");
        AppMain app;
        app.options.meshFiles = {model};
        app.options.screenshotPath = (work / "picture.png").string();
        app.options.screenshotFrames = 1;
        app.options.gridSize = 1;
        app.options.thumbnail = thumbnail;
        app.options.screenshotSize = 64;
        ASSERT_TRUE(Start(app));
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(app.meshSlots[1].mesh, nullptr);
        EXPECT_EQ(app.textureSets[0][0], nullptr);
        Frame(app);
        EXPECT_TRUE(app.quit);
        EXPECT_EQ(app.exitStatus, 0);
        EXPECT_TRUE(fs::exists(work / "picture.png"));
        app.OnTerm();
        fs::remove(work / "picture.png");
    }
    // A picture of the whole grid shows the default character beside the
    // model, so it needs the default data.
    AppMain grid;
    grid.options.meshFiles = {model};
    grid.options.screenshotPath = (work / "picture.png").string();
    EXPECT_FALSE(Start(grid));
    grid.OnTerm();
}

namespace {

// Two boxes, one on the other; the upper (vertices 8 to 15) turns about z
// round (0, 1, 0), a quarter turn in the one second of set 1, "Swing"; set
// 2, "Lift", raises both by one in two seconds.
std::string ArmFile() {
    return (fs::path(ZQ_SOURCE_DIR) / "tests/app/data/animated/arm.x").string();
}

// Vertex 12 of the arm, (-0.25, 2, -0.25) at rest, `seconds` into Swing.
D3DXVECTOR3 SwungTop(double seconds) {
    const float a = float(seconds * D3DX_PI / 2);
    return {-0.25f * std::cos(a) - std::sin(a), 1 - 0.25f * std::sin(a) + std::cos(a), -0.25f};
}

D3DXVECTOR3 Position(ID3DXMesh* mesh, DWORD vertex) {
    void* bytes = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &bytes), D3D_OK);
    D3DXVECTOR3 position;
    std::memcpy(&position, static_cast<const char*>(bytes) + vertex * mesh->GetNumBytesPerVertex(),
                sizeof position);
    mesh->UnlockVertexBuffer();
    return position;
}

::testing::AssertionResult Near(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    if (std::fabs(a.x - b.x) < 1e-4f && std::fabs(a.y - b.y) < 1e-4f &&
        std::fabs(a.z - b.z) < 1e-4f)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") is not ("
                                         << b.x << ", " << b.y << ", " << b.z << ")";
}

} // namespace

TEST_F(AppMainTest, AnAnimatedModelPlaysItsFirstSetAndTheKeysControlIt) {
    AppMain app;
    app.options.meshFiles = {ArmFile()};
    ASSERT_TRUE(Start(app));
    SlotAnimation& arm = app.slotAnimations[0];
    ASSERT_TRUE(arm.Active());
    EXPECT_FALSE(app.slotAnimations[1].Active()); // the default data stands still
    ID3DXMesh* mesh = app.meshSlots[0].mesh;
    EXPECT_TRUE(Near(Position(mesh, 12), SwungTop(0)));
    EXPECT_EQ(arm.Status(0), "mesh 0: Swing (1/2) 0.00 / 1.00 s, x1");

    // Each frame moves it by the time gone by: 17 ms a frame here.
    for (int i = 0; i < 10; ++i)
        Frame(app);
    EXPECT_NEAR(arm.clock.Time(), 0.17, 1e-9);
    EXPECT_TRUE(Near(Position(mesh, 12), SwungTop(0.17)));

    // P pauses; '.' steps a thirtieth on and stays paused.
    Hold('P', true);
    Frame(app);
    Hold('P', false);
    Frame(app);
    Frame(app);
    EXPECT_NEAR(arm.clock.Time(), 0.17, 1e-9);
    Hold(VK_OEM_PERIOD, true);
    Frame(app);
    Hold(VK_OEM_PERIOD, false);
    EXPECT_NEAR(arm.clock.Time(), 0.17 + 1.0 / 30, 1e-9);
    EXPECT_TRUE(Near(Position(mesh, 12), SwungTop(0.17 + 1.0 / 30)));
    EXPECT_EQ(arm.Status(0), "mesh 0: Swing (1/2) 0.20 / 1.00 s, x1, paused");

    // ']' goes to the next set from its start, '=' doubles, L plays once.
    for (int vk : {VK_OEM_6, VK_OEM_PLUS, int('L')}) {
        Hold(vk, true);
        Frame(app);
        Hold(vk, false);
    }
    EXPECT_EQ(arm.Status(0), "mesh 0: Lift (2/2) 0.00 / 2.00 s, x2, paused, once");
    Hold('P', true);
    Frame(app);
    Hold('P', false);
    for (int i = 0; i < 100; ++i)
        Frame(app);
    EXPECT_EQ(arm.Status(0), "mesh 0: Lift (2/2) 2.00 / 2.00 s, x2, paused, once");
    EXPECT_TRUE(Near(Position(mesh, 0), {-0.25f, 1, -0.25f}));

    // A reset brings back the default mesh, which does not move.
    device->presentResults.push_back(D3DERR_DEVICELOST);
    Frame(app);
    EXPECT_FALSE(arm.Active());
    app.OnTerm();
}

TEST_F(AppMainTest, OptionsChooseTheSetTheTimeOrNoAnimation) {
    AppMain lifted;
    lifted.options.meshFiles = {ArmFile()};
    lifted.options.animation = "Lift";
    lifted.options.animationTime = 1;
    lifted.options.animationSpeed = 0.5;
    ASSERT_TRUE(Start(lifted));
    EXPECT_EQ(lifted.slotAnimations[0].Status(0), "mesh 0: Lift (2/2) 1.00 / 2.00 s, x0.5");
    EXPECT_TRUE(Near(Position(lifted.meshSlots[0].mesh, 0), {-0.25f, 0.5f, -0.25f}));
    lifted.OnTerm();

    AppMain still;
    still.options.meshFiles = {ArmFile()};
    still.options.animate = false;
    ASSERT_TRUE(Start(still));
    EXPECT_FALSE(still.slotAnimations[0].Active());
    Frame(still);
    EXPECT_TRUE(Near(Position(still.meshSlots[0].mesh, 12), {-0.25f, 2, -0.25f}));
    still.OnTerm();

    // A set the file lacks: the window plays the first; a picture is not
    // taken of it.
    for (bool picture : {false, true}) {
        AppMain missing;
        missing.options.meshFiles = {ArmFile()};
        missing.options.animation = "Jump";
        if (picture)
            missing.options.screenshotPath = (work / "jump.png").string();
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(Start(missing));
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(": " + ArmFile() + ": it has no animation set \"Jump\"" +
                            (picture ? "\n" : "; its first set plays\n")),
                  std::string::npos)
            << said;
        EXPECT_EQ(missing.namedFilesLoaded, !picture);
        EXPECT_EQ(missing.slotAnimations[0].Status(0).rfind("mesh 0: Swing (1/2)", 0), 0u);
        missing.OnTerm();
    }
}

TEST_F(AppMainTest, AModelWhosePartsMoveOnTheirFramesPlaysToo) {
    // A quad on frame Blade, one to the side of frame Hub at the top, which
    // turns half a turn about y in one second (100 ticks a second).
    std::ofstream(work / "rotor.x")
        << "xof 0303txt 0032\nAnimTicksPerSecond { 100; }\n"
           "Frame Hub { Frame Blade {\n"
           " FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,0,0,1;; }\n"
           " Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,3,2;, 3;0,2,1;; } } }\n"
           "AnimationSet Spin { Animation { { Hub } AnimationKey { 0; 2;\n"
           " 0; 4; 1,0,0,0;;, 100; 4; 0,0,1,0;;; } } }\n";
    AppMain app;
    app.options.meshFiles = {(work / "rotor.x").string()};
    app.options.animationTime = 0.5;
    ASSERT_TRUE(Start(app));
    ASSERT_TRUE(app.slotAnimations[0].Active());
    // A quarter turn about y takes (x, y, z) to (-z, y, x) in this
    // left-handed frame: the quad's corner (2, 1, 0) goes to (0, 1, 2)...
    // written as the loader places it, one to the side: (1, 0, 0) + corner.
    EXPECT_TRUE(Near(Position(app.meshSlots[0].mesh, 2), {0, 1, -2}));
    app.OnTerm();
}

TEST_F(AppMainTest, TheSharedPistolSwaysOnItsJoint) {
    const std::string pistol =
        (fs::path(ZQ_SOURCE_DIR) / "tests/utility/xfile/data/b3d_pistol/pistol.x").string();
    auto positions = [&](double seconds) {
        AppMain app;
        app.options.meshFiles = {pistol};
        app.options.animationTime = seconds;
        EXPECT_TRUE(Start(app));
        EXPECT_TRUE(app.slotAnimations[0].Active());
        ID3DXMesh* mesh = app.meshSlots[0].mesh;
        std::vector<D3DXVECTOR3> found;
        for (DWORD i = 0; mesh && i < mesh->GetNumVertices(); ++i)
            found.push_back(Position(mesh, i));
        app.OnTerm();
        return found;
    };
    // The set sways the gun about joint1: upright at 0.97 s, tilted by 4
    // degrees at 1.47 s; its far end, 3.2 from the joint, moves by 0.2.
    const std::vector<D3DXVECTOR3> upright = positions(0.97), tilted = positions(1.47);
    ASSERT_EQ(upright.size(), tilted.size());
    ASSERT_FALSE(upright.empty());
    float moved = 0;
    for (size_t i = 0; i < upright.size(); ++i) {
        const D3DXVECTOR3 d = tilted[i] - upright[i];
        moved = std::max(moved, D3DXVec3Length(&d));
    }
    EXPECT_GT(moved, 0.1f);
    EXPECT_LT(moved, 0.3f);
}
