// Every row of the engine's track table, from a track file to where the row says its value
// lands (a uniform of the reader's program, the view, the sun), each with a value of its own
// so crossed wires show. Other camera modes: CameraTest; the post chain's switches: PostProcessorTest.
#include "objects/OceanGrid.h"
#include "objects/SkyScattering.h"
#include "scene/ViewMath.h"
#include "sync/EngineTracks.h"

#include "GlContext.h"

#include <glm/gtc/type_ptr.hpp>

#include <cstring>
#include <iterator>

namespace {
// One object of each class that reads tracks, made by the scene script: the
// class as the table's reader names it, and the script's constructor.
const std::pair<std::string, const char*> kReaders[] = {
    {"GridObject", "object.new('grid')"},
    {"SkyDome", "object.new('skydome', 4, 8, 100)"},
    {"NeedleObject", "object.new('needle')"},
    {"FlakeObject", "object.new('flake')"},
    {"ParticleCloud", "object.new('particleCloud', 16, vector3.new(1, 1, 1))"},
    {"SeaFloorGrid", "object.new('seaFloorGrid', 8, 1)"},
    {"OceanGrid", "object.new('ocean', 8, 1, 1, 11, 1, 0.35)"},
};
constexpr float kTime = 1.5f;

// Objects give their program back after drawing: the last one they used is caught on its way in.
PFNGLUSEPROGRAMPROC realUseProgram = nullptr;
GLuint lastProgram = 0;
void GLAPIENTRY recordUseProgram(GLuint program) {
    if (program != 0) lastProgram = program;
    realUseProgram(program);
}

// Every track's value at row 0: distinct, so a crossed wire reads another's.
float valueOf(size_t row) { return 0.5f + 0.25f * static_cast<float>(row); }

void expectMatrix(const glm::mat4& got, const glm::mat4& want) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) EXPECT_NEAR(got[c][r], want[c][r], 1e-5f) << "column " << c << ", row " << r;
}

class TrackTable : public ::testing::Test {
protected:
    void SetUp() override {
        test::copyShow(dir, test::standardConfig(160, 90, 0, false), true);
        std::string script = "function build()\n"
                             "  buffer = object.new('sceneBuffer', 160, 90, 1, true, 'RGBA', 0)\n"
                             "  scene.getRoot():addChild(buffer)\n";
        for (const auto& reader : kReaders) script += std::string("  buffer:addChild(") + reader.second + ")\n";
        script += "  return true\nend\nfunction update(step) end\n"
                  "function render(t) scene.getRoot():render(t) scene.postProcessBufferNode(buffer) end\n";
        test::writeFile(dir.file("res/scripts/scene.lua"), script);
        for (size_t i = 0; i < kEngineTrackCount; ++i) {
            const std::string name = kEngineTracks[i].name;
            std::vector<SyncKey> keys = {{0, valueOf(i), Step}};
            // Row 1: the orbit, twice the sideways displacement and the plain normals.
            if (name == tracks::kCameraMode) keys = {{0, 0.0f, Step}, {1, 1.0f, Step}};
            if (name == tracks::kDisplacementScale) keys.push_back({1, 2.0f * valueOf(i), Step});
            if (name == tracks::kOceanGoodNormals) keys.push_back({1, -1.0f, Step});
            test::writeTrack(dir.file("res/sync"), name, keys);
        }
        ASSERT_TRUE(workingDir.enter(dir.path()));
        ASSERT_TRUE(engine.initialize());
        engine.stopAudio();
        engine.audioDevice = std::make_unique<test::RowClock>();
        rows = static_cast<test::RowClock*>(engine.audioDevice.get());
        engine.syncDevice.shutdown();
        ASSERT_TRUE(engine.syncDevice.init(rows));
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        engine.shutdown();
    }
    void frameAt(int row) {
        rows->position = static_cast<float>(row);
        engine.syncDevice.update();
        engine.scene.frame(kTime);
    }

    test::TempDir dir;
    test::WorkingDir workingDir;
    Engine engine;
    test::RowClock* rows = nullptr;
};
} // namespace

TEST_F(TrackTable, EveryTrackReachesWhatTheTableSaysItFeeds) {
    frameAt(0);
    glm::vec4 camera[3];  // Camera.Mode 0's focus and eye, Camera.Mode 1's orbit
    glm::vec3 sun;
    for (size_t i = 0; i < kEngineTrackCount; ++i) {
        const EngineTrack& t = kEngineTracks[i];
        if (t.feed == TrackFeed::Sun) sun[t.component] = valueOf(i);
        if (t.feed != TrackFeed::Camera) continue;
        camera[std::strcmp(t.target, "focus") == 0 ? 0 : std::strcmp(t.target, "eye") == 0 ? 1 : 2][t.component] = valueOf(i);
    }
    expectMatrix(engine.scene.view, ViewMath::lookAtView(glm::vec3(camera[1]), glm::vec3(camera[0])));
    test::expectNear(engine.scene.sunPosition, ViewMath::sunPosition(sun[0], sun[1], sun[2]), 1e-4f);

    // Each reader's uniforms: in whichever of the post chain's programs declares
    // them, and in each object's program, the last it used when it draws alone.
    const PostProcessor& post = engine.scene.postProcessor;
    const std::vector<SceneObject*>& objects = engine.scene.root->children.at(0)->children;
    ASSERT_EQ(objects.size(), std::size(kReaders));
    std::vector<int> readers(kEngineTrackCount, 0);
    for (size_t r = 0; r <= objects.size(); ++r) {
        std::vector<GLuint> programs = {post.mixProgram.program, post.highPassProgram.program, post.blurProgram.program};
        const std::string reader = r == 0 ? "PostProcessor" : kReaders[r - 1].first;
        if (r > 0) {
            realUseProgram = glUseProgram;
            glUseProgram = recordUseProgram;
            lastProgram = 0;
            objects[r - 1]->render(kTime, &test::kIdentity);
            glUseProgram = realUseProgram;
            programs = {lastProgram};
        }
        for (size_t i = 0; i < kEngineTrackCount; ++i) {
            const EngineTrack& t = kEngineTracks[i];
            if (t.feed != TrackFeed::Uniform || !std::strstr(t.reader, (reader + "::").c_str())) continue;
            ++readers[i];
            const auto p = std::find_if(programs.begin(), programs.end(),
                                        [&](GLuint c) { return c != 0 && glGetUniformLocation(c, t.target) >= 0; });
            ASSERT_NE(p, programs.end()) << t.name << ": no " << t.target << " in the program of " << reader;
            float got[16] = {};
            glGetUniformfv(*p, glGetUniformLocation(*p, t.target), got);
            const glm::vec3 mie = totalMie(valueOf(i));  // the sky's aerosol scattering passes through a formula
            if (t.component >= 0) EXPECT_FLOAT_EQ(got[t.component], valueOf(i)) << t.name << " in " << reader;
            else test::expectNear(glm::make_vec3(got), mie, 1e-6f * glm::length(mie));
        }
    }
    for (size_t i = 0; i < kEngineTrackCount; ++i)
        EXPECT_TRUE(readers[i] > 0 || kEngineTracks[i].feed != TrackFeed::Uniform) << kEngineTracks[i].name;

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
    // Camera.Mode 1: the orbit, and its eye (which the shaders get) at its distance on the z axis.
    expectMatrix(engine.scene.view, ViewMath::orbitView(camera[2][0], camera[2][1], camera[2][2], camera[2][3]));
    test::expectNear(engine.scene.cameraPosition, glm::vec3(0.0f, 0.0f, camera[2][0]), 1e-4f);
}
