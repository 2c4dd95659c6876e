#include "html/LinkRecords.h"

#include "platform/TextUtil.h"

#include <iterator>

namespace quarlo {

namespace {

bool keptInValue(unsigned char c) {
    return c > ' ' && c != 0x7F && c != '"' && c != '\'' && c != '<' && c != '>' && c != '\\';
}

// A url() without quotes ends at ")" and is spoilt by "(".
bool keptInBareStyleUrl(unsigned char c) {
    return keptInValue(c) && c != '(' && c != ')';
}

bool isStyleBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Whether the value at offset opens a url() without quotes: "url(" and blanks before it.
bool opensBareStyleUrl(std::string_view text, std::size_t offset) {
    if (offset > text.size())
        return false;
    while (offset > 0 && isStyleBlank(text[offset - 1]))
        --offset;
    return offset >= 4 && equalsNoCase(text.substr(offset - 4, 4), "url(");
}

} // namespace

std::string RecordedLink::text() const {
    return local ? localText : absoluteLinkText(url, bareStyleUrl);
}

std::string absoluteLinkText(std::string_view url, bool bareStyleUrl) {
    return percentEncode(url, bareStyleUrl ? keptInBareStyleUrl : keptInValue);
}

void RewriteTracker::noteRewrite(std::size_t offset, std::size_t oldLength, std::size_t newLength,
                                 std::string url) {
    noteEdit(offset, oldLength, newLength);
    m_behind.push_back({offset, newLength, std::move(url)});
}

void RewriteTracker::noteEdit(std::size_t offset, std::size_t oldLength, std::size_t newLength) {
    if (offset < m_latest)
        settle();
    m_latest = offset;
    while (m_next < m_ahead.size() && m_ahead[m_next].offset + m_shift < offset) {
        m_ahead[m_next].offset += m_shift;
        m_behind.push_back(std::move(m_ahead[m_next++]));
    }
    // A value that begins before the edit but reaches into it is overwritten, as are those
    // that begin inside it.
    if (!m_behind.empty() && m_behind.back().offset + m_behind.back().length > offset)
        m_behind.pop_back();
    while (m_next < m_ahead.size() && m_ahead[m_next].offset + m_shift < offset + oldLength)
        ++m_next;
    m_shift += newLength - oldLength;
}

// Every record at its offset, in m_ahead, and the walk back at the beginning.
void RewriteTracker::settle() {
    for (std::size_t i = m_next; i < m_ahead.size(); ++i)
        m_ahead[i].offset += m_shift;
    m_behind.insert(m_behind.end(), std::make_move_iterator(m_ahead.begin() + m_next),
                    std::make_move_iterator(m_ahead.end()));
    m_ahead = std::move(m_behind);
    m_behind.clear();
    m_next = 0;
    m_shift = 0;
    m_latest = 0;
}

std::vector<RecordedLink> RewriteTracker::links(std::string_view text) const {
    std::vector<RecordedLink> links;
    links.reserve(m_behind.size() + m_ahead.size() - m_next);
    forEachLink(text, [&](std::size_t offset, std::string_view value, const std::string& url) {
        links.push_back({offset, true, std::string(value), url});
    });
    return links;
}

void RewriteTracker::forEachLink(std::string_view text, const LinkVisit& visit) const {
    const auto add = [&](const Record& record, std::size_t shift) {
        const std::size_t offset = record.offset + shift;
        if (offset + record.length <= text.size())
            visit(offset, text.substr(offset, record.length), record.url);
    };
    for (const Record& record : m_behind)
        add(record, 0);
    for (std::size_t i = m_next; i < m_ahead.size(); ++i)
        add(m_ahead[i], m_shift);
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
        link.bareStyleUrl = opensBareStyleUrl(text, link.offset);
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
