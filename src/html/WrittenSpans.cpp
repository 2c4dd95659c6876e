#include "html/WrittenSpans.h"

#include <algorithm>

namespace quarlo {

bool WrittenSpans::contains(std::size_t position) {
    if (m_plain) {
        return std::any_of(m_spans.begin(), m_spans.end(), [&](const Span& span) {
            return position == span.start ||
                   (position > span.start && position < span.start + span.length);
        });
    }
    walkTo(position);
    return m_passedAny && (m_lastStart == position || m_reach > position);
}

void WrittenSpans::noteRewrite(std::size_t position, std::size_t oldLength, std::size_t newLength) {
    const std::size_t shift = newLength - oldLength;
    if (!m_plain) {
        walkTo(position);
        // The nearest stretch ahead is the lowest; it must stay at or above 0.
        const bool wraps = newLength < oldLength && m_ahead < m_spans.size() &&
                           m_spans[m_ahead].start + m_shift < oldLength - newLength;
        if (wraps) {
            settle();
            m_plain = true;
        }
    }
    if (m_plain) {
        for (Span& span : m_spans) {
            if (span.start > position) {
                span.start += shift;
            }
        }
        m_spans.push_back({position, newLength});
        return;
    }
    m_shift += shift;
    m_written.push_back({position, newLength});
    pass(m_written.back());
}

// Passes every stretch that now begins at or before the position. A position before the
// latest one starts the walk again from the first stretch.
void WrittenSpans::walkTo(std::size_t position) {
    if (position < m_walked) {
        settle();
    }
    m_walked = position;
    while (m_ahead < m_spans.size() && m_spans[m_ahead].start + m_shift <= position) {
        m_spans[m_ahead].start += m_shift;
        pass(m_spans[m_ahead]);
        ++m_ahead;
    }
}

void WrittenSpans::pass(const Span& span) {
    m_lastStart = m_passedAny ? std::max(m_lastStart, span.start) : span.start;
    m_reach = m_passedAny ? std::max(m_reach, span.start + span.length) : span.start + span.length;
    m_passedAny = true;
}

// Every stretch at its place now, sorted, and the walk back at the beginning.
void WrittenSpans::settle() {
    for (std::size_t i = m_ahead; i < m_spans.size(); ++i) {
        m_spans[i].start += m_shift;
    }
    m_spans.insert(m_spans.end(), m_written.begin(), m_written.end());
    std::sort(m_spans.begin(), m_spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    m_written.clear();
    m_ahead = 0;
    m_shift = 0;
    m_walked = 0;
    m_passedAny = false;
}

} // namespace quarlo
