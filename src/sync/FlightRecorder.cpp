// Flight samples to track keys. The eye and the focus are thinned together, so
// all six look-at tracks keep the same rows and mode 0 interpolates the same
// span in each of them.
#include "sync/FlightRecorder.h"

#include "core/FileIO.h"
#include "sync/EngineTracks.h"
#include "sync/TrackText.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

void FlightRecorder::start() {
    recording = true;
    hasLast = false;
    samples.clear();
}

void FlightRecorder::sample(double row, const glm::vec3& eye, const glm::vec3& focus, double maxRowsPerFrame) {
    if (!recording || !std::isfinite(row) || std::fabs(row) > 1e9) return;
    if (hasLast && row > lastRow && row - lastRow <= maxRowsPerFrame) {
        for (double r = std::floor(lastRow) + 1.0; r <= row; r += 1.0) {
            // Where the camera was as the row went by, not where it is a part of a row later.
            const float t = static_cast<float>((r - lastRow) / (row - lastRow));
            const auto at = static_cast<int32_t>(r);
            samples[at] = {at, glm::mix(lastEye, eye, t), glm::mix(lastFocus, focus, t)};
        }
    } else if (!hasLast && row == std::floor(row)) {
        const auto at = static_cast<int32_t>(row);
        samples[at] = {at, eye, focus};
    }
    hasLast = true;
    lastRow = row;
    lastEye = eye;
    lastFocus = focus;
}

std::vector<FlightSample> FlightRecorder::stop() {
    recording = false;
    std::vector<FlightSample> out;
    out.reserve(samples.size());
    for (const auto& entry : samples) out.push_back(entry.second);
    samples.clear();
    return out;
}

std::vector<size_t> thinFlight(const std::vector<FlightSample>& samples, float units, float degrees) {
    std::vector<size_t> kept;
    if (samples.empty()) return kept;
    const float minCos = std::cos(glm::radians(degrees));
    // Every sample between the last kept one and `end` against the line between them.
    auto fits = [&](size_t anchor, size_t end) {
        const FlightSample& a = samples[anchor];
        const FlightSample& b = samples[end];
        for (size_t j = anchor + 1; j < end; ++j) {
            const FlightSample& s = samples[j];
            const float t = static_cast<float>(s.row - a.row) / static_cast<float>(b.row - a.row);
            const glm::vec3 eye = glm::mix(a.eye, b.eye, t);
            const glm::vec3 focus = glm::mix(a.focus, b.focus, t);
            if (glm::distance(eye, s.eye) > units || glm::distance(focus, s.focus) > units) return false;
            // A focus off by the whole tolerance on a side of its one unit turns the view by more than half a degree.
            const glm::vec3 look = focus - eye, flown = s.focus - s.eye;
            const float lengths = glm::length(look) * glm::length(flown);
            if (lengths > 0.0f && glm::dot(look, flown) < minCos * lengths) return false;
        }
        return true;
    };
    // From each kept sample, the farthest one the line can reach: found by doubling
    // the reach, then halving the gap, so a long straight flight costs n log n
    // checks rather than n squared (ten minutes of rows took seconds).
    const size_t n = samples.size();
    size_t anchor = 0;
    kept.push_back(0);
    while (anchor + 1 < n) {
        size_t good = anchor + 1, bad = n;  // `good` fits; `bad` does not, or lies past the end
        for (size_t reach = 2; anchor + reach < n; reach *= 2) {
            if (!fits(anchor, anchor + reach)) {
                bad = anchor + reach;
                break;
            }
            good = anchor + reach;
        }
        while (bad - good > 1) {
            const size_t middle = good + (bad - good) / 2;
            (fits(anchor, middle) ? good : bad) = middle;
        }
        kept.push_back(anchor = good);
    }
    return kept;
}

namespace {
double valueAt(const std::vector<SyncKey>& keys, double row) {
    SyncTrack track;
    track.keys = keys;
    track.keyCount = static_cast<int32_t>(keys.size());
    return getValue(&track, row);
}

// The type of the key that decides the value at `row`: Step before the first.
int32_t typeAt(const std::vector<SyncKey>& keys, int32_t row) {
    int32_t type = Step;
    for (const SyncKey& key : keys)
        if (key.row <= row) type = key.type;
    return type;
}

bool hasKeyAt(const std::vector<SyncKey>& keys, int32_t row) {
    return std::any_of(keys.begin(), keys.end(), [row](const SyncKey& k) { return k.row == row; });
}
} // namespace

