#pragma once

#include <cstddef>
#include <string_view>

namespace quarlo::test {

// The link scanner repeats forward searches from positions that grow through a pass (the
// next attribute, the next ">"). On pages with many tags and few hits, each search would
// rescan the same stretch; these memos answer the repeats without a scan. They hold only
// while the text is unchanged: the scanner forgets them at every replacement.

// Remembers that the first hit at or after `from` is `found` (0: none), which is then also
// the first hit from any position between the two.
class ForwardMemo {
public:
    bool covers(std::size_t position) const {
        return m_valid && m_from <= position && (m_found == 0 || position <= m_found);
    }
    std::size_t found() const { return m_found; }
    void remember(std::size_t from, std::size_t found) {
        m_from = from;
        m_found = found;
        m_valid = true;
    }
    void forget() { m_valid = false; }

private:
    std::size_t m_from = 0;
    std::size_t m_found = 0;
    bool m_valid = false;
};

// Whether a pattern can match a text at two overlapping places (ASCII case ignored). A
// search that goes on after the end of a rejected match skips nothing for a pattern that
// cannot, so its result from a later start is the memo's.
bool canOverlap(std::string_view pattern);

// The script block around a position: the last "<script" that ends at or before it, the
// ">" that closes its start tag (the position must lie after it) and the first "/script" at
// or after that "<script", ASCII case ignored. Positions that grow are answered by walking
// forward from the previous answer instead of searching back from each.
class ScriptBlocks {
public:
    bool contain(std::string_view text, std::size_t position);
    void forget() { m_valid = false; }

private:
    std::size_t m_position = 0;
    std::size_t m_open = 0;
    std::size_t m_openEnd = 0;
    std::size_t m_nextOpen = 0;
    std::size_t m_close = 0;
    bool m_valid = false;
};

} // namespace quarlo::test
