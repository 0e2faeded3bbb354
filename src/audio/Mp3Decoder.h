// Whole-file MPEG audio decoding with libmpg123: any sample rate, mono or
// stereo, CBR or VBR, ID3 tags skipped, encoder padding trimmed (gapless).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct mpg123_handle_struct;

namespace Mp3Decoder {

enum class Result { Ok, CannotOpen, BadFormat };

// An open file with a libmpg123 decoder on it for 16-bit stereo at one output
// rate, keeping an index of every frame (sample-exact seeks); closed by close.
struct Decoder {
    int fd = -1;
    mpg123_handle_struct* handle = nullptr;
};
Result open(const std::string& path, long outputRate, Decoder& decoder);
void close(Decoder& decoder);

// Fills `pcm` with interleaved 16-bit stereo frames at `outputRate` Hz. A file
// that breaks off keeps what decoded before the break; one that yields no
// sample at all is BadFormat.
Result decodeFile(const std::string& path, long outputRate, std::vector<int16_t>& pcm);

// Reads as far as the first audio frame: Ok when `path` is a regular file
// that libmpg123 can decode, without decoding the whole of it.
Result probe(const std::string& path);

} // namespace Mp3Decoder
