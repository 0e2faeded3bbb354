// The helpers of TestSupport.h, on POSIX calls (mkdtemp, utimensat, fork and
// waitpid) and xdotool for keys.
#include "TestSupport.h"

#include <stb/stb_image.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "solvane-test-XXXXXX").string();
    dir = mkdtemp(&pattern[0]) ? pattern : "";
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
}

WorkingDir::~WorkingDir() {
    if (!previous.empty() && chdir(previous.c_str()) != 0) std::perror("chdir back");
}

bool WorkingDir::enter(const std::string& dir) {
    if (previous.empty()) previous = fs::current_path().string();
    return chdir(dir.c_str()) == 0;
}

void writeFile(const std::string& path, const std::string& content) {
    if (fs::path(path).has_parent_path()) fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::string readFile(const std::string& path) {
    std::stringstream ss;
    ss << std::ifstream(path, std::ios::binary).rdbuf();
    return ss.str();
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> fileNames(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void expectInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    auto at = lines.begin();
    for (const std::string& want : expected) {
        at = std::find(at, lines.end(), want);
        if (at == lines.end()) {
            ADD_FAILURE() << "missing or out of order: " << want;
            return;
        }
        ++at;
    }
}

void setWriteTime(const std::string& path, double seconds) {
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[0].tv_nsec = static_cast<long>((seconds - static_cast<double>(times[0].tv_sec)) * 1e9);
    times[1] = times[0];
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

std::string trackBytes(const std::vector<SyncKey>& keys) {
    const auto bytes = encodeTrack(keys);
    return std::string(bytes.begin(), bytes.end());
}

void writeTrack(const std::string& dir, const std::string& name, const std::vector<SyncKey>& keys) {
    writeFile(dir + "/" + trackFileName(name), trackBytes(keys));
}

Colours countColours(const unsigned char* px, size_t pixelCount) {
    Colours c;
    for (size_t i = 0; i < 4 * pixelCount; i += 4) {
        const int r = px[i], g = px[i + 1], b = px[i + 2];
        c.yellow += r > 150 && g > 150 && b < 80;
        c.cyan += r < 80 && g > 120 && b > 150;
        c.lit += r + g + b > 30;
        c.magenta += r > 200 && g < 60 && b > 200;
        c.brightness += (r + g + b) / 3.0 / static_cast<double>(pixelCount);
    }
    return c;
}

Colours pngColours(const std::string& path, int* width, int* height) {
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load(path.c_str(), &w, &h, &n, 4);
    if (!px) return {-1, -1, -1, -1.0};
    const Colours colours = countColours(px, static_cast<size_t>(w) * h);
    stbi_image_free(px);
    if (width) *width = w;
    if (height) *height = h;
    return colours;
}

LogCapture::LogCapture() {
    SDL_LogGetOutputFunction(&previous, &previousUserdata);
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_VERBOSE);
    SDL_LogSetOutputFunction(&LogCapture::output, this);
}

LogCapture::~LogCapture() { SDL_LogSetOutputFunction(previous, previousUserdata); }

void LogCapture::output(void* self, int, SDL_LogPriority priority, const char* message) {
    auto* capture = static_cast<LogCapture*>(self);
    std::lock_guard<std::mutex> lock(capture->mutex);
    capture->captured.emplace_back(priority, message ? message : "");
}

std::vector<std::string> LogCapture::atLeast(SDL_LogPriority priority) const {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> out;
    for (const auto& entry : captured)
        if (entry.first >= priority) out.push_back(entry.second);
    return out;
}

size_t LogCapture::count(const std::string& message) const {
    const auto all = messages();
    return static_cast<size_t>(std::count(all.begin(), all.end(), message));
}

void LogCapture::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    captured.clear();
}

Process::Process(const std::string& binary, const std::string& workingDir, const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        if (chdir(workingDir.c_str()) == 0) execv(binary.c_str(), argv.data());
        _exit(127);
    }
}

Process::~Process() {
    if (pid > 0 && status == -1) {
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

int Process::wait(std::chrono::milliseconds deadline) {
    waitFor([this] {
        int st = 0;
        if (status != -1) return true;
        if (pid <= 0 || waitpid(pid, &st, WNOHANG) != pid) return false;
        status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        return true;
    }, deadline);
    return status;
}

// Titles and keys are the tests' own words, without quotes.
bool sendKey(const std::string& windowTitle, const std::string& key) {
    const std::string cmd = "w=$(xdotool search --name '" + windowTitle + "' 2>/dev/null | head -n 1); [ -n \"$w\" ] && " +
                            "xdotool key --window \"$w\" '" + key + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

static void copyTree(const std::string& from, const std::string& to) {
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::string standardConfig(int width, int height, int msaa, bool vsync) {
    return "ViewportWidth = " + std::to_string(width) + ";\nViewportHeight = " + std::to_string(height) +
           ";\nMSAA = " + std::to_string(msaa) + ";\nFullscreen = false;\nVSync = " + (vsync ? "true" : "false") + ";\n";
}

void copyShow(const TempDir& dir, const std::string& config, bool shortSoundtrack) {
    writeFile(dir.file("Config.txt"), config);
    copyTree(std::string(SOLVANE_SOURCE_DIR) + "/res", dir.file("res"));
    if (shortSoundtrack) copyTree(std::string(SOLVANE_FIXTURES_DIR) + "/res/audio", dir.file("res/audio"));
}

void copyFixtureShow(const TempDir& dir, const std::string& config) {
    writeFile(dir.file("Config.txt"), config);
    copyTree(std::string(SOLVANE_SOURCE_DIR) + "/res/shaders", dir.file("res/shaders"));
    copyTree(std::string(SOLVANE_FIXTURES_DIR) + "/res", dir.file("res"));
}

} // namespace test
