#pragma once

#include <cstddef>

namespace quarlo {

class TQLTask;

// What the start of a resumed run found of writes that a killed run left half done.
struct InterruptedWrites {
    std::size_t pagesPutInPlace = 0; // converted pages moved over their files
    std::size_t filesRemoved = 0;    // temporary files and converted pages no entry wants
};

// Finishes what a killed run left half done beside the files of the task's entries. A
// converted page waiting beside its file takes the file's place when its entry is "Parsed"
// (the parse was killed between marking the page and renaming), and is removed otherwise
// (the page is parsed again). The temporary files of atomic writes and of bodies are removed
// from the folders of the entries' files; nothing else is touched. The caller holds
// task.mutex().
InterruptedWrites finishInterruptedWrites(TQLTask& task);

} // namespace quarlo
