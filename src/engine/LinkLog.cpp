#include "engine/LinkLog.h"

#include <cerrno>
#include <cstdio>

namespace quarlo {

namespace {

void appendText(std::string& out, const std::string& text) {
    out += std::to_string(text.size());
    out += ':';
    out += text;
}

} // namespace

std::string linkLogPath(const std::string& queueFile) {
    return queueFile + ".links";
}

std::string pageLinksText(const PageLinkBlock& block) {
    std::string out = "P ";
    appendText(out, block.pageUrl);
    out += ' ';
    out += std::to_string(block.links.size());
    out += '\n';
    for (const RecordedLink& link : block.links) {
        out += std::to_string(link.offset);
        out += link.local ? " L " : " A ";
        appendText(out, link.localText);
        out += ' ';
        appendText(out, link.url);
        out += '\n';
    }
    return out;
}

Status appendPageLinks(const std::string& logPath, const PageLinkBlock& block) {
    const std::string text = pageLinksText(block);
    std::FILE* file = std::fopen(logPath.c_str(), "ab");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int error = errno;
    if (file != nullptr && std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written)
        return {};
    errno = error;
    return Status::fromErrno(error, "Unable to write to " + logPath);
}

bool LinkLogReader::readText(std::string& text) {
    std::size_t size = 0;
    if (!(m_in >> size) || m_in.get() != ':' || size > (std::size_t{1} << 30))
        return false;
    text.resize(size);
    return static_cast<bool>(m_in.read(text.data(), static_cast<std::streamsize>(size)));
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
    for (std::size_t i = 0; i < count; ++i) {
        RecordedLink link;
        char form = 0;
        if (!(m_in >> link.offset) || m_in.get() != ' ' || !m_in.get(form) || m_in.get() != ' ' ||
            (form != 'L' && form != 'A') || !readText(link.localText) || m_in.get() != ' ' ||
            !readText(link.url) || m_in.get() != '\n')
            return false;
        link.local = form == 'L';
        block.links.push_back(std::move(link));
    }
    return true;
}

} // namespace quarlo
