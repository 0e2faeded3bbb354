#include "core/ShowTiming.h"

namespace {
ShowTiming& current() {
    static ShowTiming timing;
    return timing;
}
} // namespace

const ShowTiming& showTiming() { return current(); }

void setShowTiming(const ShowTiming& timing) { current() = timing; }
