// Text tracks. Seconds become rows at the show's tempo, rounded to the nearest
// row, so keys written in seconds land where the engine's clock reaches them.
#include "sync/TrackText.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

namespace {
// As the sync device computes it, at the show's tempo.
const float kRowsPerSecond = static_cast<float>(rowsPerSecond(kSoundtrackBpm));

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
        n = unit == 'b' ? n * kRowsPerBeat : n * kRowsPerSecond;
        n = std::round(n);
    } else if (!parseNumber(word, n) || n != std::floor(n)) {
        return false;
    }
    if (n < 0.0 || n > 2147483647.0) return false;
    row = static_cast<int32_t>(n);
    return true;
}

bool parseType(const std::string& word, int32_t& type) {
    static const char* const names[] = {"step", "linear", "smooth", "ramp"};
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
    std::vector<uint8_t> out;
    auto put = [&out](const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        out.insert(out.end(), bytes, bytes + size);  // this engine runs little-endian only
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

