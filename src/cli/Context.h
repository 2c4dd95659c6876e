#pragma once

#include "platform/Result.h"
#include "platform/UiHooks.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace quarlo {
class TQLApp;
}

namespace quarlo::cli {

// What a command works with: the output streams and the application object, opened on
// first use (settings read, first-run setup done, problems with stored files reported).
// Until a command installs hooks of its own, the application's messages are printed as
// printMessage prints them.
class Context {
public:
    Context(std::ostream& output, std::ostream& errors);
    ~Context();

    std::ostream& out;
    std::ostream& err;

    // The application object, or the message that says why it could not be opened.
    Result<TQLApp*> app();

    // Prints "quarlo-cli: <message>" to stderr and returns exit code 2.
    int fail(const std::string& message);
    // Prints a warning line to stderr.
    void warn(const std::string& message);

    // A message of the core as a line: errors and warnings on err, prefixed as fail() and
    // warn() print them; information on out.
    static void printMessage(std::ostream& out, std::ostream& err, UiHooks::MessageKind kind,
                             const std::string& text);

private:
    class MessageHooks;
    std::unique_ptr<MessageHooks> m_hooks;
    std::unique_ptr<TQLApp> m_app;
};

} // namespace quarlo::cli
