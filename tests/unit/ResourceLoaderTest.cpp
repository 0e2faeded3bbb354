// Loader order and bookkeeping, driven with texture requests for files that do
// not exist: they fail before any GL call, so no context is needed.
#include "gfx/ResourceLoader.h"

#include "gfx/Texture.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
struct Tracker {
    ResourceLoader* loader = nullptr;
    std::vector<std::string> delivered;
    Texture extra;
    bool submitOnce = false;

    static void callback(bool success, void* target, void* context) {
        auto* self = static_cast<Tracker*>(context);
        auto* texture = static_cast<Texture*>(target);
        self->delivered.push_back(std::string(texture->name) + (success ? "+" : "-"));
        if (self->submitOnce) {
            self->submitOnce = false;
            self->loader->loadTexture(&self->extra, &Tracker::callback, self, "D", false);
        }
    }
};
} // namespace

TEST(ResourceLoader, RequestsRunNewestFirstAndCallbacksFireOldestFirst) {
    test::LogCapture log;
    ResourceLoader loader;
    ASSERT_TRUE(loader.init(nullptr));
    Tracker tracker;
    tracker.loader = &loader;
    tracker.submitOnce = true;
    Texture a, b, c;
    loader.loadTexture(&a, &Tracker::callback, &tracker, "A", false);
    loader.loadTexture(&b, &Tracker::callback, &tracker, "B", true);
    loader.loadTexture(&c, &Tracker::callback, &tracker, "C", false);
    EXPECT_EQ(loader.pendingCount(), 3);

    loader.processRequests();
    std::vector<std::string> performed;
    for (const std::string& m : log.messages())
        if (m.rfind("Loading OGL Texture [", 0) == 0) performed.push_back(m);
    EXPECT_EQ(performed, (std::vector<std::string>{"Loading OGL Texture [C]!", "Loading OGL Texture [B]!",
                                                   "Loading OGL Texture [A]!"}));
    EXPECT_EQ(tracker.delivered, (std::vector<std::string>{"A-", "B-", "C-"}));
    // The callback's own request waits for the next call.
    EXPECT_EQ(loader.pendingCount(), 1);
    EXPECT_EQ(log.count("Failed to Load OGL Texture!"), 3u);

    // A failed load still tells the requester which texture it was.
    EXPECT_STREQ(b.name, "B");
    EXPECT_TRUE(b.isCubeMap);
    EXPECT_EQ(b.id, 0u);

    loader.processRequests();
    EXPECT_EQ(tracker.delivered.back(), "D-");
    EXPECT_EQ(loader.pendingCount(), 0);
}

TEST(ResourceLoader, MoreThanThirtyTwoRequestsAreAllServedInOrder) {
    test::LogCapture log;
    ResourceLoader loader;
    loader.init(nullptr);
    Tracker tracker;
    std::vector<std::string> names;
    std::vector<Texture> targets(100);
    for (int i = 0; i < 100; ++i) names.push_back("missing-" + std::to_string(i));
    for (int i = 0; i < 100; ++i) loader.loadTexture(&targets[i], &Tracker::callback, &tracker, names[i].c_str(), false);
    EXPECT_EQ(loader.pendingCount(), 100);
    loader.processRequests();
    ASSERT_EQ(tracker.delivered.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(tracker.delivered[i], names[i] + "-");
}

// Cancelling is checked through the managers' destroy in the gl tests.
TEST(ResourceLoader, NullCallbackAndTerminate) {
    test::LogCapture log;
    ResourceLoader loader;
    loader.init(nullptr);
    Tracker kept;
    Texture t1, t2;
    loader.loadTexture(&t1, nullptr, nullptr, "silent", false);
    loader.loadTexture(&t2, &Tracker::callback, &kept, "kept", false);
    loader.processRequests();
    EXPECT_STREQ(t1.name, "silent");  // performed even without a callback
    EXPECT_EQ(kept.delivered, std::vector<std::string>{"kept-"});

    loader.loadTexture(&t2, &Tracker::callback, &kept, "late", false);
    loader.terminate();
    EXPECT_TRUE(log.contains("OGL Resource Thread Terminated Successfully!"));
    loader.processRequests();
    EXPECT_EQ(kept.delivered.size(), 1u);
}
