// The fuzz targets' bodies, one plain function per loader, shared by the
// libFuzzer programs (FuzzMain.cpp) and the unit test that replays every input
// a fuzzer ever broke (fuzz/regressions/<target>/).
#pragma once
#include <cstddef>
#include <cstdint>

namespace fuzz {

using Target = int (*)(const uint8_t* data, size_t size);

struct NamedTarget {
    const char* name;
    Target run;
};

// Every target, by the name of its program ("fuzz_" + name) and regression folder.
extern const NamedTarget kTargets[];
extern const size_t kTargetCount;

// The target of that name, or null.
Target findTarget(const char* name);

} // namespace fuzz
