// libFuzzer entry of one target, chosen when it is built (FUZZ_TARGET_NAME).
// Relies on FuzzTargets for the body.
#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::Target target = [] {
        fuzz::Target found = fuzz::findTarget(FUZZ_TARGET_NAME);
        if (!found) {
            std::fprintf(stderr, "no fuzz target named %s\n", FUZZ_TARGET_NAME);
            std::abort();
        }
        return found;
    }();
    return target(data, size);
}