std::vector<SyncKey> mergeRecordedKeys(const std::vector<SyncKey>& keys, const std::vector<SyncKey>& recorded,
                                       int32_t first, int32_t last) {
    std::vector<SyncKey> merged;
    for (const SyncKey& key : keys)
        if (key.row < first || key.row > last) merged.push_back(key);
    merged.insert(merged.end(), recorded.begin(), recorded.end());
    auto byRow = [](const SyncKey& a, const SyncKey& b) { return a.row < b.row; };
    std::stable_sort(merged.begin(), merged.end(), byRow);
    if (keys.empty()) return merged;
    // A track that held a value around the range keeps it there: the key before the
    // range no longer leads into the old keys inside it, the last recorded key would
    // run on into the rest of the show.
    std::vector<SyncKey> edges;
    if (first > std::numeric_limits<int32_t>::min() && !hasKeyAt(merged, first - 1)) {
        const float old = static_cast<float>(valueAt(keys, first - 1));
        if (static_cast<float>(valueAt(merged, first - 1)) != old) edges.push_back({first - 1, old, Step});
    }
    if (last < std::numeric_limits<int32_t>::max() && !hasKeyAt(merged, last + 1)) {
        const float old = static_cast<float>(valueAt(keys, last + 1));
        if (static_cast<float>(valueAt(merged, last + 1)) != old) edges.push_back({last + 1, old, typeAt(keys, last + 1)});
    }
    merged.insert(merged.end(), edges.begin(), edges.end());
    std::stable_sort(merged.begin(), merged.end(), byRow);
    return merged;
}

bool writeFlightTracks(SyncTrackStore& store, const std::vector<FlightSample>& samples) {
    if (samples.empty()) return true;
    const std::vector<size_t> kept = thinFlight(samples);
    const int32_t first = samples.front().row, last = samples.back().row;
    const char* names[] = {tracks::kCameraX, tracks::kCameraY, tracks::kCameraZ, tracks::kFocusX,
                           tracks::kFocusY,  tracks::kFocusZ,  tracks::kCameraMode};
    std::vector<SyncKey> recorded[7];
    for (size_t i : kept)
        for (int axis = 0; axis < 3; ++axis) {
            recorded[axis].push_back({samples[i].row, samples[i].eye[axis], Linear});
            recorded[3 + axis].push_back({samples[i].row, samples[i].focus[axis], Linear});
        }
    recorded[6].push_back({first, 0.0f, Step});

    // Found before the tracks are read, so the one line says why nothing changed.
    for (const char* name : names)
        if (!FileIO::replaceable(trackPath(store, name))) {
            SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Cannot write the flight into %s (not a regular file); no track was changed",
                         trackPath(store, name).c_str());
            return false;
        }
    std::vector<SyncKey> merged[7];
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (int t = 0; t < 7; ++t) {
        merged[t] = mergeRecordedKeys(getTrack(&store, names[t])->keys, recorded[t], first, last);
        files.emplace_back(trackPath(store, names[t]), encodeTrack(merged[t]));
    }
    // All seven together: a failure before the renames leaves the show as it was.
    FileIO::ReplaceFailure failure;
    if (!FileIO::replaceTogether(files, failure)) {
        if (failure.step == FileIO::ReplaceStep::Rename)
            SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Cannot replace %s with the flight (%s)", failure.path.c_str(),
                         failure.reason.c_str());
        else
            SDL_LogError(SDL_LOG_CATEGORY_SYSTEM, "Cannot write the flight into %s (%s); no track was changed",
                         failure.path.c_str(), failure.reason.c_str());
        return false;
    }
    std::string summary;
    for (int t = 0; t < 7; ++t) {
        SyncTrack* track = getTrack(&store, names[t]);
        size_t outside = 0;  // old keys, kept
        for (const SyncKey& key : track->keys) outside += key.row < first || key.row > last;
        track->keys = merged[t];
        track->keyCount = static_cast<int32_t>(merged[t].size());
        summary += std::string(summary.empty() ? "" : ", ") + names[t] + " " + std::to_string(merged[t].size() - outside);
    }
    SDL_LogInfo(SDL_LOG_CATEGORY_SYSTEM, "Flight of rows %d to %d (%zu rows) written, keys per track: %s", first, last,
                samples.size(), summary.c_str());
    return true;
}
