#pragma once

#include <cstddef>
#include <vector>

namespace quarlo {

// The stretches of a page that link conversions have written, by position in the page as it
// stands now (from 1). A position is inside a stretch when it is the stretch's first byte or
// lies within it; a rewrite moves every stretch that begins after it by the change in length
// (in the size_t arithmetic of the positions).
//
// The passes look positions up in page order, so a look-up walks on from the previous one:
// the stretches are kept sorted by start, those behind the walk are summed up by the greatest
// start and end among them, and the shift that rewrites give to the stretches ahead is kept
// as one amount until the walk reaches them. A position before the previous one (the next
// pass) sorts the stretches again and restarts the walk. A rewrite whose shift would take a
// stretch below position 0 (possible only when the rewritten value held the start of a
// written one) turns the object into a plain list that is searched whole for every look-up.
class WrittenSpans {
public:
    bool contains(std::size_t position);
    // The value at position was rewritten from oldLength to newLength bytes.
    void noteRewrite(std::size_t position, std::size_t oldLength, std::size_t newLength);

private:
    struct Span {
        std::size_t start;
        std::size_t length;
    };
    void walkTo(std::size_t position);
    void pass(const Span& span);
    void settle();

    std::vector<Span> m_spans;   // sorted by start when the walk began
    std::size_t m_ahead = 0;     // first stretch the walk has not passed
    std::size_t m_shift = 0;     // still to add to the starts from m_ahead on
    std::size_t m_walked = 0;    // the latest position looked up
    std::vector<Span> m_written; // written since the walk began; behind it
    bool m_passedAny = false;
    std::size_t m_lastStart = 0; // greatest start behind the walk
    std::size_t m_reach = 0;     // greatest end (start + length) behind the walk
    bool m_plain = false;        // every look-up searches the whole list
};

} // namespace quarlo
