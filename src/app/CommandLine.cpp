// Option tables and the parser. An option is added with one row in
// commandLineOptions() (and a rule in commandLineChecks() when it depends on others).
#include "app/CommandLine.h"

#include "core/ShowFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {
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
    o.capture.width = o.width = static_cast<int>(w);
    o.capture.height = o.height = static_cast<int>(h);
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

bool applySyncEditorGroups(LaunchOptions& o, const std::string&, std::string&) {
    o.syncEditorGroups = true;
    return true;
}

bool applyStart(LaunchOptions& o, const std::string& value, std::string& error) {
    return applySeconds("--start", o.start, value, error);
}

bool applyLoop(LaunchOptions& o, const std::string& value, std::string& error) {
    const size_t colon = value.find(':');
    double from = 0.0, to = 0.0;
    if (colon == std::string::npos || !readNumber(value.substr(0, colon), from) ||
        !readNumber(value.substr(colon + 1), to) || from < 0.0 || !(to > from)) {
        error = "--loop needs FROM:TO in seconds of the soundtrack, 0 <= FROM < TO, not '" + value + "'";
        return false;
    }
    o.loopFrom = from;
    o.loopTo = to;
    return true;
}

bool applyFullscreen(LaunchOptions& o, const std::string& value, std::string& error) {
    if (!value.empty() && value != "desktop") {
        error = "--fullscreen takes nothing or 'desktop', not '" + value + "'";
        return false;
    }
    o.fullscreen = value.empty() ? 1 : 2;
    return true;
}

bool applyWindowed(LaunchOptions& o, const std::string&, std::string&) {
    o.fullscreen = 0;
    return true;
}

bool applyNew(LaunchOptions& o, const std::string& value, std::string& error) {
    if (value.empty()) {
        error = "--new needs a folder for the show";
        return false;
    }
    o.newShow = value;
    return true;
}

bool applyBpm(LaunchOptions& o, const std::string& value, std::string& error) {
    double bpm = 0.0;
    if (!readNumber(value, bpm) || bpm < kMinBeatsPerMinute || bpm > kMaxBeatsPerMinute) {
        error = "--bpm needs beats per minute from " + std::to_string(static_cast<int>(kMinBeatsPerMinute)) + " to " +
                std::to_string(static_cast<int>(kMaxBeatsPerMinute)) + ", not '" + value + "'";
        return false;
    }
    o.newBeatsPerMinute = bpm;
    return true;
}

bool applySoundtrack(LaunchOptions& o, const std::string& value, std::string& error) {
    if (value.size() < 5 || value.compare(value.size() - 4, 4, ".mp3") != 0) {
        error = "--soundtrack needs a file name ending in .mp3, not '" + value + "'";
        return false;
    }
    o.newSoundtrack = value;
    return true;
}

bool applyHelp(LaunchOptions& o, const std::string&, std::string&) {
    o.help = true;
    return true;
}

// Options that make no sense together; the first named in the error is the later one in the table.
bool checkExclusive(const LaunchOptions& o, std::string& error) {
    static const char* const pairs[][2] = {{"--start", "--loop"},     {"--start", "--capture"},
                                           {"--loop", "--capture"},   {"--fullscreen", "--windowed"},
                                           {"--fullscreen", "--capture"}};
    for (const auto& pair : pairs)
        if (o.has(pair[0]) && o.has(pair[1])) {
            error = std::string(pair[0]) + " does not go with " + pair[1];
            return false;
        }
    return true;
}

