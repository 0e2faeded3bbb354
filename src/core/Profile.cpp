// The profiler's hook: null in the player, set by bench/frame_profile.
#include "core/Profile.h"

namespace profile {
StageTimes* active = nullptr;
} // namespace profile
