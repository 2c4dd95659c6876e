#include "engine/Pacing.h"

#include <algorithm>

namespace quarlo {

Pacing Pacing::fromDispatchPause(int milliseconds) {
    const int p = std::max(0, milliseconds);
    Pacing pacing;
    pacing.pause = std::chrono::milliseconds(p);
    pacing.half = std::chrono::milliseconds(p / 2);
    pacing.fifth = std::chrono::milliseconds(p / 5);
    return pacing;
}

} // namespace quarlo
