#include "engine/LinkLog.h"

#include "platform/FileUtil.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace quarlo {

namespace {

// The log is written for every parsed page: numbers go straight into the text, with no
// string of their own.
void appendNumber(std::string& out, std::size_t value) {
    std::array<char, 24> digits{};
    const char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

void appendText(std::string& out, const std::string& text) {
    appendNumber(out, text.size());
    out += ':';
    out += text;
}

// A link's text after the bytes it shares with the same text of the link before it: the
// links of a page mostly share their site's address and folders.
void appendShared(std::string& out, std::string_view text, std::string_view before) {
    const std::size_t limit = std::min(text.size(), before.size());
    std::size_t shared = 0;
    while (shared < limit && text[shared] == before[shared])
        ++shared;
    appendNumber(out, shared);
    out += '+';
    appendNumber(out, text.size() - shared);
    out += ':';
    out.append(text.substr(shared));
}

// The link lines of a block, each written against the one before it.
class LinkLines {
public:
    void add(std::size_t offset, bool local, std::string_view localText, std::string_view url) {
        appendNumber(m_text, offset);
        m_text += local ? " L " : " A ";
        appendShared(m_text, localText, m_localText);
        m_text += ' ';
        appendShared(m_text, url, m_url);
        m_text += '\n';
        m_localText = localText;
        m_url = url;
        ++m_count;
    }

    // The block: its page line, then the link lines.
    std::string block(const std::string& pageUrl) const {
        std::string out = "P ";
        out.reserve(64 + pageUrl.size() + m_text.size());
        appendText(out, pageUrl);
        out += ' ';
        appendNumber(out, m_count);
        out += '\n';
        out += m_text;
        return out;
    }

private:
    std::string m_text;
    std::string_view m_localText; // of the link before, which outlives the next line
    std::string_view m_url;
    std::size_t m_count = 0;
};

} // namespace

std::string linkLogPath(const std::string& queueFile) {
    return queueFile + ".links";
}

std::string pageLinksText(const PageLinkBlock& block) {
    LinkLines lines;
    for (const RecordedLink& link : block.links)
        lines.add(link.offset, link.local, link.localText, link.url);
    return lines.block(block.pageUrl);
}

namespace {

std::size_t numberSize(std::size_t value) {
    std::size_t digits = 1;
    for (; value >= 10; value /= 10)
        ++digits;
    return digits;
}

std::size_t sharedSize(std::string_view text, std::string_view before) {
    const std::size_t limit = std::min(text.size(), before.size());
    std::size_t shared = 0;
    while (shared < limit && text[shared] == before[shared])
        ++shared;
    const std::size_t rest = text.size() - shared;
    return numberSize(shared) + 1 + numberSize(rest) + 1 + rest;
}

} // namespace

std::size_t pageLinksSize(const PageLinkBlock& block) {
    std::size_t size = 2 + numberSize(block.pageUrl.size()) + 1 + block.pageUrl.size() + 1 +
                       numberSize(block.links.size()) + 1;
    std::string_view localBefore;
    std::string_view urlBefore;
    for (const RecordedLink& link : block.links) {
        size += numberSize(link.offset) + 3 + sharedSize(link.localText, localBefore) + 1 +
                sharedSize(link.url, urlBefore) + 1;
        localBefore = link.localText;
        urlBefore = link.url;
    }
    return size;
}

std::string pageLinksText(const std::string& pageUrl, const RewriteTracker& rewrites,
                          std::string_view text) {
    LinkLines lines;
    rewrites.forEachLink(text,
                         [&](std::size_t offset, std::string_view value, const std::string& url) {
                             lines.add(offset, true, value, url);
                         });
    return lines.block(pageUrl);
}

Status appendPageLinks(const std::string& logPath, const PageLinkBlock& block) {
    return appendFileUnflushed(logPath, pageLinksText(block));
}

LinkLogReader::LinkLogReader(const std::string& path)
    : m_text(readFile(path).value_or(std::string())) {}

void LinkLogReader::rewind() {
    m_pos = 0;
    m_broken = false;
}

bool LinkLogReader::take(char expected) {
    if (m_pos >= m_text.size() || m_text[m_pos] != expected)
        return false;
    ++m_pos;
    return true;
}

bool LinkLogReader::readNumber(std::size_t& value) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (m_pos < m_text.size() && blank(m_text[m_pos]))
        ++m_pos;
    const bool negative = take('-');
    if (!negative)
        take('+');
    const char* first = m_text.data() + m_pos;
    const auto [end, error] = std::from_chars(first, m_text.data() + m_text.size(), value);
    if (error != std::errc())
        return false;
    m_pos += static_cast<std::size_t>(end - first);
    // An unsigned number read with a minus sign wraps around.
    if (negative)
        value = std::size_t{0} - value;
    return true;
}

