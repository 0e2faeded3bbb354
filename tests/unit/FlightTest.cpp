// A flown camera into tracks: rows sampled from frames, keys thinned within the
// tolerance, and the written tracks keeping the show around the flight.
#include "sync/FlightRecorder.h"

#include "TestSupport.h"

#include <sys/stat.h>

namespace {
constexpr double kFrame = 1.0 / 60.0;

// A flight flown at 60 frames a second from `from` to `to` seconds of soundtrack.
template <typename Camera>
std::vector<FlightSample> fly(double from, double to, Camera camera) {
    FlightRecorder recorder;
    recorder.start();
    const double perSecond = rowsPerSecond();
    for (double t = from; t <= to; t += kFrame) {
        glm::vec3 eye, focus;
        camera(t, eye, focus);
        recorder.sample(t * perSecond, eye, focus, perSecond / 4.0);
    }
    return recorder.stop();
}

// The largest distance of a sample from the line through the kept samples around it.
float worstThinningError(const std::vector<FlightSample>& samples, const std::vector<size_t>& kept) {
    float worst = 0.0f;
    for (size_t k = 0; k + 1 < kept.size(); ++k)
        for (size_t j = kept[k]; j <= kept[k + 1]; ++j) {
            const FlightSample &a = samples[kept[k]], &b = samples[kept[k + 1]], &s = samples[j];
            const float t = static_cast<float>(s.row - a.row) / static_cast<float>(b.row - a.row);
            worst = std::max({worst, glm::distance(glm::mix(a.eye, b.eye, t), s.eye),
                              glm::distance(glm::mix(a.focus, b.focus, t), s.focus)});
        }
    return worst;
}

uint64_t inode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}
} // namespace

TEST(Flight, EveryRowPlayedGetsASampleAndThinningKeepsOnlyWhatTheLineNeeds) {
    // A straight line at constant speed, looking along it: its two ends are all it needs.
    auto straight = fly(0.3, 4.3, [](double t, glm::vec3& eye, glm::vec3& focus) {
        eye = glm::vec3(10.0 * t, 2.0, -3.0 * t);
        focus = eye + glm::normalize(glm::vec3(10, 0, -3));
    });
    ASSERT_GT(straight.size(), 100u);
    for (size_t i = 1; i < straight.size(); ++i) ASSERT_EQ(straight[i].row, straight[i - 1].row + 1);
    // Placed where the camera was as the row went by, not at the frame after it.
    const double atRow = straight[5].row / rowsPerSecond();
    test::expectNear(straight[5].eye, glm::vec3(10.0 * atRow, 2.0, -3.0 * atRow), 1e-4f);
    EXPECT_EQ(thinFlight(straight), (std::vector<size_t>{0, straight.size() - 1}));

    // A turning circle needs more, and no sample strays past the tolerance
    // from the line through the keys kept around it.
    auto circle = fly(0.0, 4.0, [](double t, glm::vec3& eye, glm::vec3& focus) {
        eye = glm::vec3(20.0 * std::cos(0.2 * t), 1.0, 20.0 * std::sin(0.2 * t));
        focus = eye + glm::vec3(-std::sin(0.3 * t), 0.0, std::cos(0.3 * t));
    });
    const std::vector<size_t> kept = thinFlight(circle);
    EXPECT_GT(kept.size(), 3u);
    EXPECT_LT(kept.size(), circle.size() / 2);
    EXPECT_LE(worstThinningError(circle, kept), kFlightToleranceUnits);
    // Eye and focus a few thousandths off the line in opposite ways turn the view by 0.7 degrees: kept.
    std::vector<FlightSample> shaken;
    for (int row = 0; row <= 64; ++row) {
        const float off = 0.006f * std::sin(0.7853982f * static_cast<float>(row));  // eight rows a wave
        shaken.push_back({row, glm::vec3(row, off, 0), glm::vec3(row + 1, -off, 0)});
    }
    EXPECT_GT(thinFlight(shaken).size(), 8u) << "more than the distances alone keep";

    // Seeks are no flight: a jump records no rows between, a row flown again replaces its sample.
    FlightRecorder recorder;
    recorder.start();
    recorder.sample(10.0, glm::vec3(0), glm::vec3(0, 0, 1), 7.0);
    recorder.sample(10.5, glm::vec3(1), glm::vec3(1, 1, 2), 7.0);
    recorder.sample(60.5, glm::vec3(2), glm::vec3(2, 2, 3), 7.0);
    recorder.sample(61.5, glm::vec3(3), glm::vec3(3, 3, 4), 7.0);
    recorder.sample(9.9, glm::vec3(4), glm::vec3(4, 4, 5), 7.0);
    recorder.sample(10.1, glm::vec3(6), glm::vec3(6, 6, 7), 7.0);
    const auto jumped = recorder.stop();
    ASSERT_EQ(jumped.size(), 2u);
    EXPECT_TRUE(jumped[0].row == 10 && jumped[1].row == 61);
    test::expectNear(jumped[0].eye, glm::vec3(5), 1e-5f);
    EXPECT_FALSE(recorder.isRecording());
}

