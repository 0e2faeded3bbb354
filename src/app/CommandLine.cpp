// Option tables and the parser. An option is added with one row in
// commandLineOptions() (and a rule in commandLineChecks() when it depends on others).
#include "app/CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {
bool readNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(out);
}

bool readWhole(const std::string& text, long low, long high, long& out) {
    double value = 0.0;
    if (!readNumber(text, value) || value != std::floor(value) || value < low || value > high) return false;
    out = static_cast<long>(value);
    return true;
}

bool applyCapture(LaunchOptions& o, const std::string& value, std::string& error) {
    if (value.empty()) {
        error = "--capture needs a folder for the frames";
        return false;
    }
    o.capture.directory = value;
    return true;
}

bool applyFps(LaunchOptions& o, const std::string& value, std::string& error) {
    long fps = 0;
    if (!readWhole(value, 1, kMaxCaptureFps, fps)) {
        error = "--fps needs a whole number of frames per second from 1 to " + std::to_string(kMaxCaptureFps) +
                ", not '" + value + "'";
        return false;
    }
    o.capture.fps = static_cast<int>(fps);
    return true;
}

bool applySeconds(const char* name, double& field, const std::string& value, std::string& error) {
    double seconds = 0.0;
    if (!readNumber(value, seconds) || seconds < 0.0) {
        error = std::string(name) + " needs a soundtrack time in seconds, 0 or more, not '" + value + "'";
        return false;
    }
    field = seconds;
    return true;
}

bool applyFrom(LaunchOptions& o, const std::string& value, std::string& error) {
    return applySeconds("--from", o.capture.from, value, error);
}

bool applyTo(LaunchOptions& o, const std::string& value, std::string& error) {
    return applySeconds("--to", o.capture.to, value, error);
}

bool applySize(LaunchOptions& o, const std::string& value, std::string& error) {
    const size_t x = value.find('x');
    long w = 0, h = 0;
    if (x == std::string::npos || !readWhole(value.substr(0, x), 1, kMaxCaptureSide, w) ||
        !readWhole(value.substr(x + 1), 1, kMaxCaptureSide, h)) {
        error = "--size needs WIDTHxHEIGHT in pixels, each from 1 to " + std::to_string(kMaxCaptureSide) + ", not '" +
                value + "'";
        return false;
    }
    o.capture.width = static_cast<int>(w);
    o.capture.height = static_cast<int>(h);
    return true;
}

bool applyVideo(LaunchOptions& o, const std::string& value, std::string& error) {
    if (value.size() < 5 || value.compare(value.size() - 4, 4, ".mp4") != 0) {
        error = "--video needs a file name ending in .mp4, not '" + value + "'";
        return false;
    }
    o.capture.video = value;
    return true;
}

bool applyVideoQuality(LaunchOptions& o, const std::string& value, std::string& error) {
    if (value != "default" && value != "compo") {
        error = "--video-quality needs 'default' or 'compo', not '" + value + "'";
        return false;
    }
    o.capture.compoVideo = value == "compo";
    return true;
}

bool applySyncEditor(LaunchOptions& o, const std::string& value, std::string&) {
    o.syncEditor = value;
    o.useSyncEditor = true;
    return true;
}

bool checkRange(const LaunchOptions& o, std::string& error) {
    if (o.has("--to") && !(o.capture.to > o.capture.from)) {
        error = "--to must be later than --from (the range is empty)";
        return false;
    }
    return true;
}
} // namespace

bool LaunchOptions::has(const std::string& name) const {
    return std::find(given.begin(), given.end(), name) != given.end();
}

const std::vector<CommandLineOption>& commandLineOptions() {
    static const std::vector<CommandLineOption> options = {
        {"--capture", "DIR", false, nullptr, applyCapture},
        {"--fps", "N", false, "--capture", applyFps},
        {"--from", "S", false, "--capture", applyFrom},
        {"--to", "S", false, "--capture", applyTo},
        {"--size", "WxH", false, "--capture", applySize},
        {"--video", "FILE.mp4", false, "--capture", applyVideo},
        {"--video-quality", "default|compo", false, "--video", applyVideoQuality},
        {"--sync-editor", "HOST[:PORT]", true, nullptr, applySyncEditor},
    };
    return options;
}

const std::vector<CommandLineCheck>& commandLineChecks() {
    static const std::vector<CommandLineCheck> checks = {checkRange};
    return checks;
}

std::string commandLineUsage() {
    std::string usage = "usage: solvane";
    for (const CommandLineOption& option : commandLineOptions()) {
        usage += " [" + std::string(option.name);
        if (option.value) usage += option.valueOptional ? " [" + std::string(option.value) + "]" : " " + std::string(option.value);
        usage += "]";
    }
    return usage;
}

bool parseCommandLine(int argc, const char* const* argv, LaunchOptions& options, std::string& error) {
    const auto& table = commandLineOptions();
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        auto option = std::find_if(table.begin(), table.end(),
                                   [&](const CommandLineOption& o) { return word == o.name; });
        if (option == table.end()) {
            error = "unknown argument '" + word + "' (" + commandLineUsage() + ")";
            return false;
        }
        if (options.has(word)) {
            error = word + " is given twice";
            return false;
        }
        std::string value;
        if (option->value) {
            const bool present = i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0;
            if (!present && !option->valueOptional) {
                error = word + " needs a value: " + option->value;
                return false;
            }
            if (present) value = argv[++i];
        }
        if (!option->apply(options, value, error)) return false;
        options.given.push_back(word);
    }
    for (const CommandLineOption& option : table) {
        if (option.requires && options.has(option.name) && !options.has(option.requires)) {
            error = std::string(option.name) + " only works with " + option.requires;
            return false;
        }
    }
    for (CommandLineCheck check : commandLineChecks())
        if (!check(options, error)) return false;
    return true;
}
