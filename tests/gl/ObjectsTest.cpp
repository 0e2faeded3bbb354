// Scene objects on the real driver: each class draws with its own program only
// once built (never built, it leaves the window's picture as it was), stays
// finite without any sun tracks, and gives its GL objects back;
// the sky box, the ocean and the sphere pick the scene's cube buffer (a cubemap
// debug object painting its faces) over their own textures; each cube face renders
// with that face's camera; buffers the driver refuses and models that are missing
// or do not fit their class fail the build with their lines.
#include "gfx/FrameBuffer.h"
#include "objects/BoidsObject.h"
#include "objects/CameraObject.h"
#include "objects/CubemapDebug.h"
#include "objects/DiamondObject.h"
#include "objects/FlakeObject.h"
#include "objects/GridObject.h"
#include "objects/ModelObject.h"
#include "objects/NeedleObject.h"
#include "objects/OceanGrid.h"
#include "objects/ParticleCloud.h"
#include "objects/RadialGrid.h"
#include "objects/RingObject.h"
#include "objects/SkyBox.h"
#include "objects/SkyDome.h"
#include "objects/SphereObject.h"
#include "objects/TexturedModel.h"
#include "objects/UnderseaObjects.h"
#include "objects/WireframeCubeObject.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"
#include "scene/ViewMath.h"
#include "script/ScriptModule.h"

#include "GlContext.h"

#include <glm/gtc/type_ptr.hpp>
#include <stb/stb_image_write.h>

#include <map>
#include <set>

namespace {
constexpr int kSize = 256;

// An off-screen colour and depth target, read back as floats.
struct Target : FrameBuffer {
    Target(int size, GLenum format) { EXPECT_TRUE(create(size, size, 1, true, format, 0)); }
    ~Target() { destroy(); }
    // Clears to green (no object's colour), renders `object` and returns RGBA floats, bottom row first.
    std::vector<float> draw(SceneObject& object) {
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        bind(true);
        object.render(0.5f, &test::kIdentity);
        std::vector<float> pixels(static_cast<size_t>(width) * height * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, pixels.data());
        unbind();
        return pixels;
    }
};

struct Shown {
    int covered = 0;  // not the clear colour; -1 if any channel is not finite
    int lit = 0;      // and not black either
    int magenta = 0;  // the dummy program's colour
};
Shown shown(const std::vector<float>& px) {
    Shown s;
    for (size_t i = 0; i < px.size(); i += 4) {
        if (!std::isfinite(px[i]) || !std::isfinite(px[i + 1]) || !std::isfinite(px[i + 2]) || !std::isfinite(px[i + 3]))
            return {-1, 0};
        const bool covered = px[i] + std::abs(px[i + 1] - 1.0f) + px[i + 2] > 0.02f;
        s.covered += covered;
        s.lit += covered && px[i] + px[i + 1] + px[i + 2] > 30.0f / 255.0f;
        s.magenta += px[i] > 0.8f && px[i + 1] < 0.25f && px[i + 2] > 0.8f;
    }
    return s;
}

// Buffers and vertex arrays alive on the context.
int liveBuffers() {
    int count = 0;
    for (GLuint id = 1; id < 8192; ++id) count += glIsBuffer(id) + glIsVertexArray(id);
    return count;
}

OceanParameters sea() { return {16, 2.0f, 0.5f, 8.0f, {1.0f, 0.3f}}; }

class Objects : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        startScene();  // no fog or sky tracks: they read 0
    }
    template <typename T>
    T* add(T* object, SceneObject* parent = nullptr) {
        addChild(parent ? parent : engine.scene.root, object);
        return object;
    }
    void buildAll() {
        ASSERT_TRUE(buildTree(&engine.scene, engine.scene.root));
        loadAll();
    }
    void loadAll() {
        while (engine.resourceLoader.pendingCount() > 0) engine.resourceLoader.processRequests();
    }
    void look(const glm::vec3& eye, const glm::vec3& target = glm::vec3(0.0f)) {
        engine.scene.view = ViewMath::lookAtView(eye, target);
        engine.scene.cameraPosition = eye;
    }
};

// A cube buffer whose faces are all cleared to one colour.
std::unique_ptr<SceneCubeBufferObject> paintedCube(Scene& scene, const glm::vec3& colour) {
    auto cube = std::make_unique<SceneCubeBufferObject>(16, 16, GL_RGBA);
    EXPECT_TRUE(cube->build(&scene));
    glClearColor(colour.r, colour.g, colour.b, 1.0f);
    cube->render(0.0f, &test::kIdentity);
    return cube;
}

