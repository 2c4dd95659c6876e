#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace quarlo {

// Outcome of an operation that yields nothing: success, or the message that says what failed.
class [[nodiscard]] Status {
public:
    Status() = default;
    static Status failure(std::string message) {
        Status status;
        status.m_message = std::move(message);
        return status;
    }

    bool ok() const { return !m_message.has_value(); }
    explicit operator bool() const { return ok(); }
    // The failure's message; empty on success.
    const std::string& message() const {
        static const std::string none;
        return m_message ? *m_message : none;
    }

private:
    std::optional<std::string> m_message;
};

// A value, or the message that says why there is none.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::in_place_index<0>, std::move(value)) {}
    Result(Status failure) : m_value(std::in_place_index<1>, failure.message()) {}
    static Result failure(std::string message) {
        return Result(Status::failure(std::move(message)));
    }

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(m_value); }
    const T& value() const { return std::get<0>(m_value); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const std::string& message() const {
        static const std::string none;
        return ok() ? none : std::get<1>(m_value);
    }
    Status status() const { return ok() ? Status() : Status::failure(message()); }

private:
    std::variant<T, std::string> m_value;
};

} // namespace quarlo
