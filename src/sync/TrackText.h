// The readable text form of sync tracks that the show's tracks are authored
// in, and its compilation to the binary track files the engine reads. Plain
// functions over plain data; relies on the key records of SyncTrack.
//
//   # a comment; blank lines are ignored
//   [Camera.Distance]        a track, named as the engine asks for it
//   0      40  smooth        key: time, value, interpolation to the next key
//   16b    22                time in beats (16 rows each), linear by default
//   12.5s  20  step          time in seconds at 106 beats per minute
//
// A plain number is a row. Interpolations: step, linear, smooth, ramp. Rows
// must rise strictly within a track; a track appears once.
#pragma once
#include "core/ShowTiming.h"
#include "sync/SyncTrack.h"

#include <cstdint>
#include <string>
#include <vector>

struct TextTrack {
    std::string name;
    std::vector<SyncKey> keys;
};

// False with "<line>: <reason>" in `error` at the first malformed line.
bool parseTrackText(const std::string& text, std::vector<TextTrack>& tracks, std::string& error);

// The binary form: key count, then row, value and one byte of type per key.
std::vector<uint8_t> encodeTrack(const std::vector<SyncKey>& keys);

// The keys of a binary track file that is exactly what encodeTrack writes:
// false with the reason when the size does not match the key count.
bool decodeTrack(const std::vector<uint8_t>& bytes, std::vector<SyncKey>& keys, std::string& error);

// The text form of `tracks`, which parses back to the same keys bit for bit
// (rows on a beat written in beats, values in as few digits as keep them exact).
std::string writeTrackText(const std::vector<TextTrack>& tracks);

// The text of one track, checked to compile back to the same bytes. False with
// the reason for keys text cannot hold: rows below 0 or out of order, values
// that are not finite, unknown interpolations, names the text form refuses.
bool decompileTrack(const TextTrack& track, std::string& text, std::string& error);