// One object of every class the factory makes, with a view that shows it.
struct ClassCase {
    const char* name;
    std::function<SceneObject*()> make;
    glm::mat4 view;
    int least;  // pixels it must light
    bool dark = false;  // covers them instead: the sky is black without a sun
};
std::vector<ClassCase> everyClass() {
    const glm::mat4 orbit = ViewMath::orbitView(30.0f, 20.0f, 30.0f, 0.0f);
    const glm::mat4 inSky = ViewMath::lookAtView({0, 1, 5}, {});
    return {
        {"grid", [] { return new GridObject(64, 8.0f); }, ViewMath::lookAtView({0, 150, 400}, {}), 2000},
        {"radialGrid", [] { return new RadialGrid; }, ViewMath::lookAtView({0, 50, 300}, {}), 20000},
        {"ocean", [] { return new OceanGrid(sea()); }, ViewMath::lookAtView({0, 80, 220}, {}), 13200},
        {"skyBox", [] { return new SkyBox("res/textures/none.png"); }, inSky, kSize * kSize},
        {"skyDome", [] { return new SkyDome(16, 32, 1000.0f); }, inSky, kSize * kSize, true},
        {"sphere", [] { return new SphereObject(16, 24, 6.0f); }, orbit, 2000},
        {"diamond", [] { auto* d = new DiamondObject; d->scale = glm::vec3(6.0f); return d; }, orbit, 2000},
        // Seen from inside: the camera is in the box.
        {"underseaBox", [] { auto* b = new UnderseaBox; b->scale = glm::vec3(200.0f); return b; }, orbit, kSize * kSize},
        {"seaFloorGrid", [] { auto* g = new SeaFloorGrid(64, 2.0f); g->position.y = -10.0f; return g; }, orbit, 5000},
        {"boids", [] { return new BoidsObject; }, orbit, 500},
        {"particleCloud", [] { auto* p = new ParticleCloud(4000, glm::vec3(1.0f)); p->scale = glm::vec3(30.0f); return p; }, orbit, 500},
        {"model", [] { auto* m = new ModelObject("res/models/Fish.exm", "res/shaders/VN.vert", "res/shaders/Iridescent.frag");
                       m->scale = glm::vec3(6.0f); return m; }, orbit, 1000},
        {"texturedModel", [] { auto* t = new TexturedModel("res/models/Rock.exm", "res/textures/Rock.png");
                               t->scale = glm::vec3(6.0f); return t; }, orbit, 2000},
        {"wireframeCube", [] { auto* w = new WireframeCubeObject; w->scale = glm::vec3(6.0f); return w; }, orbit, 300},
        // Without their tracks these draw nothing here; the buffers draw into their own targets.
        {"flake", [] { return new FlakeObject; }, orbit, 0},
        {"needle", [] { return new NeedleObject; }, orbit, 0},
        {"ring", [] { return new RingObject(10.0f, 5.0f); }, orbit, 200},
        {"cubemapDebug", [] { return new CubemapDebug; }, orbit, 0},
        {"camera", [] { return new CameraObject(1); }, orbit, 0},
        {"sceneBuffer", [] { return new SceneBufferObject(64, 64, 1, true, GL_RGBA, 0); }, orbit, 0},
        {"sceneCubeBuffer", [] { return new SceneCubeBufferObject(16, 16, GL_RGBA); }, orbit, 0},
    };
}

// A picture in the window that any clear or draw would change: two colours, split down the middle.
std::vector<unsigned char> paintProbe() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kSize, kSize);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, kSize / 2, kSize);
    glClearColor(0.8f, 0.1f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);  // neither half: a stray clear shows everywhere
    return test::readPixels(0, 0, kSize, kSize);
}
} // namespace

