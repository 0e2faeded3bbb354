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

} // namespace Mp3Decoder
