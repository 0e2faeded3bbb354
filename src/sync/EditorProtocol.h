// The wire format of the sync-tracker editor that the demo talks to as a TCP
// client: greetings, the client's requests and the editor's edits. Plain
// functions over byte buffers, no sockets; all numbers big-endian.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace editor {

constexpr uint16_t kDefaultPort = 1338;
extern const std::string kClientGreeting;  // sent by the demo right after connecting
extern const std::string kServerGreeting;  // the editor's answer
// Names longer than this are refused rather than handed to an editor that must buffer them.
constexpr uint32_t kMaxNameLength = 1u << 20;

enum Command : uint8_t { SetKey = 0, DeleteKey = 1, GetTrack = 2, SetRow = 3, Pause = 4, SaveTracks = 5 };

// One message from the editor. `track` and `row` for SetKey and DeleteKey,
// `row` for SetRow, `value` and `type` for SetKey, `pause` for Pause.
struct Message {
    Command command = SaveTracks;
    uint32_t track = 0;
    int32_t row = 0;
    float value = 0.0f;
    int32_t type = 0;
    bool pause = false;
};

enum class Decoded { Message, Incomplete, Fault };

// Decodes the message at the start of `bytes`. Message: `out` holds it and
// `used` its size. Incomplete: wait for more bytes. Fault: the stream cannot
// be trusted from here on; `fault` says why. Track indices at or above
// `requestedTracks` are faults: the editor only knows tracks it was asked for.
Decoded decode(const uint8_t* bytes, size_t size, uint32_t requestedTracks, Message& out, size_t& used,
               std::string& fault);

void appendGetTrack(std::vector<uint8_t>& out, const std::string& name);
void appendSetRow(std::vector<uint8_t>& out, uint32_t row);

// Editors fold tracks into groups at a ':' in the name; the engine groups with
// a '.'. The name an editor shows under groups: the first '.' made a ':'
// ("Camera.X" shows as "Camera:X" under "Camera"). The editor never sends a
// name back (its edits name a track by the order it was asked for), so the
// engine's own name stays the one its file is saved under.
std::string groupedTrackName(const std::string& name);

// "HOST", "HOST:PORT", "[IPv6]" or "[IPv6]:PORT"; empty means localhost on
// the default port. False for an empty host or a port outside 1..65535.
bool parseAddress(const std::string& address, std::string& host, uint16_t& port);

} // namespace editor
