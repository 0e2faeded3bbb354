// Water and sky objects and the scene buffers they see on the real driver: each
// draws, gives its GL objects back, picks the scene's cube buffer (a cubemap debug
// object painting its faces) over its own texture, renders each cube face with that
// face's camera, and stays finite without any sun tracks; a buffer the driver
// refuses fails its build. The undersea box and sea floor are here for the cube
// buffer's face camera, which they share with the water and sky.
#include "gfx/FrameBuffer.h"
#include "objects/CubemapDebug.h"
#include "objects/GridObject.h"
#include "objects/OceanGrid.h"
#include "objects/RadialGrid.h"
#include "objects/SkyBox.h"
#include "objects/SkyDome.h"
#include "objects/UnderseaObjects.h"
#include "postfx/SceneBufferObject.h"
#include "postfx/SceneCubeBufferObject.h"
#include "scene/ViewMath.h"

#include "GlContext.h"

#include <glm/gtc/type_ptr.hpp>
#include <stb/stb_image_write.h>

namespace {
// An off-screen colour and depth target, read back as floats.
struct Target : FrameBuffer {
    Target(int size, GLenum format) { EXPECT_TRUE(create(size, size, 1, true, format, 0)); }
    ~Target() { destroy(); }
    // Clears to magenta, renders `object` and returns RGBA floats, bottom row first.
    std::vector<float> draw(SceneObject& object) {
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        bind(true);
        object.render(0.5f, &test::kIdentity);
        std::vector<float> pixels(static_cast<size_t>(width) * height * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, pixels.data());
        unbind();
        return pixels;
    }
};

// Share of pixels that are not the (magenta) clear colour; -1 if any is not finite.
double covered(const std::vector<float>& px) {
    size_t count = 0;
    for (size_t i = 0; i < px.size(); i += 4) {
        for (size_t c = 0; c < 4; ++c)
            if (!std::isfinite(px[i + c])) return -1.0;
        if (std::abs(px[i] - 1.0f) + px[i + 1] + std::abs(px[i + 2] - 1.0f) > 0.02f) ++count;
    }
    return static_cast<double>(count) / static_cast<double>(px.size() / 4);
}

OceanParameters sea() { return {16, 2.0f, 0.5f, 8.0f, {1.0f, 0.3f}}; }

class WaterSky : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        startScene();
    }
    template <typename T>
    T* add(T* object, SceneObject* parent = nullptr) {
        addChild(parent ? parent : engine.scene.root, object);
        return object;
    }
    void buildAll() {
        ASSERT_TRUE(buildTree(&engine.scene, engine.scene.root));
        engine.resourceLoader.processRequests();
    }
    void look(const glm::vec3& eye, const glm::vec3& target) {
        engine.scene.view = ViewMath::lookAtView(eye, target);
        engine.scene.cameraPosition = eye;
    }
};
} // namespace

TEST_F(WaterSky, EachObjectDrawsWithItsOwnProgramAndGivesItsBuffersBack) {
    struct Case {
        SceneObject* object;
        const ShaderProgram* shader;
        const Mesh* mesh;
        glm::vec3 eye;
        double least;  // share of the picture it must cover
    };
    auto* grid = add(new GridObject(64, 8.0f));
    auto* disc = add(new RadialGrid);
    auto* ocean = add(new OceanGrid(sea()));
    auto* box = add(new SkyBox("res/textures/none.png"));
    auto* dome = add(new SkyDome(16, 32, 1000.0f));
    const Case cases[] = {{grid, &grid->draw.program, &grid->mesh, {0, 150, 400}, 0.03},
                          {disc, &disc->draw.program, &disc->mesh, {0, 50, 300}, 0.3},
                          {ocean, &ocean->draw.program, &ocean->mesh, {0, 80, 220}, 0.2},
                          {box, &box->draw.program, &box->mesh, {0, 1, 5}, 1.0},
                          {dome, &dome->draw.program, &dome->mesh, {0, 1, 5}, 1.0}};
    buildAll();
    // No sun tracks: the sun sits at the origin and every sky track reads 0; still
    // no NaN anywhere in a float target.
    Target target(96, GL_RGBA32F);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.object->getType());
        ASSERT_TRUE(c.shader->isCompiled() && c.shader->program != dummyProgram);
        look(c.eye, {0, 0, 0});
        EXPECT_GE(covered(target.draw(*c.object)), c.least);
        for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {  // no sampler left to override later draws
            GLint sampler = -1;
            glActiveTexture(unit);
            glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
            EXPECT_EQ(sampler, 0);
        }
        const Mesh mesh = *c.mesh;
        c.object->release();
        EXPECT_FALSE(glIsBuffer(mesh.vertexBuffer) || glIsBuffer(mesh.indexBuffer) || glIsVertexArray(mesh.vertexArray));
        EXPECT_FALSE(c.mesh->valid());
    }
    EXPECT_TRUE(ocean->waves.vertexData().empty());
}

TEST_F(WaterSky, SkyBoxAndOceanShowTheRootCubeBufferElseTheirOwnTexture) {
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
TEST_F(WaterSky, DomeUnderseaBoxAndSeaFloorUnderACubeBufferRenderEachFaceWithThatFacesCamera) {
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
        while (engine.resourceLoader.pendingCount() > 0) engine.resourceLoader.processRequests();
        look({30, 10, 40}, {0, 5, 0});  // the scene's camera, which the cube's faces must not use
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
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

TEST_F(WaterSky, ABufferTheDriverRefusesFailsItsBuildWithAMessage) {
    auto* flat = add(new SceneBufferObject(0, 0, 1, true, GL_RGBA, 0));
    auto* cube = add(new SceneCubeBufferObject(0, 0, GL_RGBA));
    EXPECT_FALSE(buildTree(&engine.scene, flat));
    EXPECT_TRUE(log.contains("Failed to initialize Scene Buffer Object!"));
    EXPECT_FALSE(buildTree(&engine.scene, cube));
    EXPECT_TRUE(log.contains("Failed to initialize Scene Cube Buffer Object!"));
}
