#pragma once

#include "html/LinkRecords.h"
#include "platform/Result.h"

#include <cstdint>
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
// The size of pageLinksText(block), found without writing the text.
std::size_t pageLinksSize(const PageLinkBlock& block);
// The block of a page as its conversion left it (the rewrites and the converted text),
// written straight from them: no record of its own per link.
std::string pageLinksText(const std::string& pageUrl, const RewriteTracker& rewrites,
                          std::string_view text);
// Appends a block's text in one write, unflushed: the next flush of the file system (the
// queue's checkpoint) gives its durability. The parse thread appends through a file it keeps
// open instead.
Status appendPageLinks(const std::string& logPath, const PageLinkBlock& block);

// Reads a link log block by block, from its whole text read at once. A torn or damaged block
// (a run killed while it appended) ends the reading. Numbers are read as a formatted stream
// reads them (blanks before them and a sign are taken), so that what a log yields does not
// depend on how it is read.
class LinkLogReader {
public:
    // A log that cannot be read reads as empty.
    explicit LinkLogReader(const std::string& path);
    // The next block and its offset in the log; false at the end.
    bool next(PageLinkBlock& block, std::uint64_t& offset);
    // The same with the block's links passed over: the page URL lies in the reader's text,
    // valid while the reader lives.
    bool nextPage(std::string_view& pageUrl, std::uint64_t& offset);
    // Reading starts again with the first block.
    void rewind();
    std::size_t logSize() const { return m_text.size(); }

private:
    struct LinkLine {
        std::size_t offset = 0;
        char form = '\0';
        std::size_t localShared = 0;
        std::string_view localRest;
        std::size_t urlShared = 0;
        std::string_view urlRest;
    };

    bool readNumber(std::size_t& value);
    bool take(char expected);
    bool readText(std::string_view& text);
    // A link's text: its shared part of the text before it (of `before` bytes) and the rest.
    bool readShared(std::size_t before, std::size_t& shared, std::string_view& rest);
    bool readHead(std::string_view& pageUrl, std::size_t& count, std::uint64_t& offset);
    bool readLink(std::size_t localBefore, std::size_t urlBefore, LinkLine& line);

    std::string m_text;
    std::size_t m_pos = 0;
    bool m_broken = false; // a damaged block was met: nothing more is read
};

} // namespace quarlo
