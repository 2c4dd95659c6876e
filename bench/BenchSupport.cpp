#include "BenchSupport.h"

#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/resource.h>

namespace quarlo::bench {

ScratchHome::ScratchHome() {
    char pattern[] = "/tmp/quarlo-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        throw std::runtime_error("cannot create a scratch folder");
    m_path = std::string(pattern) + "/";
    ::setenv("QUARLO_HOME", m_path.c_str(), 1);
}

ScratchHome::~ScratchHome() {
    removeTree(m_path);
}

std::unique_ptr<TQLApp> ScratchHome::app() const {
    auto app = TQLApp::create(locateFolders());
    if (!app)
        throw std::runtime_error(app.message());
    if (Status setup = (*app)->firstRunSetup(); !setup)
        throw std::runtime_error(setup.message());
    (*app)->setDispatchPause(0);
    return std::move(*app);
}

double peakMemoryMegabytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace quarlo::bench
