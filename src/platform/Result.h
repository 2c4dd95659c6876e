#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace quarlo {

// What kind of failure a Status or Result carries, so that callers can react to a full or
// read-only disk differently from a missing file or a refused connection.
enum class ErrorCode {
    None, // success
    NoSpace,
    ReadOnly,
    NotFound,
    Permission,
    Corrupt,
    Network,
    Cancelled,
    Other,
};

// A short lower-case name ("no space", "read-only", ...), for logs and tests.
const char* errorCodeName(ErrorCode code);
// The kind of an errno value: ENOSPC/EDQUOT no space, EROFS read-only, ENOENT/ENOTDIR not
// found, EACCES/EPERM permission, EBADMSG corrupt, ECANCELED cancelled, network errors
// (ECONNREFUSED, ETIMEDOUT, ...) network, 0 none, the rest (EIO included) other.
ErrorCode errorCodeOfErrno(int error);

// Outcome of an operation that yields nothing: success, or the kind and the message that say
// what failed.
class [[nodiscard]] Status {
public:
    Status() = default;
    static Status failure(std::string message, ErrorCode code = ErrorCode::Other) {
        Status status;
        status.m_message = std::move(message);
        status.m_code = code == ErrorCode::None ? ErrorCode::Other : code;
        return status;
    }
    // "<message>: <strerror(error)>", of the kind of the errno value.
    static Status fromErrno(int error, const std::string& message);

    bool ok() const { return !m_message.has_value(); }
    explicit operator bool() const { return ok(); }
    // The failure's kind; None on success.
    ErrorCode code() const { return m_code; }
    // The failure's message; empty on success.
    const std::string& message() const {
        static const std::string none;
        return m_message ? *m_message : none;
    }

private:
    std::optional<std::string> m_message;
    ErrorCode m_code = ErrorCode::None;
};

// A value, or the failure that says why there is none.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::in_place_index<0>, std::move(value)) {}
    Result(Status failure) : m_value(std::in_place_index<1>, std::move(failure)) {}
    static Result failure(std::string message, ErrorCode code = ErrorCode::Other) {
        return Result(Status::failure(std::move(message), code));
    }

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(m_value); }
    const T& value() const { return std::get<0>(m_value); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    ErrorCode code() const { return ok() ? ErrorCode::None : std::get<1>(m_value).code(); }
    const std::string& message() const {
        static const std::string none;
        return ok() ? none : std::get<1>(m_value).message();
    }
    Status status() const { return ok() ? Status() : std::get<1>(m_value); }

private:
    std::variant<T, Status> m_value;
};

// Consumes a result whose failure really changes nothing for the caller (a best-effort
// clean-up, a refresh that reports through its own events); the call site says why.
inline void ignoreFailure(const Status&) {}
template <class T> void ignoreFailure(const Result<T>&) {}
// Likewise for a numeric result code (a system call's, the Zip component's).
inline void ignoreFailure(int) {}

} // namespace quarlo