// Every class of the factory; never built (linked after the tree's build, or its build failed), update,
// render and release leave the window as it was, with no GL error and one log line at most.
TEST_F(Objects, EachClassDrawsOnlyOnceBuiltWithItsOwnProgramAndGivesItsGlObjectsBack) {
    const std::vector<ClassCase> cases = everyClass();
    std::set<int> types, rows;
    for (const ClassCase& c : cases) types.insert(std::unique_ptr<SceneObject>(c.make())->getType());
    for (const ObjectClass* row : ScriptModule::objectClasses()) rows.insert(row->type);
    EXPECT_EQ(types, rows) << "a class the factory makes has no case here";
    // No sun tracks: the sun sits at the origin and every sky track reads 0; still
    // no NaN anywhere in a float target.
    Target target(kSize, GL_RGBA32F);
    for (const ClassCase& c : cases) {
        SCOPED_TRACE(c.name);
        engine.scene.view = c.view;
        engine.scene.cameraPosition = ViewMath::cameraPositionFromView(c.view);
        const int live = liveBuffers();
        {
            std::unique_ptr<SceneObject> unbuilt(c.make());
            const std::vector<unsigned char> probe = paintProbe();
            log.clear();
            for (int frame = 0; frame < 2; ++frame) {
                unbuilt->update(0.0167f);
                unbuilt->render(0.5f, &test::kIdentity);
            }
            unbuilt->release();
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
            EXPECT_TRUE(test::readPixels(0, 0, kSize, kSize, 0) == probe) << "drew before its build";
            EXPECT_LE(log.messages().size(), 1u);
        }
        std::unique_ptr<SceneObject> object(c.make());
        ASSERT_TRUE(object->build(&engine.scene));
        loadAll();
        object->update(0.0167f);
        const Shown s = shown(target.draw(*object));
        EXPECT_GE(c.dark ? s.covered : s.lit, c.least);
        EXPECT_EQ(s.magenta, 0);  // no program fell back to the dummy
        object->release();
        EXPECT_EQ(liveBuffers(), live);
        auto* ocean = dynamic_cast<OceanGrid*>(object.get());
        EXPECT_TRUE(!ocean || ocean->waves.vertexData().empty());
    }
    EXPECT_FALSE(log.contains("Invalid Shader Queued In Manager!"));
}

// Drawn inside a target of its own (as in a scene buffer), each class hands back the state the next
// draw expects: a probe in front of it shows unblended, back faces stay culled, what lies behind the
// probe stays hidden, and the next frame's clear empties the depth buffer again.
TEST_F(Objects, EachClassHandsBackTheGlStateTheNextDrawExpects) {
#define GL_STATE_ROW(name) {#name, name}
    const std::pair<const char*, GLenum> enabled[] = {GL_STATE_ROW(GL_DEPTH_TEST), GL_STATE_ROW(GL_BLEND),
                                                      GL_STATE_ROW(GL_CULL_FACE)};
    const std::pair<const char*, GLenum> values[] = {
        GL_STATE_ROW(GL_DEPTH_WRITEMASK),     GL_STATE_ROW(GL_DEPTH_FUNC),          GL_STATE_ROW(GL_BLEND_SRC_RGB),
        GL_STATE_ROW(GL_BLEND_DST_RGB),       GL_STATE_ROW(GL_BLEND_SRC_ALPHA),     GL_STATE_ROW(GL_BLEND_DST_ALPHA),
        GL_STATE_ROW(GL_BLEND_EQUATION_RGB),  GL_STATE_ROW(GL_CULL_FACE_MODE),      GL_STATE_ROW(GL_FRONT_FACE),
        GL_STATE_ROW(GL_DRAW_FRAMEBUFFER_BINDING), GL_STATE_ROW(GL_CURRENT_PROGRAM),
        GL_STATE_ROW(GL_VERTEX_ARRAY_BINDING), GL_STATE_ROW(GL_ACTIVE_TEXTURE)};
#undef GL_STATE_ROW
    auto snapshot = [&] {
        std::map<std::string, GLint> state;
        for (const auto& [name, cap] : enabled) state[name] = glIsEnabled(cap);
        for (const auto& [name, value] : values) glGetIntegerv(value, &state[name]);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        for (int i = 0; i < 4; ++i) state["viewport " + std::to_string(i)] = viewport[i];
        for (GLint unit = 0; unit < 2; ++unit) {  // a sampler left on a unit overrides later draws' filtering
            glActiveTexture(GL_TEXTURE0 + unit);
            glGetIntegerv(GL_SAMPLER_BINDING, &state["sampler on unit " + std::to_string(unit)]);
        }
        glActiveTexture(static_cast<GLenum>(state["GL_ACTIVE_TEXTURE"]));
        return state;
    };
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);  // the player's, for the classes that blend
    ShaderProgram flat;
    ASSERT_TRUE(flat.compile("res/shaders/Wireframe.vert", "res/shaders/Wireframe.frag", nullptr));
    constexpr int kProbe = 64;
    Target target(kProbe, GL_RGBA8);
    // A square over the whole target at clip depth `z`, its corners wound counter-clockwise or not.
    auto probe = [&](float z, const glm::vec4& colour, bool front) {
        glUseProgram(flat.program);
        for (const char* matrix : {"uProjectionMatrix", "uViewMatrix", "uModelMatrix"})
            glUniformMatrix4fv(flat.getUniformLocation(matrix), 1, GL_FALSE, &test::kIdentity[0][0]);
        glUniform4fv(flat.getUniformLocation("uDiffuse"), 1, &colour[0]);
        const float x = front ? 1.0f : -1.0f;
        test::drawCorners({-x, -1, z, x, -1, z, -x, 1, z, x, 1, z}, GL_TRIANGLE_STRIP);
        glUseProgram(0);
    };
    auto differing = [&](const glm::ivec3& want) {
        const std::vector<unsigned char> px = test::readPixels(0, 0, kProbe, kProbe);
        int count = 0;
        for (size_t i = 0; i < px.size(); i += 4)
            count += std::abs(px[i] - want.r) > 1 || std::abs(px[i + 1] - want.g) > 1 || std::abs(px[i + 2] - want.b) > 1;
        return count;
    };
    for (const ClassCase& c : everyClass()) {
        SCOPED_TRACE(c.name);
        engine.scene.view = c.view;
        engine.scene.cameraPosition = ViewMath::cameraPositionFromView(c.view);
        std::unique_ptr<SceneObject> object(c.make());
        ASSERT_TRUE(object->build(&engine.scene));
        loadAll();
        object->update(0.0167f);
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        target.bind(true);
        const std::map<std::string, GLint> before = snapshot();
        object->render(0.5f, &test::kIdentity);
        for (const auto& [name, value] : snapshot()) EXPECT_EQ(value, before.at(name)) << name;
        probe(-0.99f, {1.0f, 0.0f, 0.0f, 0.5f}, true);  // half alpha: dark red unless blended
        EXPECT_EQ(differing({128, 0, 0}), 0) << "the probe in front, unblended";
        probe(-0.995f, {0.0f, 0.0f, 1.0f, 1.0f}, false);
        EXPECT_EQ(differing({128, 0, 0}), 0) << "a back face in front of the probe";
        probe(0.5f, {0.0f, 1.0f, 1.0f, 1.0f}, true);
        EXPECT_EQ(differing({128, 0, 0}), 0) << "a face behind the probe";
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        probe(0.99f, {1.0f, 1.0f, 1.0f, 1.0f}, true);
        EXPECT_EQ(differing({255, 255, 255}), 0) << "the next frame, behind where the object and the probe were";
        target.unbind();
        object->release();
    }
    flat.destroy();
}

