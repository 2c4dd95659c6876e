#pragma once

namespace quarlo {

class TQLTask;

// The parse thread as a run drives it.
class RunParseSide {
public:
    virtual ~RunParseSide() = default;
    // Start of a run: its task set, its StopRequested cleared, resumed.
    virtual void startRun(TQLTask& task) = 0;
    // End of a run: its StopRequested set; it may wait until the thread has suspended (the
    // main thread holds no lock then, and the download thread never waits for it).
    virtual void stopRun() = 0;
    // A page has been saved and waits in status "Saved" (called on a transfer's thread).
    virtual void pageSaved() {}
    // Whether it holds a page it took and has not finished: marked "Parsed" already, its
    // converted text may not be in place yet, nor (Zip mode) in the zip list. Set under the
    // task's mutex as the page is taken, so a reader holding that mutex sees either the page
    // still waiting in the queue or this.
    virtual bool holdsPage() const { return false; }
};

} // namespace quarlo
