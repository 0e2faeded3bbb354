#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "solvane-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    dir = made ? made : "";
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
}

WorkingDir::~WorkingDir() {
    if (!previous.empty() && chdir(previous.c_str()) != 0) std::perror("chdir back");
}

bool WorkingDir::enter(const std::string& dir) {
    if (previous.empty()) {
        char* cwd = getcwd(nullptr, 0);
        if (!cwd) return false;
        previous = cwd;
        free(cwd);
    }
    return chdir(dir.c_str()) == 0;
}

void writeFile(const std::string& path, const std::string& content) {
    fs::path p(path);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

void expectInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    size_t at = 0;
    for (const std::string& want : expected) {
        auto it = std::find(lines.begin() + static_cast<long>(at), lines.end(), want);
        if (it == lines.end()) {
            ADD_FAILURE() << "missing or out of order: " << want;
            return;
        }
        at = static_cast<size_t>(it - lines.begin()) + 1;
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
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

LogCapture::LogCapture() {
    SDL_LogGetOutputFunction(&previous, &previousUserdata);
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_VERBOSE);
    SDL_LogSetOutputFunction(&LogCapture::output, this);
}

LogCapture::~LogCapture() { SDL_LogSetOutputFunction(previous, previousUserdata); }

void LogCapture::output(void* userdata, int category, SDL_LogPriority priority, const char* message) {
    auto* self = static_cast<LogCapture*>(userdata);
    std::lock_guard<std::mutex> lock(self->mutex);
    self->captured.push_back({category, priority, message ? message : ""});
}

std::vector<LogCapture::Entry> LogCapture::entries() const {
    std::lock_guard<std::mutex> lock(mutex);
    return captured;
}

std::vector<std::string> LogCapture::messages() const {
    std::vector<std::string> out;
    for (const Entry& e : entries()) out.push_back(e.message);
    return out;
}

bool LogCapture::contains(const std::string& message) const { return count(message) > 0; }

size_t LogCapture::count(const std::string& message) const {
    size_t n = 0;
    for (const Entry& e : entries()) n += e.message == message ? 1 : 0;
    return n;
}

void LogCapture::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    captured.clear();
}

} // namespace test

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace test {

Process::Process(const std::string& binary, const std::string& workingDir) {
    pid = fork();
    if (pid == 0) {
        if (chdir(workingDir.c_str()) != 0) _exit(127);
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

Process::~Process() {
    if (running()) kill();
}

bool Process::running() {
    if (pid <= 0 || status != -1) return false;
    int st = 0;
    pid_t r = waitpid(pid, &st, WNOHANG);
    if (r == pid) {
        status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        return false;
    }
    return r == 0;
}

int Process::wait(std::chrono::milliseconds deadline) {
    waitFor([this] { return !running(); }, deadline);
    return status;
}

void Process::kill() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    int st = 0;
    waitpid(pid, &st, 0);
    if (status == -1) status = 128 + SIGKILL;
}

namespace {
std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
} // namespace

bool sendKey(const std::string& windowTitle, const std::string& key) {
    std::string cmd = "w=$(xdotool search --name " + shellQuote(windowTitle) +
                      " 2>/dev/null | head -n 1); [ -n \"$w\" ] && xdotool key --window \"$w\" " +
                      shellQuote(key) + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

void copyTree(const std::string& from, const std::string& to) {
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::string standardConfig(int width, int height, int msaa, bool vsync) {
    return "ViewportWidth = " + std::to_string(width) + ";\n" +
           "ViewportHeight = " + std::to_string(height) + ";\n" +
           "MSAA = " + std::to_string(msaa) + ";\n" +
           "Fullscreen = false;\n" +
           "VSync = " + (vsync ? "true" : "false") + ";\n";
}

} // namespace test
