// A child ffmpeg that encodes raw RGB frames from a pipe into an H.264 mp4 with
// a range of the soundtrack as its audio. Started with execvp, so no shell sees the names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The directory of `program` on PATH, empty when none holds an executable file of that name.
std::string findProgram(const std::string& program);

// `path` as ffmpeg must be given it to take it as a file name, whatever its first characters.
std::string ffmpegPath(const std::string& path);

// ffmpeg's arguments for `frames` frames of width x height at fps, with the
// soundtrack from `from` for frames / fps seconds. `compo`: the encoding party
// rules ask for (H.264 High at a level a 1080p player takes, a constant bit rate
// of 10 Mbit/s at 1920x1080 scaled by pixel count, AAC-LC stereo 192 kbit/s).
std::vector<std::string> ffmpegArguments(const std::string& output, int width, int height, int fps,
                                         const std::string& soundtrack, double from, long frames, bool compo = false);

class VideoPipe {
public:
    VideoPipe() = default;
    ~VideoPipe();
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;

    bool open(const std::vector<std::string>& arguments, std::string& error);
    // False once the encoder has gone away.
    bool write(const uint8_t* bytes, size_t size);
    // Closes the pipe and waits for the encoder; false unless it exited 0.
    bool close(std::string& error);

private:
    int fd = -1;
    int pid = -1;
};
