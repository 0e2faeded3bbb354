// Whole-file MPEG audio decoding with libmpg123: any sample rate, mono or
// stereo, CBR or VBR, ID3 tags skipped, encoder padding trimmed (gapless).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace Mp3Decoder {

enum class Result { Ok, CannotOpen, BadFormat };

// Fills `pcm` with interleaved 16-bit stereo frames at `outputRate` Hz. A file
// that breaks off keeps what decoded before the break; one that yields no
// sample at all is BadFormat.
Result decodeFile(const std::string& path, long outputRate, std::vector<int16_t>& pcm);

// Reads as far as the first audio frame: Ok when `path` is a regular file
// that libmpg123 can decode, without decoding the whole of it.
Result probe(const std::string& path);

// Starts decoding `path` on a worker thread, so that start-up can open the
// window meanwhile: the next decodeFile of the same path and rate takes that
// result instead of decoding again. One prefetch at a time; a second call
// while one is pending does nothing.
void prefetch(const std::string& path, long outputRate);

} // namespace Mp3Decoder