TEST_F(Objects, SkyBoxAndOceanShowTheRootCubeBufferElseTheirOwnTexture) {
    // An image that is no cross still uploads: six faces of its one colour.
    std::vector<uint8_t> orange;
    for (int i = 0; i < 8 * 4; ++i) orange.insert(orange.end(), {255, 128, 0, 255});
    const std::string path = syncDir.file("orange.png");
    ASSERT_NE(stbi_write_png(path.c_str(), 8, 4, 4, orange.data(), 8 * 4), 0);
    auto* box = add(new SkyBox(path));
    auto* ocean = add(new OceanGrid(sea()));
    buildAll();
    ASSERT_TRUE(box->texture.isCubeMap);
    EXPECT_TRUE(log.contains("Cube map image 8x4 is not a cross of 3x4 square cells; using 1x1 faces"));
    Target target(16, GL_RGBA8);
    const std::array<glm::mat4, 6> views = cubeFaceViews();
    engine.scene.projection = cubeFaceProjection();
    engine.scene.inverseProjection = glm::inverse(engine.scene.projection);
    // The sky box's face colours, and the cube map the ocean binds for its reflection.
    auto shows = [&](const char* source, const std::function<glm::vec3(uint32_t)>& colourOf, GLenum binding,
                     GLuint id) {
        SCOPED_TRACE(source);
        for (uint32_t face = 0; face < 6; ++face) {
            engine.scene.view = views[face];
            const std::vector<float> px = target.draw(*box);
            test::expectNear(glm::make_vec3(&px[(8 * 16 + 8) * 4]), colourOf(face), 0.02f);  // the centre
        }
        GLint bound = 0;
        target.draw(*ocean);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(binding, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), id);
    };
    shows("own texture", [](uint32_t) { return glm::vec3(1.0f, 0.5f, 0.0f); },
          ocean->environmentTexture.isCubeMap ? GL_TEXTURE_BINDING_CUBE_MAP : GL_TEXTURE_BINDING_2D,
          ocean->environmentTexture.id);

    // A cube buffer among the root's children, its faces painted by face number.
    auto* cube = add(new SceneCubeBufferObject(8, 8, GL_RGBA));
    add(new CubemapDebug, cube);
    ASSERT_TRUE(buildTree(&engine.scene, cube));
    engine.resourceLoader.processRequests();
    cube->render(0.0f, &test::kIdentity);
    EXPECT_FALSE(cube->cubeFrameBuffer.bound);
    shows("cube buffer", cubeFaceColor, GL_TEXTURE_BINDING_CUBE_MAP, cube->cubeFrameBuffer.getTexture());
}

