// The soundtrack clock against the audio actually played: finds, in a
// recording of the sink (bench/pulse_sink_clock --record), which frame of the
// soundtrack the sink was playing at each of the clock's polls (audio_clock
// --trace), by matching the recorded samples there against the decoded
// soundtrack near the clock's position. Prints the clock less that frame: its
// mean, its drift over the run and how far it strays. Run by
// bench/audio_clock_pulse.sh.
//   heard_position SOUNDTRACK RECORDING_PREFIX CLOCK_TRACE [--series]
// --series also prints each poll's time and the clock less the frame played.
#include "audio/AudioPlayback.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
constexpr double kRate = playback::kOutputRate;
constexpr int64_t kWindow = 1024;                 // frames compared around the played one
constexpr int64_t kSearch = 13230;                // frames either side of the clock's position (0.3 s)
constexpr int kTolerance = 2;                     // the sink's mixing may round
constexpr int kPollStep = 15;                     // every 15th poll: four a second

std::vector<int16_t> readRecording(const std::string& path) {
    std::vector<int16_t> samples;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        int16_t block[4096];
        size_t n = 0;
        while ((n = std::fread(block, sizeof(int16_t), 4096, f)) > 0) samples.insert(samples.end(), block, block + n);
        std::fclose(f);
    }
    return samples;
}

// Rows of `columns` numbers.
std::vector<std::vector<double>> readTable(const std::string& path, int columns) {
    std::vector<std::vector<double>> rows;
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return rows;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        std::vector<double> row(4, 0.0);
        if (std::sscanf(line, "%lf %lf %lf %lf", &row[0], &row[1], &row[2], &row[3]) >= columns) rows.push_back(row);
    }
    std::fclose(f);
    return rows;
}

// The recorded frame the sink played at `wall`: a line through the sink's
// reports within a quarter second, which evens out their noise.
bool playingAt(const std::vector<std::vector<double>>& times, double wall, double& frame) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    int n = 0;
    for (const auto& row : times) {
        const double x = row[0] - wall;
        if (std::fabs(x) > 0.25) continue;
        sx += x, sy += row[1], sxx += x * x, sxy += x * row[1];
        ++n;
    }
    if (n < 8) return false;
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    frame = (sy - slope * sx) / n;
    return true;
}

// The soundtrack frame whose neighbourhood matches the recording's around
// `recorded`, searched near `guess`; -1 when none or more than one does.
int64_t findInTrack(const std::vector<int16_t>& track, const std::vector<int16_t>& recording, int64_t recorded,
                    int64_t guess) {
    const int64_t trackFrames = static_cast<int64_t>(track.size() / 2);
    if (recorded < kWindow / 2 || recorded + kWindow / 2 > static_cast<int64_t>(recording.size() / 2)) return -1;
    const int16_t* rec = &recording[static_cast<size_t>(2 * (recorded - kWindow / 2))];
    int loudest = 0;
    for (int64_t i = 0; i < 2 * kWindow; ++i) loudest = std::max(loudest, std::abs(static_cast<int>(rec[i])));
    if (loudest < 500) return -1;  // silence matches anywhere
    int64_t found = -1;
    for (int64_t x = std::max<int64_t>(kWindow / 2, guess - kSearch);
         x <= std::min(trackFrames - kWindow / 2, guess + kSearch); ++x) {
        const int16_t* t = &track[static_cast<size_t>(2 * (x - kWindow / 2))];
        int64_t i = 0;
        while (i < 2 * kWindow && std::abs(static_cast<int>(t[i]) - static_cast<int>(rec[i])) <= kTolerance) ++i;
        if (i < 2 * kWindow) continue;
        if (found >= 0) return -1;
        found = x;
    }
    return found;
}
} // namespace

int main(int argc, char** argv) {
    const bool series = argc == 5 && std::string(argv[4]) == "--series";
    if (argc != 4 && !series) {
        std::fprintf(stderr, "usage: heard_position SOUNDTRACK RECORDING_PREFIX CLOCK_TRACE [--series]\n");
        return 2;
    }
    const std::string prefix = argv[2];
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    playback::Handle stream = 0;
    if (playback::init(playback::kSilentDevice, playback::kOutputRate, 0))
        stream = playback::streamCreateFile(false, argv[1], 0, 0, playback::kStreamPrescan);
    if (stream == 0) {
        std::fprintf(stderr, "heard_position: cannot decode %s\n", argv[1]);
        return 1;
    }
    const size_t frames = playback::channelGetLength(stream, playback::kPosByte) / playback::kBytesPerFrame;
    std::vector<int16_t> track(frames * 2);
    playback::streamRead(stream, 0, frames, track.data());
    playback::free();

    const std::vector<int16_t> recording = readRecording(prefix + ".raw");
    const auto times = readTable(prefix + ".times", 2);
    const auto polls = readTable(argv[3], 2);
    std::vector<double> at, ahead;  // seconds since the first poll; clock less the frame played, in seconds
    int tried = 0;
    for (size_t i = 0; i < polls.size(); i += kPollStep) {
        const double wall = polls[i][0];
        const double position = polls[i][1];
        double recorded = 0.0;
        if (!playingAt(times, wall, recorded)) continue;
        ++tried;
        const int64_t whole = static_cast<int64_t>(std::llround(recorded));
        const int64_t x = findInTrack(track, recording, whole, static_cast<int64_t>(std::llround(position * kRate)));
        if (x < 0) continue;
        at.push_back(wall - polls[0][0]);
        ahead.push_back(position - (static_cast<double>(x) + (recorded - static_cast<double>(whole))) / kRate);
        if (series) std::printf("%8.3f %+8.3f ms\n", at.back(), ahead.back() * 1e3);
    }
    const size_t n = at.size();
    if (n < 20) {
        std::fprintf(stderr, "heard_position: the soundtrack was found at %zu of %d polls only\n", n, tried);
        return 1;
    }
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < n; ++i) sx += at[i], sy += ahead[i], sxx += at[i] * at[i], sxy += at[i] * ahead[i];
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double offset = (sy - slope * sx) / n;
    double spread = 0, largest = 0, head = 0, tail = 0;
    int heads = 0, tails = 0;
    const double span = at[n - 1] - at[0];
    for (size_t i = 0; i < n; ++i) {
        const double r = ahead[i] - (offset + slope * at[i]);
        spread += r * r;
        largest = std::max(largest, std::fabs(r));
        if (at[i] - at[0] < 2.0) head += ahead[i], ++heads;
        if (at[n - 1] - at[i] < 2.0) tail += ahead[i], ++tails;
    }
    std::printf("CLOCK AGAINST THE AUDIO THE SINK PLAYED over %.1f s (found at %zu of %d polls): "
                "clock ahead by %+.3f ms on average; drift %+.3f ms by the line fit, %+.3f ms end less start "
                "(2 s at each end); off the line: standard deviation %.3f ms, largest %.3f ms\n",
                span, n, tried, sy / n * 1e3, slope * span * 1e3, (tail / tails - head / heads) * 1e3,
                std::sqrt(spread / n) * 1e3, largest * 1e3);
    return 0;
}
