// The live connection to a sync-tracker editor: the demo asks for each track
// as the engine first reads it, and the editor's key edits, row jumps, pauses
// and save requests apply to the track store and the soundtrack. Relies on the
// wire format of EditorProtocol and on POSIX sockets; never blocks a frame.
#pragma once
#include "sync/EditorProtocol.h"
#include "sync/SyncTrack.h"

#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <vector>

class IAudioDevice;

class SyncEditor {
public:
    // The store and the soundtrack must outlive the editor.
    SyncEditor(SyncTrackStore& store, IAudioDevice& audio) : store(store), audio(audio) {}
    // Waits for a save in progress.
    ~SyncEditor();
    SyncEditor(const SyncEditor&) = delete;
    SyncEditor& operator=(const SyncEditor&) = delete;

    // Connects to "HOST[:PORT]" and exchanges greetings, waiting a few seconds
    // at most. False with one log line; the tracks then come from files only.
    bool connect(const std::string& address);
    bool isConnected() const { return socket >= 0; }

    // A track the engine reads for the first time: asked of the editor, whose
    // answer replaces the keys from the file.
    void requestTrack(SyncTrack* track);
    // Once per frame: sends what is queued, applies what has arrived.
    void poll(float rowsPerSecond);
    // The row the frame uses: exactly the editor's row while the soundtrack
    // stands where the editor put it. Tells the editor a new row while playing.
    float settleRow(float row, float position);
    // True while the editor holds the soundtrack paused.
    bool holdsPause() const { return paused; }

private:
    // A key edit waiting for the end of the poll that read it.
    struct KeyEdit {
        uint32_t track;
        SyncKey key;
        bool remove;
    };

    void apply(const editor::Message& message, float rowsPerSecond);
    // Merges the poll's key edits into their tracks: one pass per track however
    // many arrived, so keys sent in any order cost no more than keys sent in order.
    void applyKeyEdits();
    // Reads and decodes what has arrived, within the frame's budget.
    void receive(float rowsPerSecond);
    void seekToRow(int32_t row, float rowsPerSecond);
    // Starts one save of every track if one was asked for and none is running.
    void saveTracks();
    void flush();
    // Closes the socket with one log line; a paused soundtrack plays on.
    void drop(const std::string& reason);

    SyncTrackStore& store;
    IAudioDevice& audio;
    int socket = -1;
    std::vector<uint8_t> input;   // fixed capacity: at most one partial message stays between reads
    size_t inputSize = 0;
    std::vector<uint8_t> output;  // bytes the socket has not taken yet
    std::vector<SyncTrack*> tracks;  // by the editor's index: the order of requests
    std::vector<bool> answered;      // the editor has sent keys for that track
    bool paused = false;
    int64_t lastSentRow = -1;
    bool pinned = false;  // the soundtrack stands where the editor's SET_ROW put it
    float pinnedPosition = 0.0f;
    float pinnedRow = 0.0f;
    std::vector<KeyEdit> keyEdits;
    // Any number of SAVE_TRACKS in a frame make one save, written on a worker
    // while the show goes on; a request during a save waits for it to end.
    bool saveRequested = false;
    std::future<void> saving;
    std::chrono::steady_clock::time_point lastSeekWarning{};
};
