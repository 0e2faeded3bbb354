// Text tracks. Seconds become rows at the show's tempo, rounded to the nearest
// row, so keys written in seconds land where the engine's clock reaches them.
#include "sync/TrackText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

namespace {
bool parseNumber(const std::string& word, double& out) {
    if (word.empty()) return false;
    char* end = nullptr;
    out = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size() && std::isfinite(out);
}

bool parseTime(const std::string& word, int32_t& row) {
    double n = 0.0;
    char unit = word.empty() ? 0 : word.back();
    if (unit == 'b' || unit == 's') {
        if (!parseNumber(word.substr(0, word.size() - 1), n)) return false;
        // Seconds as the sync device computes them, at the show's tempo.
        n = unit == 'b' ? n * showTiming().rowsPerBeat : n * static_cast<float>(rowsPerSecond());
        n = std::round(n);
    } else if (!parseNumber(word, n) || n != std::floor(n)) {
        return false;
    }
    if (n < 0.0 || n > 2147483647.0) return false;
    row = static_cast<int32_t>(n);
    return true;
}

const char* const kTypeNames[] = {"step", "linear", "smooth", "ramp"};

bool parseType(const std::string& word, int32_t& type) {
    const char* const* names = kTypeNames;
    for (int32_t i = 0; i < 4; ++i)
        if (word == names[i]) {
            type = i;
            return true;
        }
    return false;
}

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}
} // namespace

bool parseTrackText(const std::string& text, std::vector<TextTrack>& tracks, std::string& error) {
    std::istringstream in(text);
    std::string line;
    std::set<std::string> names;
    for (int number = 1; std::getline(in, line); ++number) {
        auto fail = [&](const std::string& reason) {
            error = std::to_string(number) + ": " + reason;
            return false;
        };
        line = trim(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']') return fail("a track name ends with ']'");
            std::string name = trim(line.substr(1, line.size() - 2));
            if (name.empty() || name.find_first_of(" \t/\\") != std::string::npos)
                return fail("bad track name '" + name + "'");
            if (!names.insert(name).second) return fail("track '" + name + "' appears twice");
            tracks.push_back({name, {}});
            continue;
        }
        if (tracks.empty()) return fail("a key before the first [track]");
        std::istringstream words(line);
        std::string timeWord, valueWord, typeWord, extra;
        words >> timeWord >> valueWord >> typeWord >> extra;
        SyncKey key{0, 0.0f, Linear};
        double value = 0.0;
        if (!parseTime(timeWord, key.row)) return fail("bad time '" + timeWord + "'");
        if (!parseNumber(valueWord, value)) return fail("bad value '" + valueWord + "'");
        key.value = static_cast<float>(value);
        if (!typeWord.empty() && !parseType(typeWord, key.type)) return fail("bad interpolation '" + typeWord + "'");
        if (!extra.empty()) return fail("unexpected '" + extra + "'");
        std::vector<SyncKey>& keys = tracks.back().keys;
        if (!keys.empty() && key.row <= keys.back().row)
            return fail("row " + std::to_string(key.row) + " does not come after row " +
                        std::to_string(keys.back().row));
        keys.push_back(key);
    }
    return true;
}

std::vector<uint8_t> encodeTrack(const std::vector<SyncKey>& keys) {
    // Sized once: growing by insert also trips GCC 12's overflow warning at -O3.
    std::vector<uint8_t> out(4 + keys.size() * 9);
    size_t at = 0;
    auto put = [&out, &at](const void* data, size_t size) {
        std::memcpy(out.data() + at, data, size);  // this engine runs little-endian only
        at += size;
    };
    int32_t count = static_cast<int32_t>(keys.size());
    put(&count, 4);
    for (const SyncKey& k : keys) {
        put(&k.row, 4);
        put(&k.value, 4);
        int8_t type = static_cast<int8_t>(k.type);
        put(&type, 1);
    }
    return out;
}

bool decodeTrack(const std::vector<uint8_t>& bytes, std::vector<SyncKey>& keys, std::string& error) {
    keys.clear();
    int32_t count = 0;
    if (bytes.size() < 4) {
        error = "shorter than a key count";
        return false;
    }
    std::memcpy(&count, bytes.data(), 4);
    if (count < 0 || bytes.size() != 4 + 9 * static_cast<uint64_t>(count)) {
        error = std::to_string(bytes.size()) + " bytes for " + std::to_string(count) + " keys";
        return false;
    }
    for (size_t at = 4; at < bytes.size(); at += 9) {
        SyncKey key{};
        std::memcpy(&key.row, &bytes[at], 4);
        std::memcpy(&key.value, &bytes[at + 4], 4);
        key.type = static_cast<int8_t>(bytes[at + 8]);
        keys.push_back(key);
    }
    return true;
}

std::string writeTrackText(const std::vector<TextTrack>& tracks) {
    std::string out;
    char buffer[64];
    for (const TextTrack& track : tracks) {
        if (!out.empty()) out += "\n";
        out += "[" + track.name + "]\n";
        for (const SyncKey& k : track.keys) {
            const int32_t perBeat = showTiming().rowsPerBeat;
            std::string time = k.row % perBeat == 0 ? std::to_string(k.row / perBeat) + "b" : std::to_string(k.row);
            // The shortest decimal that reads back as the same float.
            for (int digits = 6; digits <= 9; ++digits) {
                std::snprintf(buffer, sizeof(buffer), "%.*g", digits, static_cast<double>(k.value));
                if (static_cast<float>(std::strtod(buffer, nullptr)) == k.value) break;
            }
            std::string value = buffer;
            const bool known = k.type >= 0 && k.type <= 3;
            time.resize(std::max<size_t>(time.size() + 1, 8), ' ');
            value.resize(std::max<size_t>(value.size() + 1, 12), ' ');
            out += time + value + (known ? kTypeNames[k.type] : std::to_string(k.type)) + "\n";
        }
    }
    return out;
}

bool decompileTrack(const TextTrack& track, std::string& text, std::string& error) {
    text = writeTrackText({track});
    std::vector<TextTrack> back;
    if (!parseTrackText(text, back, error)) return false;
    if (back.size() != 1 || back[0].name != track.name || encodeTrack(back[0].keys) != encodeTrack(track.keys)) {
        error = "its text would not compile to the same bytes";
        return false;
    }
    return true;
}
