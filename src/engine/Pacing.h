#pragma once

#include <chrono>

namespace quarlo {

// The pauses of a run, all derived from the "Dispatch Pause" setting P (milliseconds): P
// before every hand-over to a slot, P/2 for the download thread's sleeps between dispatch
// attempts, P/5 for the parse thread's polls. With P = 0 the run is event-driven: slots,
// dispatcher and parse thread wake when there is something for them to do.
struct Pacing {
    std::chrono::milliseconds pause{100};
    std::chrono::milliseconds half{50};
    std::chrono::milliseconds fifth{20};

    static Pacing fromDispatchPause(int milliseconds);
    bool eventDriven() const { return pause.count() == 0; }
};

} // namespace quarlo
