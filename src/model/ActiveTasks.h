#pragma once

#include "platform/Result.h"

#include <string>
#include <vector>

namespace quarlo {

// "ActiveTasks.lst" in the Tasks folder: the full paths of the task files whose status is
// Scheduled or Downloading, one per line (CR LF after each), in the order they became
// active. Several processes may change it (a CLI marking a task while the scheduler runs),
// so every change is a read-modify-write under an advisory lock on the file, replaced
// atomically with mode 0600. Paths are compared without regard to case.
class ActiveTasks {
public:
    explicit ActiveTasks(std::string listFile);

    const std::string& filePath() const { return m_file; }

    // The list as the file holds it now (a missing file is an empty list).
    std::vector<std::string> paths() const;
    bool contains(const std::string& taskPath) const;
    // Appends the path when it is not listed. Fails with "Cannot create file <path>".
    Status add(const std::string& taskPath);
    // Removes the path when listed.
    Status remove(const std::string& taskPath);
    // A number that changes whenever the file changes (for re-reading only when needed).
    long long stamp() const;

private:
    // "Cannot create file <list>", of the kind of what went wrong.
    Status cannotCreate(ErrorCode code) const;
    std::string m_file;
};

} // namespace quarlo
