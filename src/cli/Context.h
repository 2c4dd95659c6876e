#pragma once

#include "platform/Result.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace quarlo {
class TQLApp;
}

namespace quarlo::cli {

// What a command works with: the output streams and the application object, opened on
// first use (settings read, first-run setup done, problems with stored files reported).
class Context {
public:
    Context(std::ostream& out, std::ostream& err);
    ~Context();

    std::ostream& out;
    std::ostream& err;

    // The application object, or the message that says why it could not be opened.
    Result<TQLApp*> app();

    // Prints "quarlo-cli: <message>" to stderr and returns exit code 2.
    int fail(const std::string& message);
    // Prints a warning line to stderr.
    void warn(const std::string& message);

private:
    std::unique_ptr<TQLApp> m_app;
};

} // namespace quarlo::cli