TEST(Flight, AWrittenFlightReplacesItsRowsKeepsTheShowAroundItAndRenamesEveryFile) {
    test::TempDir dir;
    test::writeTrack(dir.path(), "Camera.X", {{0, 5, Step}, {10, 7, Linear}, {50, 9, Linear}, {200, 1, Step}});
    test::writeTrack(dir.path(), "Camera.Mode", {{0, 2, Step}});
    const std::string cameraX = dir.file("_Camera.X.track");
    const uint64_t before = inode(cameraX);
    SyncTrackStore* store = createStore(dir.path() + "/");
    const std::vector<SyncKey> oldX = getTrack(store, "Camera.X")->keys;
    SyncTrack oldTrack;
    oldTrack.keys = oldX;
    oldTrack.keyCount = static_cast<int32_t>(oldX.size());

    std::vector<FlightSample> samples;
    for (int row = 40; row <= 60; ++row) samples.push_back({row, glm::vec3(row, 0, 0), glm::vec3(row, 0, 1)});
    test::LogCapture log;
    // One track that cannot be replaced stops them all, before any file changed.
    ASSERT_EQ(::mkdir(dir.file("_Focus.Y.track").c_str(), 0755), 0);
    EXPECT_FALSE(writeFlightTracks(*store, samples));
    EXPECT_EQ(log.errors().size(), 1u);
    EXPECT_EQ(inode(cameraX), before);
    EXPECT_EQ(getTrack(store, "Camera.X")->keys.size(), 4u);
    ASSERT_EQ(::rmdir(dir.file("_Focus.Y.track").c_str()), 0);
    EXPECT_EQ(test::fileNames(dir.path()), (std::vector<std::string>{"_Camera.Mode.track", "_Camera.X.track"}));
    log.clear();

    ASSERT_TRUE(writeFlightTracks(*store, samples));
    EXPECT_EQ(log.messages(), (std::vector<std::string>{
                                  "Flight of rows 40 to 60 (21 rows) written, keys per track: Camera.X 4, Camera.Y 2, "
                                  "Camera.Z 2, Focus.X 2, Focus.Y 2, Focus.Z 2, Camera.Mode 2"}));

    // Outside the rows the tracks read as before; inside, the flight and mode 0.
    const SyncTrack* x = getTrack(store, "Camera.X");
    const SyncTrack* mode = getTrack(store, "Camera.Mode");
    for (int row = 0; row < 250; ++row) {
        const bool inside = row >= 40 && row <= 60;
        EXPECT_NEAR(getValue(x, row), inside ? row : getValue(&oldTrack, row), 1e-4) << row;
        EXPECT_EQ(getValue(mode, row), inside ? 0.0 : 2.0) << row;
    }
    EXPECT_NEAR(getValue(getTrack(store, "Focus.Z"), 50.5), 1.0, 1e-6);

    // Every file holds what the store now reads, each came by a rename, and no temporary is left.
    EXPECT_NE(inode(cameraX), before);
    std::vector<std::string> names;
    for (const auto& track : store->tracks) {
        EXPECT_EQ(test::readFile(trackPath(*store, track->name.c_str())), test::trackBytes(track->keys)) << track->name;
        names.push_back(trackFileName(track->name));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(test::fileNames(dir.path()), names);
    destroyStore(store);
}
