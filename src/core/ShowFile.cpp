// The show file's reader. Its values are checked here, before any window
// opens, so a typing slip in the tempo never plays a whole show off the beat.
#include "core/ShowFile.h"

#include "core/FileIO.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

bool readNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(out);
}

namespace {
std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string rangeText(double low, double high) {
    std::ostringstream out;
    out << low << " to " << high;
    return out.str();
}
} // namespace

bool parseShowFile(const std::string& text, ShowFile& show, std::string& error) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = trimmed(line.substr(0, equals));
        if (key.empty() || key[0] == '#' || key.find_first_of(" \t") != std::string::npos) continue;
        std::string value = line.substr(equals + 1);
        value = trimmed(value.substr(0, value.find(';')));
        double number = 0.0;
        if (key == "Soundtrack") {
            if (!value.empty()) show.soundtrack = value;
        } else if (key == "Title") {
            show.title = value;
        } else if (key == "BeatsPerMinute") {
            if (!readNumber(value, number) || number < kMinBeatsPerMinute || number > kMaxBeatsPerMinute) {
                error = std::string(kShowFileName) + ": BeatsPerMinute = '" + value + "' is not a number from " +
                        rangeText(kMinBeatsPerMinute, kMaxBeatsPerMinute);
                return false;
            }
            show.timing.beatsPerMinute = number;
        } else if (key == "RowsPerBeat") {
            if (!readNumber(value, number) || number != std::floor(number) || number < 1.0 || number > kMaxRowsPerBeat) {
                error = std::string(kShowFileName) + ": RowsPerBeat = '" + value + "' is not a whole number from " +
                        rangeText(1, kMaxRowsPerBeat);
                return false;
            }
            show.timing.rowsPerBeat = static_cast<int>(number);
        } else {
            show.warnings.push_back(std::string(kShowFileName) + ": unknown key '" + key +
                                    "' is ignored (known: Soundtrack, BeatsPerMinute, RowsPerBeat, Title)");
        }
    }
    return true;
}

bool readShowFile(const std::string& path, ShowFile& show, std::string& error) {
    std::error_code code;
    if (!std::filesystem::exists(path, code)) return true;
    std::vector<char> text;
    if (!FileIO::readText(path, text)) {
        error = path + " cannot be read";
        return false;
    }
    show.present = true;
    return parseShowFile(std::string(text.data()), show, error);
}
