// Message framing of the editor protocol: a command byte, then fixed-size
// big-endian fields. Every message the editor sends is at most 14 bytes.
#include "sync/EditorProtocol.h"

#include <cmath>
#include <cstring>

namespace editor {

const std::string kClientGreeting = "hello, synctracker!";
const std::string kServerGreeting = "hello, demo!";

namespace {
uint32_t readU32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void appendU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

size_t messageSize(uint8_t command) {
    switch (command) {
    case SetKey: return 14;
    case DeleteKey: return 9;
    case SetRow: return 5;
    case Pause: return 2;
    case SaveTracks: return 1;
    default: return 0;
    }
}
} // namespace

Decoded decode(const uint8_t* bytes, size_t size, uint32_t requestedTracks, Message& out, size_t& used,
               std::string& fault) {
    if (size == 0) return Decoded::Incomplete;
    const uint8_t command = bytes[0];
    const size_t need = messageSize(command);
    if (need == 0) {
        fault = "unknown command " + std::to_string(command);
        return Decoded::Fault;
    }
    if (size < need) return Decoded::Incomplete;
    out = Message();
    out.command = static_cast<Command>(command);
    used = need;
    if (command == SetKey || command == DeleteKey) {
        out.track = readU32(bytes + 1);
        const uint32_t row = readU32(bytes + 5);
        const char* what = command == SetKey ? "SET_KEY" : "DELETE_KEY";
        if (out.track >= requestedTracks) {
            fault = std::string(what) + " for track " + std::to_string(out.track) + ", which was never requested";
            return Decoded::Fault;
        }
        if (row > 0x7fffffffu) {
            fault = std::string(what) + " at row " + std::to_string(row) + ", beyond the last row a track holds";
            return Decoded::Fault;
        }
        out.row = static_cast<int32_t>(row);
        if (command == SetKey) {
            const uint32_t bits = readU32(bytes + 9);
            std::memcpy(&out.value, &bits, 4);
            if (bytes[13] > 3) {
                fault = "interpolation " + std::to_string(bytes[13]) + " in SET_KEY for track " +
                        std::to_string(out.track) + " row " + std::to_string(row);
                return Decoded::Fault;
            }
            out.type = bytes[13];
            // Drawn it would poison every value after it, saved it could not be turned back into text.
            if (!std::isfinite(out.value)) {
                fault = "value " + std::string(std::isnan(out.value) ? "NaN" : "infinite") + " in SET_KEY for track " +
                        std::to_string(out.track) + " row " + std::to_string(row);
                return Decoded::Fault;
            }
        }
    } else if (command == SetRow) {
        const uint32_t row = readU32(bytes + 1);
        if (row > 0x7fffffffu) {
            fault = "SET_ROW to row " + std::to_string(row) + ", beyond the last row a track holds";
            return Decoded::Fault;
        }
        out.row = static_cast<int32_t>(row);
    } else if (command == Pause) {
        out.pause = bytes[1] != 0;
    }
    return Decoded::Message;
}

void appendGetTrack(std::vector<uint8_t>& out, const std::string& name) {
    out.push_back(GetTrack);
    appendU32(out, static_cast<uint32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}

void appendSetRow(std::vector<uint8_t>& out, uint32_t row) {
    out.push_back(SetRow);
    appendU32(out, row);
}

bool parseAddress(const std::string& address, std::string& host, uint16_t& port) {
    host = "localhost";
    port = kDefaultPort;
    if (address.empty()) return true;
    std::string portText;
    if (address.front() == '[') {
        const size_t close = address.find(']');
        if (close == std::string::npos) return false;
        host = address.substr(1, close - 1);
        const std::string rest = address.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return false;
            portText = rest.substr(1);
            if (portText.empty()) return false;
        }
    } else {
        const size_t colon = address.rfind(':');
        host = address.substr(0, colon);
        if (colon != std::string::npos) {
            if (address.find(':') != colon) return false;  // a bare IPv6 address needs brackets
            portText = address.substr(colon + 1);
            if (portText.empty()) return false;
        }
    }
    if (host.empty()) return false;
    if (!portText.empty()) {
        if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos) return false;
        const unsigned long value = std::stoul(portText);
        if (value < 1 || value > 65535) return false;
        port = static_cast<uint16_t>(value);
    }
    return true;
}

} // namespace editor
