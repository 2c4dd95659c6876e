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

std::uint32_t PageTagIndex::slotsOf(const PassTagNames& names, std::string_view text,
                                    std::size_t lt) {
    // Most names follow their "<" directly, and begin with a byte no pass name begins with.
    if (lt + 1 < text.size() && !isTagGap(text[lt + 1])) {
        return names.slotsStartingWithByte(text[lt + 1]) == 0 ? 0 : names.slotsAt(text, lt + 1);
    }
    return names.slotsAt(text, tagNamePosition(text, lt));
}

// A scan never sees the page's first character.
void PageTagIndex::build(std::string_view text) {
    const PassTagNames& names = PassTagNames::instance();
    m_tags.clear();
    eachTagStart(text, 1, text.size(), [&](std::size_t lt) {
        if (const std::uint32_t slots = slotsOf(names, text, lt); slots != 0)
            m_tags.push_back({lt, slots});
    });
    layOut();
}

void PageTagIndex::layOut() {
    const std::size_t slots = PassTagNames::instance().size();
    m_offsets.assign(slots + 1, 0);
    for (const Tag& tag : m_tags) {
        for (std::uint32_t bits = tag.slots; bits != 0; bits &= bits - 1)
            ++m_offsets[static_cast<std::size_t>(std::countr_zero(bits)) + 1];
    }
    for (std::size_t slot = 0; slot < slots; ++slot)
        m_offsets[slot + 1] += m_offsets[slot];
    m_flat.resize(m_offsets[slots]);
    std::vector<std::size_t> next(m_offsets.begin(), m_offsets.end() - 1);
    for (const Tag& tag : m_tags) {
        for (std::uint32_t bits = tag.slots; bits != 0; bits &= bits - 1)
            m_flat[next[static_cast<std::size_t>(std::countr_zero(bits))]++] = tag.lt;
    }
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
    const PassTagNames& names = PassTagNames::instance();
    std::vector<Tag> moved;
    moved.reserve(m_tags.size() + again.size());
    std::size_t next = 0; // the first of `again` not yet merged
    auto mergeUpTo = [&](std::size_t position) {
        for (; next < again.size() && again[next] < position; ++next) {
            if (const std::uint32_t slots = slotsOf(names, text, again[next]); slots != 0)
                moved.push_back({again[next], slots});
        }
    };
    auto edit = edits.begin();
    std::ptrdiff_t shift = 0;
    for (const Tag& tag : m_tags) {
        for (; edit != edits.end() && edit->start + edit->oldLength <= tag.lt; ++edit)
            shift += static_cast<std::ptrdiff_t>(edit->text.size()) -
                     static_cast<std::ptrdiff_t>(edit->oldLength);
        if (edit != edits.end() && edit->start <= tag.lt)
            continue; // inside the edit's old text: gone
        const std::size_t now =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(tag.lt) + shift);
        mergeUpTo(now);
        if (next < again.size() && again[next] == now)
            continue; // looked at again: merged with the others
        moved.push_back({now, tag.slots});
    }
    mergeUpTo(text.size());
    m_tags = std::move(moved);
    layOut();
}

} // namespace quarlo