bool LinkLogReader::readText(std::string_view& text) {
    std::size_t size = 0;
    if (!readNumber(size) || !take(':') || size > (std::size_t{1} << 30) ||
        size > m_text.size() - m_pos)
        return false;
    text = std::string_view(m_text).substr(m_pos, size);
    m_pos += size;
    return true;
}

bool LinkLogReader::readShared(std::size_t before, std::size_t& shared, std::string_view& rest) {
    return readNumber(shared) && take('+') && shared <= before && readText(rest);
}

bool LinkLogReader::readHead(std::string_view& pageUrl, std::size_t& count, std::uint64_t& offset) {
    if (m_broken || m_pos >= m_text.size())
        return false;
    offset = m_pos;
    m_broken = !(take('P') && take(' ') && readText(pageUrl) && readNumber(count) && take('\n'));
    return !m_broken;
}

// A link line: its texts are the first bytes of those of the link before (of the sizes given)
// and the rest.
bool LinkLogReader::readLink(std::size_t localBefore, std::size_t urlBefore, LinkLine& line) {
    m_broken = !(readNumber(line.offset) && take(' ') && m_pos < m_text.size());
    line.form = m_broken ? '\0' : m_text[m_pos++];
    m_broken = m_broken || (line.form != 'L' && line.form != 'A') || !take(' ') ||
               !readShared(localBefore, line.localShared, line.localRest) || !take(' ') ||
               !readShared(urlBefore, line.urlShared, line.urlRest) || !take('\n');
    return !m_broken;
}

bool LinkLogReader::next(PageLinkBlock& block, std::uint64_t& offset) {
    std::string_view pageUrl;
    std::size_t count = 0;
    if (!readHead(pageUrl, count, offset))
        return false;
    block.pageUrl.assign(pageUrl);
    block.links.clear();
    const RecordedLink none;
    LinkLine line;
    for (std::size_t i = 0; i < count; ++i) {
        const RecordedLink& before = i == 0 ? none : block.links.back();
        if (!readLink(before.localText.size(), before.url.size(), line))
            return false;
        RecordedLink link;
        link.offset = line.offset;
        link.local = line.form == 'L';
        link.localText.reserve(line.localShared + line.localRest.size());
        link.localText.assign(before.localText, 0, line.localShared).append(line.localRest);
        link.url.reserve(line.urlShared + line.urlRest.size());
        link.url.assign(before.url, 0, line.urlShared).append(line.urlRest);
        block.links.push_back(std::move(link));
    }
    return true;
}

bool LinkLogReader::nextPage(std::string_view& pageUrl, std::uint64_t& offset) {
    std::size_t count = 0;
    if (!readHead(pageUrl, count, offset))
        return false;
    // Only the sizes of the texts before are needed to check a link's shared parts.
    LinkLine line;
    for (std::size_t i = 0; i < count; ++i) {
        if (!readLink(line.localShared + line.localRest.size(),
                      line.urlShared + line.urlRest.size(), line))
            return false;
    }
    return true;
}

} // namespace quarlo
