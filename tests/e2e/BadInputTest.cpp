// The player given files a person broke while editing: a garbled Config.txt
// names each entry it lacks, and a soundtrack cut to a fraction of a second
// says how long it is instead of ending the show without a word.
#include "TestSupport.h"

namespace {
const std::string kFixtures = SOLVANE_FIXTURES_DIR;

bool hasLineStartingWith(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}
} // namespace

TEST(BadInput, AGarbledConfigNamesEveryMissingEntryBeforeTheWindowFails) {
    test::TempDir dir;
    test::writeFile(dir.file("Config.txt"), "ViewportWidth=640;\nMSAA = 4 ;\n\x01\x02 VSync = true;\n");
    test::Process player(SOLVANE_BINARY, dir.path());
    ASSERT_EQ(player.wait(), 1);
    const auto lines = test::readLines(dir.file("Log.txt"));
    test::expectInOrder(lines, {"Config File Read Successfully!",
                                "Config entry 'ViewportWidth' is missing or not written as 'ViewportWidth = value;'",
                                "Config entry 'ViewportHeight' is missing or not written as 'ViewportHeight = value;'",
                                "Config entry 'MSAA' is missing or not written as 'MSAA = value;'",
                                "Config entry 'Fullscreen' is missing or not written as 'Fullscreen = value;'",
                                "Selected Settings: -1x-1 Resolution with -1x MSAA", "VSync enabled!"});
    EXPECT_FALSE(hasLineStartingWith(lines, "Config entry 'VSync'"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Failed to initialize window!");
}

TEST(BadInput, ASoundtrackCutShortSaysHowLongItIs) {
    test::TempDir dir;
    test::copyFixtureShow(dir, test::standardConfig());
    // The first 1500 bytes of a 20-second file: about a third of a second of sound.
    test::writeFile(dir.file("res/audio/melody2.mp3"), test::readFile(kFixtures + "/audio/clicks_20s.mp3").substr(0, 1500));
    test::Process player(SOLVANE_BINARY, dir.path());
    EXPECT_EQ(player.wait(std::chrono::seconds(60)), 0);
    const auto lines = test::readLines(dir.file("Log.txt"));
    EXPECT_TRUE(hasLineStartingWith(lines, "The soundtrack res/audio/melody2.mp3 is only 0."));
    test::expectInOrder(lines, {"Sucessfully built soundtrack", "Starting playback!", "Successfully shut down SDL"});
}
