#pragma once

#include "html/LinkRecords.h"
#include "platform/Result.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// The links rewritten in one saved page: the page's URL as queued and its records.
struct PageLinkBlock {
    std::string pageUrl;
    std::vector<RecordedLink> links;
};

// The links a task's runs rewrote in its saved pages are kept beside its queue file, one
// block per parse of a page, appended as pages are parsed; a page's latest block is the one
// that holds. A block is a line "P <n>:<page URL> <count>" and a line per link
// "<offset> L|A <s>+<n>:<local text> <s>+<n>:<URL>" (L: the value names the local copy; A:
// the absolute URL). A link's texts are given as the first s bytes of the same text of the
// link before it and n more bytes, so that the log stays small and any byte may stand in it.
std::string linkLogPath(const std::string& queueFile);

std::string pageLinksText(const PageLinkBlock& block);
// The block of a page as its conversion left it (the rewrites and the converted text),
// written straight from them: no record of its own per link.
std::string pageLinksText(const std::string& pageUrl, const RewriteTracker& rewrites,
                          std::string_view text);
// Appends a block's text in one write, unflushed: the next flush of the file system (the
// queue's checkpoint) gives its durability.
Status appendLinkLog(const std::string& logPath, const std::string& blockText);
Status appendPageLinks(const std::string& logPath, const PageLinkBlock& block);

// Reads a link log block by block. A torn or damaged block (a run killed while it appended)
// ends the reading.
class LinkLogReader {
public:
    explicit LinkLogReader(const std::string& path) : m_in(path, std::ios::binary) {}
    // The next block and its offset in the file; false at the end.
    bool next(PageLinkBlock& block, std::uint64_t& offset);

private:
    bool readText(std::string& text);
    bool readShared(std::string& text, const std::string& before);

    std::ifstream m_in;
};

} // namespace quarlo
