#pragma once

#include <optional>
#include <string>

namespace quarlo {

// Only one instance works on a data folder at a time: an advisory lock (flock) on the file
// "quarlo.lock" in the data folder. The kernel releases it when the holder dies, even on
// kill -9. The file records the holder's pid, front end ("cli" or "gui") and current task
// so that others can say who holds it.
class InstanceLock {
public:
    struct Holder {
        long pid = 0;
        std::string frontEnd;
        std::string currentTask;
    };

    explicit InstanceLock(std::string dataFolder);
    ~InstanceLock(); // releases the lock when held
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock without waiting; false when another process holds it.
    bool tryAcquire(const std::string& frontEnd);
    bool held() const { return m_fd >= 0; }
    void release();
    // Records the task the holder is running (empty: none).
    void setCurrentTask(const std::string& taskPath);

    // Who holds the lock of a data folder, when anyone does; a lock file left by a holder
    // that died counts as nobody. A holder whose record cannot be read (it is being
    // written) comes back with pid 0 and empty texts.
    static std::optional<Holder> currentHolder(const std::string& dataFolder);
    std::string lockFilePath() const;

private:
    void writeRecord();
    std::string m_dataFolder;
    std::string m_frontEnd;
    std::string m_currentTask;
    int m_fd = -1;
};

} // namespace quarlo
