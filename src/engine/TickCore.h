#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace quarlo {

// The outcome of an action of the client: code 0 and "Ok", or the error code and its text.
struct TickResult {
    int32_t code = 0;
    std::string text;
    ErrorCode kind = ErrorCode::None; // what kind of failure; None on success

    // Success; text "Ok".
    static TickResult success();
    // A failure with the text the action left; without one, the client's own text for its
    // codes, else the code's description from the table.
    static TickResult failure(int32_t code, std::string text = {});
    // The same result with a kind known more precisely than the code tells (the libcurl
    // result, the file system's error).
    TickResult withKind(ErrorCode known) const;

    bool ok() const { return code == 0; }
    explicit operator bool() const { return ok(); }
    // "<code>: <text>", the message an error carries.
    std::string message() const;
    Status status() const { return ok() ? Status() : Status::failure(message(), kind); }
};

// Base of the client family: keeps the last error of the object.
class TickCore {
public:
    TickCore() = default;
    virtual ~TickCore() = default;
    TickCore(const TickCore&) = delete;
    TickCore& operator=(const TickCore&) = delete;

    TickResult lastError() const;
    int32_t lastErrorCode() const { return lastError().code; }
    std::string lastErrorText() const { return lastError().text; }

protected:
    // Records the outcome of an action (a success clears the last error) and returns it.
    TickResult record(TickResult result);

private:
    mutable std::mutex m_errorMutex;
    TickResult m_lastError = TickResult::success();
};

} // namespace quarlo
