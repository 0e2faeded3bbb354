// Every row of the engine's track table, followed from a track file to where the
// row says its value lands: a uniform of the reader's program, the camera's view,
// the sun. Each track holds a value of its own, so two crossed wires show.
// Camera.Mode's other modes and Camera.PathProgress are followed in CameraTest;
// the post chain's switches in PostProcessorTest.
#include "objects/OceanGrid.h"
#include "objects/SkyScattering.h"
#include "scene/ViewMath.h"
#include "sync/EngineTracks.h"

#include "GlContext.h"

#include <cstring>
#include <iterator>

namespace {
// One object of each class that reads tracks, made by the scene script.
struct Reader {
    const char* className;  // as the table's reader names it
    const char* make;       // the script's constructor
};
const Reader kReaders[] = {
    {"GridObject", "object.new('grid')"},
    {"SkyDome", "object.new('skydome', 4, 8, 100)"},
    {"NeedleObject", "object.new('needle')"},
    {"FlakeObject", "object.new('flake')"},
    {"ParticleCloud", "object.new('particleCloud', 16, vector3.new(1, 1, 1))"},
    {"SeaFloorGrid", "object.new('seaFloorGrid', 8, 1)"},
    {"OceanGrid", "object.new('ocean', 8, 1, 1, 11, 1, 0.35)"},
};
constexpr float kTime = 1.5f;

// Every track's value at row 0: distinct, so a crossed wire reads another's.
float valueOf(size_t row) { return 0.5f + 0.25f * static_cast<float>(row); }

void expectMatrix(const glm::mat4& got, const glm::mat4& want) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) EXPECT_NEAR(got[c][r], want[c][r], 1e-5f) << "column " << c << ", row " << r;
}

bool readBy(const EngineTrack& t, const char* className) {
    return std::strstr(t.reader, (std::string(className) + "::").c_str()) != nullptr;
}

// The uniform's first four components; empty when the program has no such active uniform.
std::vector<float> uniformOf(GLuint program, const char* name) {
    const GLint location = glGetUniformLocation(program, name);
    if (program == 0 || location < 0) return {};
    float value[16] = {};
    glGetUniformfv(program, location, value);
    return {value, value + 4};
}

class TrackTable : public ::testing::Test {
protected:
    void SetUp() override {
        test::copyShow(dir, test::standardConfig(160, 90, 0, false), true);
        std::string script = "function build()\n"
                             "  buffer = object.new('sceneBuffer', 160, 90, 1, true, 'RGBA', 0)\n"
                             "  scene.getRoot():addChild(buffer)\n";
        for (const Reader& reader : kReaders) script += std::string("  buffer:addChild(") + reader.make + ")\n";
        script += "  return true\nend\nfunction update(step) end\n"
                  "function render(t) scene.getRoot():render(t) scene.postProcessBufferNode(buffer) end\n";
        test::writeFile(dir.file("res/scripts/scene.lua"), script);
        // Row 0 holds every track at a value of its own (Camera.Mode 0); later rows
        // change what a second look needs.
        const std::string sync = dir.file("res/sync");
        auto later = [&](const char* name, int row, float value) {
            test::writeTrack(sync, name, {{0, valueOf(index(name)), Step}, {row, value, Step}});
        };
        for (size_t i = 0; i < kEngineTrackCount; ++i)
            test::writeTrack(sync, kEngineTracks[i].name, {{0, valueOf(i), Step}});
        test::writeTrack(sync, tracks::kCameraMode, {{0, 0.0f, Step}, {1, 1.0f, Step}});
        // Row 1: twice the sideways displacement, and the plain normals.
        later(tracks::kDisplacementScale, 1, 2.0f * valueOf(index(tracks::kDisplacementScale)));
        later(tracks::kOceanGoodNormals, 1, -1.0f);
        // Row 2: the orbit at distance 10 with every angle 0.
        later(tracks::kCameraDistance, 2, 10.0f);
        for (const char* angle : {tracks::kCameraPitch, tracks::kCameraYaw, tracks::kCameraRoll}) later(angle, 2, 0.0f);

        ASSERT_TRUE(workingDir.enter(dir.path()));
        ASSERT_TRUE(engine.initialize());
        engine.stopAudio();
        auto clock = std::make_unique<test::RowClock>();
        rows = clock.get();
        engine.audioDevice = std::move(clock);
        engine.syncDevice.shutdown();
        ASSERT_TRUE(engine.syncDevice.init(rows));
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        engine.shutdown();
    }

