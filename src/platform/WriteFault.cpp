#include "platform/WriteFault.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <string_view>

namespace quarlo {

namespace {

std::atomic<std::uint64_t> g_first{0}; // 0: disarmed
std::atomic<std::uint64_t> g_count{0};
std::atomic<int> g_error{0};
std::atomic<std::uint64_t> g_seen{0};
std::atomic<std::uint64_t> g_failed{0};

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

} // namespace

void armWriteFault(std::uint64_t nth, int error, std::uint64_t count) {
    g_first = 0;
    g_seen = 0;
    g_failed = 0;
    g_error = error;
    g_count = count;
    g_first = nth;
}

Status armWriteFault(const std::string& setting) {
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
        return Status::failure("write fault \"" + setting +
                               "\" is not N:ENOSPC, N:EROFS, N:EDQUOT or N:EIO with an optional "
                               ":COUNT");
    armWriteFault(nth, error, count);
    return {};
}

void disarmWriteFault() {
    g_first = 0;
}

int writeFaultNow() {
    const std::uint64_t first = g_first;
    if (first == 0)
        return 0;
    const std::uint64_t number = ++g_seen;
    const std::uint64_t count = g_count;
    if (number < first || (count != 0 && number >= first + count))
        return 0;
    ++g_failed;
    errno = g_error;
    return g_error;
}

std::uint64_t writesCounted() {
    return g_seen;
}

std::uint64_t writesFailed() {
    return g_failed;
}

bool isOutputFault(int error) {
    return error == ENOSPC || error == EDQUOT || error == EROFS;
}

} // namespace quarlo