// --new writes a show and ends: nothing else would happen.
bool checkNewAlone(const LaunchOptions& o, std::string& error) {
    if (!o.has("--new")) return true;
    for (const std::string& name : o.given)
        if (name != "--new" && name != "--bpm" && name != "--soundtrack") {
            error = name + " does not go with --new";
            return false;
        }
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
        {"--capture", "DIR", false, nullptr, applyCapture, "render frames offline into DIR as PNG files, then end"},
        {"--fps", "N", false, "--capture", applyFps, "frames per second of a capture (default 60)"},
        {"--from", "S", false, "--capture", applyFrom, "first second of the soundtrack to capture (default 0)"},
        {"--to", "S", false, "--capture", applyTo, "second to capture up to (default the soundtrack's end)"},
        {"--video", "FILE.mp4", false, "--capture", applyVideo, "also encode the capture with its sound (needs ffmpeg)"},
        {"--video-quality", "default|compo", false, "--video", applyVideoQuality,
         "compo: H.264 High, 10 Mbit/s at 1080p, AAC 192 kbit/s, as party rules ask"},
        {"--sync-editor", "HOST[:PORT]", true, nullptr, applySyncEditor,
         "take the tracks live from a sync editor (default localhost:1338)"},
        {"--sync-editor-groups", nullptr, false, "--sync-editor", applySyncEditorGroups,
         "show tracks in the editor's groups: Camera.X as Camera:X (files keep Camera.X)"},
        {"--start", "S", false, nullptr, applyStart, "play from S seconds, in the scene a run from 0 reaches there"},
        {"--loop", "A:B", false, nullptr, applyLoop, "play from A to B seconds and jump back to A, over and over"},
        {"--size", "WxH", false, nullptr, applySize, "window (or capture) size in pixels, instead of Config.txt's"},
        {"--fullscreen", "desktop", true, nullptr, applyFullscreen,
         "full screen for this run, whatever Config.txt says; desktop: borderless at the desktop's size"},
        {"--windowed", nullptr, false, nullptr, applyWindowed, "in a window for this run, whatever Config.txt says"},
        {"--new", "DIR", false, nullptr, applyNew,
         "write a starter show into DIR, a new or empty folder, and end"},
        {"--bpm", "N", false, "--new", applyBpm, "tempo of the new show (default 120; its click track follows it)"},
        {"--soundtrack", "FILE.mp3", false, "--new", applySoundtrack,
         "copy FILE.mp3 into the new show as its soundtrack instead of a click track"},
        {"--help", nullptr, false, nullptr, applyHelp, "this text"},
    };
    return options;
}

const std::vector<CommandLineCheck>& commandLineChecks() {
    static const std::vector<CommandLineCheck> checks = {checkExclusive, checkNewAlone, checkRange};
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

std::string commandLineHelp() {
    std::string help = commandLineUsage() + "\n\nPlays the show in the working directory (Config.txt, res/).\n\n";
    for (const CommandLineOption& option : commandLineOptions()) {
        std::string left = "  " + std::string(option.name);
        if (option.value) left += option.valueOptional ? " [" + std::string(option.value) + "]" : " " + std::string(option.value);
        left.resize(std::max<size_t>(left.size() + 2, 28), ' ');
        help += left + option.help + "\n";
    }
    help += "\n--new takes the shaders, textures and models it copies from the first of these that\n"
            "  holds them: res/ beside the solvane executable, ../res from it, ../share/solvane/res from it.\n";
    help += "\nKeys and buttons (the keyboard works with or without a game controller):\n"
            "  Escape                 end the show (closing the window too)\n"
            "  Space                  pause / resume\n"
            "  Left / Right           back / on by one beat; with Shift by one bar\n"
            "  Home                   back to the start\n"
            "  D-pad left / right     back / on by one step (0.0167 s) while held; down / up by four\n"
            "In camera mode 2 (the free camera):\n"
            "  W A S D, Q / E         fly ahead, left, back, right, down / up; Shift faster\n"
            "  right mouse button     hold and move the mouse to look around\n"
            "  left stick, triggers   fly; the right stick looks\n"
            "  P or pad A             place a camera path point where the camera is\n"
            "  Backspace or pad B     remove the last point (the camera goes back to it)\n"
            "  Enter or pad X         sample the points into the active camera object\n"
            "  R or pad Y             record the flight into the camera tracks; again: write it\n";
    return help;
}

bool parseCommandLine(int argc, const char* const* argv, LaunchOptions& options, std::string& error) {
    const auto& table = commandLineOptions();
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        // --name=value is read as --name value.
        const size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
        const bool joined = equals != std::string::npos;
        const std::string joinedValue = joined ? word.substr(equals + 1) : "";
        if (joined) word.resize(equals);
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
        std::string value = joinedValue;
        if (joined && !option->value) {
            error = word + " takes no value";
            return false;
        }
        if (option->value && !joined) {
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
