#include "cli/Context.h"

#include "model/TQLApp.h"
#include "platform/Folders.h"

#include <ostream>

namespace quarlo::cli {

class Context::MessageHooks : public NullUiHooks {
public:
    explicit MessageHooks(Context& context) : m_context(context) {}
    void showMessage(MessageKind kind, const std::string& text) override {
        printMessage(m_context.out, m_context.err, kind, text);
    }

private:
    Context& m_context;
};

Context::Context(std::ostream& output, std::ostream& errors)
    : out(output), err(errors), m_hooks(std::make_unique<MessageHooks>(*this)) {}

Context::~Context() = default;

Result<TQLApp*> Context::app() {
    if (m_app)
        return m_app.get();
    auto created = TQLApp::create(locateFolders());
    if (!created)
        return created.status();
    m_app = std::move(created.value());
    m_app->setHooks(m_hooks.get());
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
    printMessage(out, err, UiHooks::MessageKind::Warning, message);
}

void Context::printMessage(std::ostream& out, std::ostream& err, UiHooks::MessageKind kind,
                           const std::string& text) {
    switch (kind) {
    case UiHooks::MessageKind::Error:
        err << "quarlo-cli: " << text << "\n";
        break;
    case UiHooks::MessageKind::Warning:
        err << "quarlo-cli: warning: " << text << "\n";
        break;
    case UiHooks::MessageKind::Information:
        out << text << "\n";
        break;
    }
}

} // namespace quarlo::cli
