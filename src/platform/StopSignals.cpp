#include "platform/StopSignals.h"

#include <csignal>
#include <initializer_list>

namespace stopSignals {

namespace {
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int signal) { stopSignal = signal; }
} // namespace

void install() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a read or write in progress finishes; the loop sees the flag
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int received() { return stopSignal; }

int exitStatus() {
    if (stopSignal == 0) return 0;
    return stopSignal == SIGINT ? 130 : 143;
}

const char* name() {
    switch (stopSignal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "no signal";
    }
}

void clear() { stopSignal = 0; }

} // namespace stopSignals