    static size_t index(const char* name) {
        for (size_t i = 0; i < kEngineTrackCount; ++i)
            if (std::strcmp(kEngineTracks[i].name, name) == 0) return i;
        ADD_FAILURE() << name << " is not in the table";
        return 0;
    }
    void frameAt(int row) {
        rows->position = static_cast<float>(row);
        engine.syncDevice.update();
        engine.scene.frame(kTime);
    }
    // Expects the row's uniform in `program` to hold the row's value.
    void expectUniform(size_t i, GLuint program, const char* where) {
        const EngineTrack& t = kEngineTracks[i];
        const std::vector<float> got = uniformOf(program, t.target);
        ASSERT_FALSE(got.empty()) << t.name << ": no " << t.target << " in the program of " << where;
        if (t.component >= 0) {
            EXPECT_FLOAT_EQ(got[static_cast<size_t>(t.component)], valueOf(i)) << t.name << " in " << where;
        } else {  // the sky's aerosol scattering: the one value that passes through a formula
            const glm::vec3 mie = totalMie(valueOf(i));
            test::expectNear(glm::vec3(got[0], got[1], got[2]), mie, 1e-6f * glm::length(mie));
        }
    }

    test::TempDir dir;
    test::WorkingDir workingDir;
    Engine engine;
    test::RowClock* rows = nullptr;
};
} // namespace

TEST_F(TrackTable, EveryTrackReachesWhatTheTableSaysItFeeds) {
    frameAt(0);
    std::vector<int> checked(kEngineTrackCount, 0);
    // The post chain: each uniform in whichever of its programs declares it.
    const PostProcessor& post = engine.scene.postProcessor;
    for (size_t i = 0; i < kEngineTrackCount; ++i) {
        const EngineTrack& t = kEngineTracks[i];
        if (!readBy(t, "PostProcessor") || t.feed != TrackFeed::Uniform) continue;
        GLuint program = 0;
        for (const ShaderProgram* p : {&post.mixProgram, &post.highPassProgram, &post.blurProgram})
            if (glGetUniformLocation(p->program, t.target) >= 0) program = p->program;
        expectUniform(i, program, "the post chain");
        ++checked[i];
    }
    // Camera.Mode 0 and the sun, from this frame; the values as the table routes them.
    glm::vec3 focus, eye, sun;
    glm::vec4 orbit;
    for (size_t i = 0; i < kEngineTrackCount; ++i) {
        const EngineTrack& t = kEngineTracks[i];
        const std::string target = t.target;
        float* into = t.feed == TrackFeed::Sun ? &sun[t.component]
                      : t.feed != TrackFeed::Camera ? nullptr
                      : target == "focus"           ? &focus[t.component]
                      : target == "eye"             ? &eye[t.component]
                                                    : &orbit[t.component];
        if (!into) continue;
        *into = valueOf(i);
        ++checked[i];
    }
    expectMatrix(engine.scene.view, ViewMath::lookAtView(eye, focus));
    test::expectNear(glm::vec3(glm::inverse(engine.scene.view)[3]), eye, 1e-4f);
    test::expectNear(engine.scene.sunPosition, ViewMath::sunPosition(sun[0], sun[1], sun[2]), 1e-4f);
    EXPECT_NEAR(glm::length(engine.scene.sunPosition), sun[0], 1e-4f);

    // Each object drawn alone: its program is the one in use after its render.
    const std::vector<SceneObject*>& objects = engine.scene.root->children.at(0)->children;
    ASSERT_EQ(objects.size(), std::size(kReaders));
    for (size_t r = 0; r < objects.size(); ++r) {
        objects[r]->render(kTime, &test::kIdentity);
        GLint program = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        for (size_t i = 0; i < kEngineTrackCount; ++i) {
            const EngineTrack& t = kEngineTracks[i];
            if (t.feed != TrackFeed::Uniform || !readBy(t, kReaders[r].className)) continue;
            expectUniform(i, static_cast<GLuint>(program), kReaders[r].className);
            ++checked[i];
        }
    }
    for (size_t i = 0; i < kEngineTrackCount; ++i)
        EXPECT_TRUE(checked[i] > 0 || kEngineTracks[i].feed == TrackFeed::Control) << kEngineTracks[i].name;

    // The waves: twice the displacement scale doubles the sideways displacement
    // and leaves the heights; turning the good normals off changes the normals.
    auto* ocean = static_cast<OceanGrid*>(objects.back());
    const std::vector<OceanVertex> before = ocean->waves.vertexData();
    frameAt(1);
    const std::vector<OceanVertex>& after = ocean->waves.vertexData();
    ASSERT_EQ(before.size(), after.size());
    float normalChange = 0.0f;
    for (size_t v = 0; v < before.size(); ++v) {
        test::expectNear(after[v].displacement, before[v].displacement * glm::vec3(2, 1, 2), 1e-5f);
        normalChange += glm::length(after[v].normal - before[v].normal);
    }
    EXPECT_GT(normalChange, 1e-3f);

    // Camera.Mode 1: the orbit, and at distance 10 with the angles 0 the eye on the z axis.
    expectMatrix(engine.scene.view, ViewMath::orbitView(orbit[0], orbit[1], orbit[2], orbit[3]));
    frameAt(2);
    test::expectNear(engine.scene.cameraPosition, glm::vec3(0.0f, 0.0f, 10.0f), 1e-4f);
}
