// Asynchronous read-back of the presented image through a ring of pixel-buffer
// objects: a frame is read into one buffer while older ones are copied out, so
// the driver is not made to finish each frame before the next one starts.
#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <vector>

inline constexpr int kReadbackRing = 3;

struct FrameReadback {
    GLuint buffers[kReadbackRing] = {};
    int width = 0;
    int height = 0;
    long issued = 0;     // frames read into the ring so far
    long collected = 0;  // frames copied out of it
};

// False (with one log line) when the buffers cannot be made.
bool createFrameReadback(FrameReadback& readback, int width, int height);
void destroyFrameReadback(FrameReadback& readback);
// Starts reading the back buffer of the default framebuffer (call before the swap).
// The ring must have room: collect first when `readbackFull`.
void issueFrameReadback(FrameReadback& readback);
bool readbackFull(const FrameReadback& readback);
bool readbackPending(const FrameReadback& readback);
// Copies the oldest frame in the ring out as RGBA rows, bottom row first.
bool collectFrameReadback(FrameReadback& readback, std::vector<uint8_t>& rgba);