// With the scene's camera every face would show one picture, so each class is drawn once per face with
// that face's camera and compared.
TEST_F(Objects, DomeUnderseaBoxAndSeaFloorUnderACubeBufferRenderEachFaceWithThatFacesCamera) {
    const std::pair<const char*, float> tracks[] = {{"Sun.Intensity", 20.0f}, {"Sky.RayleighCoeff", 2.0f},
                                                    {"Sky.MieCoeff", 0.005f}, {"Sky.MieG", 0.8f},
                                                    {"Sky.Turbidity", 2.0f}};
    for (const auto& [name, value] : tracks) test::writeTrack(syncDir.path(), name, {{0, value, Step}});
    engine.syncDevice.update();
    engine.scene.sunPosition = glm::vec3(800.0f, 300.0f, -500.0f);
    const std::pair<const char*, std::function<SceneObject*()>> cases[] = {
        {"skydome", [] { return new SkyDome(12, 24, 1000.0f); }},
        {"underseaBox", [] { auto* b = new UnderseaBox; b->scale = glm::vec3(200.0f); return b; }},
        {"seaFloorGrid", [] { auto* g = new SeaFloorGrid(64, 2.0f); g->position.y = -10.0f; return g; }}};
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        auto* cube = add(new SceneCubeBufferObject(16, 16, GL_RGBA));
        add(make(), cube);
        SceneObject* reference = add(make());
        buildAll();
        look({30, 10, 40}, {0, 5, 0});  // the scene's camera, which the cube's faces must not use
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        cube->render(0.5f, &test::kIdentity);

        Target target(16, GL_RGBA8);
        std::vector<uint8_t> faces[6];
        for (int face = 0; face < 6; ++face) {
            SCOPED_TRACE(face);
            faces[face] = test::readTexture(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_CUBE_MAP_POSITIVE_X + face,
                                            cube->cubeFrameBuffer.getTexture(), 16, 16);
            engine.scene.view = cube->faceViews[face];
            engine.scene.projection = cube->cubeProjection;
            engine.scene.cameraPosition = glm::vec3(0.0f);
            const std::vector<float> want = target.draw(*reference);
            int worst = 0;
            for (size_t i = 0; i < want.size(); ++i)
                if (i % 4 != 3)
                    worst = std::max(worst, std::abs(faces[face][i] - static_cast<int>(std::lround(want[i] * 255.0f))));
            EXPECT_LE(worst, 2);
        }
        // The faces really differ, so one camera for all six would have shown.
        EXPECT_TRUE(std::any_of(faces + 1, faces + 6, [&](const std::vector<uint8_t>& f) { return f != faces[0]; }));
        removeChild(engine.scene.root, cube);
        removeChild(engine.scene.root, reference);
        for (SceneObject* top : {static_cast<SceneObject*>(cube), reference}) releaseTree(top);
    }
}

TEST_F(Objects, ABufferTheDriverRefusesFailsItsBuildWithAMessage) {
    auto* flat = add(new SceneBufferObject(0, 0, 1, true, GL_RGBA, 0));
    auto* cube = add(new SceneCubeBufferObject(0, 0, GL_RGBA));
    EXPECT_FALSE(buildTree(&engine.scene, flat));
    EXPECT_TRUE(log.contains("Failed to initialize Scene Buffer Object!"));
    EXPECT_FALSE(buildTree(&engine.scene, cube));
    EXPECT_TRUE(log.contains("Failed to initialize Scene Cube Buffer Object!"));
    // Rendered and post-processed all the same, they leave the window alone rather than clear it or a
    // half-made target, or present an empty picture; one line each.
    log.clear();
    const std::vector<unsigned char> probe = paintProbe();
    flat->render(0.0f, &test::kIdentity);
    cube->render(0.0f, &test::kIdentity);
    engine.scene.postProcessBufferNode(flat);
    EXPECT_TRUE(test::readPixels(0, 0, kSize, kSize, 0) == probe);
    EXPECT_EQ(log.errors(), (std::vector<std::string>{"Scene buffer was never built; it and its children draw nothing",
                                                      "Scene cube buffer was never built; it and its children draw nothing"}));
}

