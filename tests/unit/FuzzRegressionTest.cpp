// Every input a fuzzer ever broke, kept in fuzz/regressions/<target>/, runs
// through its target's body again on each test run.
#include "FuzzTargets.h"

#include "TestSupport.h"

TEST(FuzzRegressions, EveryKeptInputRunsThroughItsTargetAgain) {
    const std::filesystem::path root = std::filesystem::path(SOLVANE_SOURCE_DIR) / "fuzz" / "regressions";
    size_t inputs = 0;
    for (const auto& folder : std::filesystem::directory_iterator(root)) {
        fuzz::Target target = fuzz::findTarget(folder.path().filename().c_str());
        ASSERT_NE(target, nullptr) << "no target for " << folder.path();
        for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
            const std::string bytes = test::readFile(file.path().string());
            SCOPED_TRACE(file.path().string());
            target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0u);
}
