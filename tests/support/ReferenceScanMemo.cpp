#include "support/ReferenceScanMemo.h"

#include "html/TextSearch.h"

namespace quarlo::test {

namespace {

constexpr std::string_view kScriptOpen = "<script";
constexpr std::string_view kScriptClose = "/script";

// Two pattern bytes that one text byte can both match under ASCII case folding.
bool mayMatchSameByte(char a, char b) {
    return a == b || (a ^ 0x20) == b;
}

} // namespace

bool canOverlap(std::string_view pattern) {
    if (pattern.find('?') != std::string_view::npos) {
        return true;
    }
    for (std::size_t shift = 1; shift < pattern.size(); ++shift) {
        bool border = true;
        for (std::size_t i = 0; border && i + shift < pattern.size(); ++i) {
            border = mayMatchSameByte(pattern[i], pattern[i + shift]);
        }
        if (border) {
            return true;
        }
    }
    return false;
}

bool ScriptBlocks::contain(std::string_view text, std::size_t position) {
    const std::size_t openBefore = m_valid ? m_open : 0;
    if (!m_valid || position < m_position) {
        m_open = FindTextBack(text, kScriptOpen, position, true);
        m_nextOpen = FindText(text, kScriptOpen, m_open + 1, true);
        m_close = m_open == 0 ? 0 : FindText(text, kScriptClose, m_open, true);
        m_valid = true;
    } else if (m_nextOpen != 0 && m_nextOpen + kScriptOpen.size() - 1 <= position) {
        // "<script" cannot overlap itself, so its matches follow one another.
        while (m_nextOpen != 0 && m_nextOpen + kScriptOpen.size() - 1 <= position) {
            m_open = m_nextOpen;
            m_nextOpen = FindText(text, kScriptOpen, m_open + 1, true);
        }
        m_close = FindText(text, kScriptClose, m_open, true);
    }
    if (m_open != openBefore || m_open == 0) {
        m_openEnd = m_open == 0 ? 0 : FindText(text, ">", m_open, true);
    }
    m_position = position;
    return m_open != 0 && m_close != 0 && m_openEnd != 0 && m_openEnd < position &&
           position < m_close;
}

} // namespace quarlo::test