TEST_F(Objects, SphereReflectsTheFirstCubeBufferDirectlyUnderTheRoot) {
    engine.scene.view = ViewMath::orbitView(30.0f, 20.0f, 30.0f, 0.0f);
    engine.scene.cameraPosition = ViewMath::cameraPositionFromView(engine.scene.view);
    engine.scene.sunPosition = glm::vec3(100.0f, 400.0f, 50.0f);
    SphereObject sphere(16, 24, 8.0f);
    ASSERT_TRUE(sphere.build(&engine.scene));
    loadAll();
    auto red = paintedCube(engine.scene, {1, 0, 0});
    auto blue = paintedCube(engine.scene, {0, 0, 1});
    SceneRootObject holder;  // keeps a cube buffer one level down
    auto reflected = [&] {  // the mean colour of the lit pixels
        const std::vector<unsigned char> px = renderOnBlack(sphere, 256);
        glm::dvec3 sum(0.0);
        size_t lit = 0;
        for (size_t i = 0; i < px.size(); i += 4)
            if (px[i] + px[i + 1] + px[i + 2] > 0) sum += glm::dvec3(px[i], px[i + 1], px[i + 2]), ++lit;
        return glm::vec3(sum / static_cast<double>(std::max<size_t>(lit, 1)));
    };

    addChild(&holder, red.get());
    addChild(engine.scene.root, &holder);
    addChild(engine.scene.root, blue.get());
    glm::vec3 c = reflected();
    EXPECT_TRUE(c.b > 120 && c.r < 10) << "a deeper cube buffer is not found: " << c.r << " " << c.b;
    removeChild(&holder, red.get());
    engine.scene.root->children.insert(engine.scene.root->children.begin(), red.get());
    c = reflected();
    EXPECT_TRUE(c.r > 120 && c.b < 10) << "the first in child order: " << c.r << " " << c.b;
    engine.scene.root->children.clear();
    c = reflected();  // no cube buffer: the sky, a mix of colours
    EXPECT_TRUE(c.r > 10 && c.b > 10) << c.r << " " << c.b;
    sphere.release();
    red->release();
    blue->release();
}

TEST_F(Objects, MissingOrMisfittingModelsFailTheBuildWithTheirLines) {
    test::TempDir dir;
    test::WorkingDir elsewhere;  // no res/models: the fish and the gem are missing
    ASSERT_TRUE(elsewhere.enter(dir.path()));
    // Seven floats: not whole vertices of 6 or of 8 (the other misfits are the layout check's, in the unit tests).
    ExmModel odd;
    odd.vertices.assign(7, 0.0f);
    odd.floatCount = 7;
    ASSERT_TRUE(writeExm("odd.exm", odd));
    auto misfit = [](const char* floats) {
        return std::string("Model 'odd.exm' does not fit ") + floats +
               " floats per vertex or has indices past its vertices!";
    };
    struct Case {
        std::function<SceneObject*()> make;
        std::string cause, failure;
    };
    const Case cases[] = {
        {[] { return new ModelObject("odd.exm", "a", "b"); }, misfit("6"), "Failed to load model exm!"},
        {[] { return new TexturedModel("odd.exm", "t.png"); }, misfit("8"), "Failed to load textured model exm!"},
        {[] { return new BoidsObject; }, "Failed to read model data from 'res/models/Fish.exm'!",
         "Failed to load model exm!"},
        {[] { return new DiamondObject; }, "Failed to read model data from 'res/models/Round_Diamond_03.exm'!",
         "Failed to load model exm!"},
    };
    for (const Case& c : cases) {
        log.clear();
        std::unique_ptr<SceneObject> object(c.make());
        EXPECT_FALSE(object->build(&engine.scene));
        EXPECT_EQ(log.errors(), (std::vector<std::string>{c.cause, c.failure}));
        const std::vector<unsigned char> probe = paintProbe();  // and it draws nothing after
        object->update(0.0167f);
        object->render(0.5f, &test::kIdentity);
        EXPECT_TRUE(test::readPixels(0, 0, kSize, kSize, 0) == probe);
        object->release();
    }
}
