#include "platform/WriteFault.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <string_view>

namespace quarlo {

namespace {

// One switch: from the nth event on (0: disarmed), `count` events fail with the error.
struct FaultSwitch {
    std::atomic<std::uint64_t> first{0};
    std::atomic<std::uint64_t> count{0};
    std::atomic<int> error{0};
    std::atomic<std::uint64_t> seen{0};
    std::atomic<std::uint64_t> failed{0};

    void arm(std::uint64_t nth, int withError, std::uint64_t times) {
        first = 0;
        seen = 0;
        failed = 0;
        error = withError;
        count = times;
        first = nth;
    }

    int now() {
        const std::uint64_t from = first;
        if (from == 0)
            return 0;
        const std::uint64_t number = ++seen;
        const std::uint64_t times = count;
        if (number < from || (times != 0 && number >= from + times))
            return 0;
        ++failed;
        errno = error;
        return error;
    }
};

FaultSwitch g_writes;
FaultSwitch g_flushes;

bool readCount(std::string_view text, std::uint64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

int errorNamed(std::string_view name) {
    if (name == "ENOSPC")
        return ENOSPC;
    if (name == "EROFS")
        return EROFS;
    if (name == "EDQUOT")
        return EDQUOT;
    if (name == "EIO")
        return EIO;
    return 0;
}

Status armFrom(const std::string& setting, const char* what, FaultSwitch& target) {
    const std::string_view text(setting);
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    std::uint64_t nth = 0;
    std::uint64_t count = 0;
    const int error = first == std::string_view::npos
                          ? 0
                          : errorNamed(text.substr(first + 1, second - first - 1));
    const bool valid =
        readCount(text.substr(0, first), nth) && nth > 0 && error != 0 &&
        (second == std::string_view::npos || readCount(text.substr(second + 1), count));
    if (!valid)
        return Status::failure(std::string(what) + " fault \"" + setting +
                               "\" is not N:ENOSPC, N:EROFS, N:EDQUOT or N:EIO with an optional "
                               ":COUNT");
    target.arm(nth, error, count);
    return {};
}

} // namespace

void armWriteFault(std::uint64_t nth, int error, std::uint64_t count) {
    g_writes.arm(nth, error, count);
}

Status armWriteFault(const std::string& setting) {
    return armFrom(setting, "write", g_writes);
}

void disarmWriteFault() {
    g_writes.first = 0;
}

int writeFaultNow() {
    return g_writes.now();
}

std::uint64_t writesCounted() {
    return g_writes.seen;
}

std::uint64_t writesFailed() {
    return g_writes.failed;
}

void armFlushFault(std::uint64_t nth, int error, std::uint64_t count) {
    g_flushes.arm(nth, error, count);
}

Status armFlushFault(const std::string& setting) {
    return armFrom(setting, "flush", g_flushes);
}

void disarmFlushFault() {
    g_flushes.first = 0;
}

int flushFaultNow() {
    return g_flushes.now();
}

bool isOutputFault(int error) {
    return error == ENOSPC || error == EDQUOT || error == EROFS;
}

} // namespace quarlo
