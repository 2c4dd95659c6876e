#include "engine/TickCore.h"

#include "engine/WinInetErrors.h"

namespace quarlo {

TickResult TickResult::success() {
    return {kTickOk, tickErrorText(kTickOk)};
}

TickResult TickResult::failure(int32_t code, std::string text) {
    if (text.empty())
        text = clientErrorText(code);
    if (text.empty())
        text = tickErrorText(code);
    return {code, std::move(text), errorCodeOfTick(code)};
}

TickResult TickResult::withKind(ErrorCode known) const {
    TickResult result = *this;
    if (!ok() && known != ErrorCode::None)
        result.kind = known;
    return result;
}

std::string TickResult::message() const {
    return std::to_string(code) + ": " + text;
}

TickResult TickCore::lastError() const {
    std::lock_guard lock(m_errorMutex);
    return m_lastError;
}

TickResult TickCore::record(TickResult result) {
    std::lock_guard lock(m_errorMutex);
    m_lastError = result;
    return result;
}

} // namespace quarlo
