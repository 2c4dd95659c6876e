#include "html/LinkRecords.h"

#include <algorithm>

namespace quarlo {

std::string RecordedLink::text() const {
    return local ? localText : absoluteLinkText(url);
}

std::string absoluteLinkText(std::string_view url) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (char ch : url) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= ' ' || c == 0x7F || ch == '"' || ch == '\'' || ch == '<' || ch == '>' ||
            ch == '\\') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

void RewriteTracker::noteRewrite(std::size_t offset, std::size_t oldLength, std::size_t newLength,
                                 std::string url) {
    noteEdit(offset, oldLength, newLength);
    const auto at = std::lower_bound(m_records.begin(), m_records.end(), offset,
                                     [](const Record& r, std::size_t o) { return r.offset < o; });
    m_records.insert(at, {offset, newLength, std::move(url)});
}

void RewriteTracker::noteEdit(std::size_t offset, std::size_t oldLength, std::size_t newLength) {
    auto first = std::lower_bound(m_records.begin(), m_records.end(), offset,
                                  [](const Record& r, std::size_t o) { return r.offset < o; });
    // A value that begins before the edit but reaches into it is overwritten too.
    if (first != m_records.begin()) {
        const Record& before = *std::prev(first);
        if (before.offset + before.length > offset)
            --first;
    }
    auto last = first;
    while (last != m_records.end() && last->offset < offset + oldLength)
        ++last;
    first = m_records.erase(first, last);
    for (; first != m_records.end(); ++first)
        first->offset = first->offset - oldLength + newLength;
}

std::vector<RecordedLink> RewriteTracker::links(std::string_view text) const {
    std::vector<RecordedLink> links;
    links.reserve(m_records.size());
    for (const Record& record : m_records) {
        if (record.offset + record.length > text.size())
            continue;
        links.push_back({record.offset, true,
                         std::string(text.substr(record.offset, record.length)), record.url});
    }
    return links;
}

bool relinkText(std::string& text, std::vector<RecordedLink>& links,
                const std::function<bool(const RecordedLink&)>& wantLocal) {
    std::string out;
    std::vector<RecordedLink> kept;
    kept.reserve(links.size());
    std::size_t copied = 0;
    bool changed = false;
    for (RecordedLink& link : links) {
        // Offsets ascend; one that overlaps the previous value is not ours.
        if (link.offset < copied)
            continue;
        const auto holds = [&](const std::string& value) {
            return link.offset + value.size() <= text.size() &&
                   text.compare(link.offset, value.size(), value) == 0;
        };
        if (!holds(link.text())) {
            // A run stopped between the file's write and the records' keeps the other form.
            link.local = !link.local;
            if (!holds(link.text()))
                continue;
        }
        const std::string found = link.text();
        out.append(text, copied, link.offset - copied);
        copied = link.offset + found.size();
        link.local = wantLocal(link);
        changed |= link.text() != found;
        link.offset = out.size();
        out += link.text();
        kept.push_back(std::move(link));
    }
    out.append(text, copied, std::string::npos);
    links = std::move(kept);
    if (changed)
        text = std::move(out);
    return changed;
}

} // namespace quarlo
