// The solid and model objects on the real driver: each draws under a camera,
// the sphere reflects the first top-level cube buffer, and models that are
// missing or do not fit their class fail the build with their lines.
#include "objects/BoidsObject.h"
#include "objects/DiamondObject.h"
#include "objects/ModelObject.h"
#include "objects/ParticleCloud.h"
#include "objects/SphereObject.h"
#include "objects/TexturedModel.h"
#include "objects/UnderseaObjects.h"
#include "postfx/SceneCubeBufferObject.h"
#include "scene/ViewMath.h"

#include "GlContext.h"


namespace {
constexpr int kSize = 256;

class SolidsGl : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        startScene();  // no fog tracks: they read 0
        engine.scene.view = ViewMath::orbitView(30.0f, 20.0f, 30.0f, 0.0f);
        engine.scene.cameraPosition = ViewMath::cameraPositionFromView(engine.scene.view);
        engine.scene.sunPosition = glm::vec3(100.0f, 400.0f, 50.0f);
    }
    void loadAll() {
        while (engine.resourceLoader.pendingCount() > 0) engine.resourceLoader.processRequests();
    }
    std::vector<unsigned char> draw(SceneObject& object) { return renderOnBlack(object, kSize); }
    static glm::vec3 meanColour(const std::vector<unsigned char>& px) {
        glm::dvec3 sum(0.0);
        size_t lit = 0;
        for (size_t i = 0; i < px.size(); i += 4) {
            if (px[i] + px[i + 1] + px[i + 2] == 0) continue;
            sum += glm::dvec3(px[i], px[i + 1], px[i + 2]);
            ++lit;
        }
        return lit ? glm::vec3(sum / static_cast<double>(lit)) : glm::vec3(0.0f);
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
} // namespace

TEST_F(SolidsGl, EachClassDrawsWithItsRealProgram) {
    struct Case {
        const char* name;
        std::function<SceneObject*()> make;
        int minimumLit;
    };
    const Case cases[] = {
        {"sphere", [] { return new SphereObject(16, 24, 6.0f); }, 2000},
        {"diamond", [] { auto* d = new DiamondObject; d->scale = glm::vec3(6.0f); return d; }, 2000},
        // Seen from inside: the camera is in the box.
        {"underseaBox", [] { auto* b = new UnderseaBox; b->scale = glm::vec3(200.0f); return b; }, kSize * kSize},
        {"seaFloorGrid", [] { auto* g = new SeaFloorGrid(64, 2.0f); g->position.y = -10.0f; return g; }, 5000},
        {"boids", [] { return new BoidsObject; }, 500},
        {"particleCloud", [] { auto* p = new ParticleCloud(4000, glm::vec3(1.0f)); p->scale = glm::vec3(30.0f); return p; }, 500},
        {"model", [] { auto* m = new ModelObject("res/models/Fish.exm", "res/shaders/VN.vert", "res/shaders/Iridescent.frag");
                       m->scale = glm::vec3(6.0f); return m; }, 1000},
        {"texturedModel", [] { auto* t = new TexturedModel("res/models/Rock.exm", "res/textures/Rock.png");
                               t->scale = glm::vec3(6.0f); return t; }, 2000},
    };
    for (const Case& c : cases) {
        std::unique_ptr<SceneObject> object(c.make());
        EXPECT_EQ(test::countColours(draw(*object).data(), kSize * kSize).lit, 0) << c.name << " drew before its build";
        ASSERT_TRUE(object->build(&engine.scene)) << c.name;
        loadAll();
        object->update(0.0167f);
        const test::Colours shown = test::countColours(draw(*object).data(), kSize * kSize);
        // Nothing magenta: no program fell back to the dummy.
        EXPECT_TRUE(shown.lit >= c.minimumLit && shown.magenta == 0) << c.name << ": " << shown.lit << " lit, "
                                                                     << shown.magenta << " magenta";
        object->release();
    }
    EXPECT_FALSE(log.contains("Invalid Shader Queued In Manager!"));
}

TEST_F(SolidsGl, SphereReflectsTheFirstCubeBufferDirectlyUnderTheRoot) {
    SphereObject sphere(16, 24, 8.0f);
    ASSERT_TRUE(sphere.build(&engine.scene));
    loadAll();
    auto red = paintedCube(engine.scene, {1, 0, 0});
    auto blue = paintedCube(engine.scene, {0, 0, 1});
    SceneRootObject holder;  // keeps a cube buffer one level down
    auto reflected = [&] { return meanColour(draw(sphere)); };

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

TEST_F(SolidsGl, MissingOrMisfittingModelsFailTheBuildWithTheirLines) {
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
        object->release();
    }
}
