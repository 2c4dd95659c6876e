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

std::string pageLinksText(const std::string& pageUrl, const RewriteTracker& rewrites,
                          std::string_view text) {
    LinkLines lines;
    rewrites.forEachLink(text,
                         [&](std::size_t offset, std::string_view value, const std::string& url) {
                             lines.add(offset, true, value, url);
                         });
    return lines.block(pageUrl);
}

Status appendLinkLog(const std::string& logPath, const std::string& blockText) {
    return appendFileUnflushed(logPath, blockText);
}

Status appendPageLinks(const std::string& logPath, const PageLinkBlock& block) {
    return appendLinkLog(logPath, pageLinksText(block));
}

bool LinkLogReader::readText(std::string& text) {
    std::size_t size = 0;
    if (!(m_in >> size) || m_in.get() != ':' || size > (std::size_t{1} << 30))
        return false;
    text.resize(size);
    return static_cast<bool>(m_in.read(text.data(), static_cast<std::streamsize>(size)));
}

bool LinkLogReader::readShared(std::string& text, const std::string& before) {
    std::size_t shared = 0;
    std::string rest;
    if (!(m_in >> shared) || m_in.get() != '+' || shared > before.size() || !readText(rest))
        return false;
    text.assign(before, 0, shared);
    text += rest;
    return true;
}

bool LinkLogReader::next(PageLinkBlock& block, std::uint64_t& offset) {
    if (!m_in || m_in.peek() == std::ifstream::traits_type::eof())
        return false;
    offset = static_cast<std::uint64_t>(m_in.tellg());
    std::size_t count = 0;
    if (m_in.get() != 'P' || m_in.get() != ' ' || !readText(block.pageUrl) || !(m_in >> count) ||
        m_in.get() != '\n')
        return false;
    block.links.clear();
    const RecordedLink none;
    for (std::size_t i = 0; i < count; ++i) {
        const RecordedLink& before = i == 0 ? none : block.links.back();
        RecordedLink link;
        char form = 0;
        if (!(m_in >> link.offset) || m_in.get() != ' ' || !m_in.get(form) || m_in.get() != ' ' ||
            (form != 'L' && form != 'A') || !readShared(link.localText, before.localText) ||
            m_in.get() != ' ' || !readShared(link.url, before.url) || m_in.get() != '\n')
            return false;
        link.local = form == 'L';
        block.links.push_back(std::move(link));
    }
    return true;
}

} // namespace quarlo
