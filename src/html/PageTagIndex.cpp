#include "html/PageTagIndex.h"

#include "html/PassTagNames.h"
#include "html/TagReading.h"
#include "html/TextSearch.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quarlo {

namespace {

// The "<"s of text from `from` up to `to`, in order.
template <typename Each>
void eachTagStart(std::string_view text, std::size_t from, std::size_t to, Each each) {
    while (from < to) {
        const void* hit = std::memchr(text.data() + from, '<', to - from);
        if (hit == nullptr)
            return;
        const std::size_t lt =
            static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        each(lt);
        from = lt + 1;
    }
}

} // namespace

std::uint32_t PageTagIndex::slotsOf(std::string_view text, std::size_t lt) {
    const PassTagNames& names = PassTagNames::instance();
    const std::size_t name = tagNamePosition(text, lt);
    std::uint32_t slots = 0;
    if (name < text.size()) {
        for (const std::uint8_t slot : names.slotsStartingWith(upperAscii(text[name]))) {
            if (tagNameAt(text, name, names.name(slot)))
                slots |= std::uint32_t{1} << slot;
        }
    }
    return slots;
}

// A scan never sees the page's first character.
void PageTagIndex::build(std::string_view text) {
    m_starts.assign(PassTagNames::instance().size(), {});
    eachTagStart(text, 1, text.size(), [&](std::size_t lt) {
        for (std::uint32_t slots = slotsOf(text, lt); slots != 0; slots &= slots - 1)
            m_starts[static_cast<std::size_t>(std::countr_zero(slots))].push_back(lt);
    });
}

// A name is compared over at most the longest pass tag name's bytes from its first one, which
// follows the "<" after gap bytes only: walking back from the edit, a byte that is no gap and
// lies that far before the edit ends the search (a "<" there is looked at, one before it not).
void PageTagIndex::reachingInto(std::string_view text, std::size_t start, std::size_t low,
                                std::vector<std::size_t>& found) {
    const std::size_t longest = PassTagNames::instance().longest();
    const std::size_t first = found.size();
    for (std::size_t q = start; q-- > low;) {
        const char c = text[q];
        if (c == '<' && tagNamePosition(text, q) + longest > start)
            found.push_back(q);
        if (!isTagGap(c) && q + longest <= start)
            break;
    }
    std::reverse(found.begin() + static_cast<std::ptrdiff_t>(first), found.end());
}

void PageTagIndex::update(std::string_view text, const std::vector<TextEdit>& edits) {
    if (edits.empty())
        return;
    // The "<"s to look at again, in the new text and in order: those inside an edit's new text
    // and those before it whose name may reach into it.
    std::vector<std::size_t> again;
    std::ptrdiff_t growth = 0;
    std::size_t done = 1;
    for (const TextEdit& edit : edits) {
        const std::size_t start =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(edit.start) + growth);
        const std::size_t end = start + edit.text.size();
        reachingInto(text, start, done, again);
        eachTagStart(text, std::max(start, std::size_t{1}), end,
                     [&](std::size_t lt) { again.push_back(lt); });
        growth += static_cast<std::ptrdiff_t>(edit.text.size()) -
                  static_cast<std::ptrdiff_t>(edit.oldLength);
        done = std::max(end, done);
    }
    std::vector<std::uint32_t> againSlots;
    againSlots.reserve(again.size());
    for (const std::size_t lt : again)
        againSlots.push_back(slotsOf(text, lt));

    for (std::size_t slot = 0; slot < m_starts.size(); ++slot) {
        std::vector<std::size_t> moved;
        moved.reserve(m_starts[slot].size() + 4);
        auto edit = edits.begin();
        std::ptrdiff_t shift = 0;
        std::size_t next = 0; // the first of `again` not yet merged
        auto mergeUpTo = [&](std::size_t position) {
            for (; next < again.size() && again[next] < position; ++next) {
                if (againSlots[next] & (std::uint32_t{1} << slot))
                    moved.push_back(again[next]);
            }
        };
        for (const std::size_t old : m_starts[slot]) {
            for (; edit != edits.end() && edit->start + edit->oldLength <= old; ++edit)
                shift += static_cast<std::ptrdiff_t>(edit->text.size()) -
                         static_cast<std::ptrdiff_t>(edit->oldLength);
            if (edit != edits.end() && edit->start <= old)
                continue; // inside the edit's old text: gone
            const std::size_t now =
                static_cast<std::size_t>(static_cast<std::ptrdiff_t>(old) + shift);
            mergeUpTo(now);
            if (next < again.size() && again[next] == now)
                continue; // looked at again: merged with the others
            moved.push_back(now);
        }
        mergeUpTo(text.size());
        m_starts[slot] = std::move(moved);
    }
}

} // namespace quarlo
