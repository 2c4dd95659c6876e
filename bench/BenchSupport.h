#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace quarlo {
class TQLApp;
}

namespace quarlo::bench {

// A scratch data folder under /tmp that QUARLO_HOME points at; removed afterwards.
class ScratchHome {
public:
    ScratchHome();
    ~ScratchHome();
    const std::string& path() const { return m_path; }
    // The application object of this data folder, with "Dispatch Pause" 0.
    std::unique_ptr<TQLApp> app() const;

private:
    std::string m_path;
};

// Peak resident memory of this process so far, in megabytes.
double peakMemoryMegabytes();

double secondsSince(std::chrono::steady_clock::time_point start);

} // namespace quarlo::bench
