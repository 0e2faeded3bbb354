// ffmpeg as a child process fed through a pipe. SIGPIPE is ignored while the
// pipe is open, so an encoder that dies makes write() fail instead of killing the player.
#include "capture/VideoPipe.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

std::string findProgram(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/" + program;
        struct stat info {};
        // A bind-mounted /dev/null hides a program: only regular files count.
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return dir;
        start = end + 1;
    }
    return "";
}

namespace {
// x264's level for the frame size and rate: the lowest of 4.1 and 4.2 whose
// frame and macroblock-rate limits hold (1080p30 and 1080p60), else x264's choice.
std::vector<std::string> compoVideoArguments(int width, int height, int fps) {
    const long macroblocks = static_cast<long>((width + 15) / 16) * ((height + 15) / 16);
    // Rules ask for at least 8 Mbit/s at 1080p; a quarter more keeps the average above it.
    const long rate = std::max(100000L, static_cast<long>(10000000.0 * width * height / (1920.0 * 1080.0)));
    std::vector<std::string> arguments = {"-profile:v", "high", "-preset", "slow"};
    if (macroblocks <= 8192 && macroblocks * fps <= 245760)
        arguments.insert(arguments.end(), {"-level:v", "4.1"});
    else if (macroblocks <= 8704 && macroblocks * fps <= 522240)
        arguments.insert(arguments.end(), {"-level:v", "4.2"});
    // Constant rate with filler: a dark or still stretch cannot pull the average
    // below the floor, and the peak stays within maxrate and a one-second buffer.
    const std::string r = std::to_string(rate);
    arguments.insert(arguments.end(), {"-b:v", r, "-minrate", r, "-maxrate", r, "-bufsize", r, "-x264-params",
                                       "nal-hrd=cbr:force-cfr=1"});
    return arguments;
}
} // namespace

std::string ffmpegPath(const std::string& path) {
    // "file:" keeps a name that starts with '-' from being read as an option and
    // one with a ':' from being read as a protocol.
    return "file:" + path;
}

std::vector<std::string> ffmpegArguments(const std::string& output, int width, int height, int fps,
                                         const std::string& soundtrack, double from, long frames, bool compo) {
    char seconds[32], start[32];
    std::snprintf(start, sizeof start, "%.6f", from);
    std::snprintf(seconds, sizeof seconds, "%.6f", static_cast<double>(frames) / fps);
    std::vector<std::string> arguments = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", std::to_string(width) + "x" + std::to_string(height),
        "-framerate", std::to_string(fps), "-i", "pipe:0",
        "-ss", start, "-t", seconds, "-i", ffmpegPath(soundtrack),
        "-map", "0:v:0", "-map", "1:a:0",
        "-c:v", "libx264", "-pix_fmt", "yuv420p",
        // yuv420p needs even sides: a stray column or row is cut off.
        "-vf", "crop=trunc(iw/2)*2:trunc(ih/2)*2"};
    if (compo) {
        const std::vector<std::string> video = compoVideoArguments(width / 2 * 2, height / 2 * 2, fps);
        arguments.insert(arguments.end(), video.begin(), video.end());
        arguments.insert(arguments.end(), {"-c:a", "aac", "-profile:a", "aac_low", "-ac", "2", "-b:a", "192k"});
    } else {
        arguments.insert(arguments.end(), {"-preset", "medium", "-crf", "18", "-c:a", "aac", "-b:a", "192k"});
    }
    // A capture stopped early holds fewer frames than asked for: the sound ends with the picture.
    arguments.insert(arguments.end(), {"-t", seconds, "-shortest", "-movflags", "+faststart", ffmpegPath(output)});
    return arguments;
}

VideoPipe::~VideoPipe() {
    std::string ignored;
    close(ignored);
}

bool VideoPipe::open(const std::vector<std::string>& arguments, std::string& error) {
    int ends[2];
    if (pipe(ends) != 0) {
        error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    pid = fork();
    if (pid == 0) {
        // Its own process group: a Ctrl+C at the terminal stops the player, which
        // then closes the pipe, instead of killing the encoder mid-file.
        setpgid(0, 0);
        dup2(ends[0], STDIN_FILENO);
        ::close(ends[0]);
        ::close(ends[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    ::close(ends[0]);
    if (pid < 0) {
        ::close(ends[1]);
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    fd = ends[1];
    return true;
}

bool VideoPipe::write(const uint8_t* bytes, size_t size) {
    while (size > 0 && fd >= 0) {
        ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return fd >= 0;
}

bool VideoPipe::close(std::string& error) {
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (pid <= 0) return true;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    error = WIFEXITED(status) ? "ffmpeg failed with status " + std::to_string(WEXITSTATUS(status))
                              : "ffmpeg was killed by signal " + std::to_string(WTERMSIG(status));
    return false;
}
