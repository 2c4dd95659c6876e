#include "cli/Context.h"

#include "model/TQLApp.h"
#include "platform/Folders.h"

#include <ostream>

namespace quarlo::cli {

Context::Context(std::ostream& out, std::ostream& err) : out(out), err(err) {}

Context::~Context() = default;

Result<TQLApp*> Context::app() {
    if (m_app)
        return m_app.get();
    auto created = TQLApp::create(locateFolders());
    if (!created)
        return created.status();
    m_app = std::move(created.value());
    if (const std::string problem = m_app->settings().loadProblem(); !problem.empty())
        warn("the settings file " + m_app->settings().filePath() +
             " could not be read, defaults are used: " + problem);
    if (Status setup = m_app->firstRunSetup(); !setup)
        return setup;
    return m_app.get();
}

int Context::fail(const std::string& message) {
    err << "quarlo-cli: " << message << "\n";
    return 2;
}

void Context::warn(const std::string& message) {
    err << "quarlo-cli: warning: " << message << "\n";
}

} // namespace quarlo::cli
