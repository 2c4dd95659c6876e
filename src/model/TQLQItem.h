#pragma once

#include "model/QueueStates.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quarlo {

class TQLTask;

// The separator that ends every field of a data line: the character ¶ in UTF-8 (C2 B6).
// Never the lone byte B6, which occurs inside letters (ö is C3 B6).
inline constexpr std::string_view kFieldSeparator = "\xC2\xB6";
inline constexpr std::size_t kDataLineFields = 11;
// The message of an entry whose transfer was stopped or cut short.
inline constexpr std::string_view kTransferIncomplete = "Transfer Incomplete";

// One queue entry while some part of the program works on it. The queue's line pair is the
// lasting copy; an item is owned by whoever loaded or created it.
struct TQLQItem {
    TQLTask* Task = nullptr; // not owned
    std::string URL;
    std::string BaseURL; // not stored in the queue
    std::string Referrer;
    std::string LastModified;
    std::string LocalName; // computed on demand, not stored
    std::string FileType;
    std::string Title;
    QueueStatus Status = QueueStatus::None;
    std::string Message;
    std::int32_t Level = 0;
    QueueMode Mode = QueueMode::Download;
    std::int64_t Size = 0;
    std::int64_t BytesReceived = 0; // not stored
    std::int64_t BytesCounted = 0;  // part of BytesReceived already counted; not stored
    std::string FrameFlag;          // "Y" for a link from a FRAME tag

    // A page is an item whose file type is exactly "HTML"; anything else is a resource.
    bool isPage() const;
    // Saved and not yet parsed: a page in status Saved, or a style sheet (of either kind)
    // in status Parsing, which is where a saved style sheet waits for its links to be taken.
    bool waitsForParsing() const;
};

// A completed file waiting to be added to the task's Zip archive; owns its item.
struct ZipListEntry {
    std::string localName;
    std::unique_ptr<TQLQItem> item;
};

// The data line of an item: eleven fields, each followed by the separator. The message is
// written without CR, LF and separators and with its blanks trimmed; the referrer with ¶,
// CR and LF percent-encoded; other texts with CR and LF as blanks and separators dropped,
// so that no text can shift a field or break the line pair.
std::string buildDataLine(const TQLQItem& item);

// The fields of a data line as they stand: field n lies between the n-th and the
// (n+1)-th separator (0-based); a field beyond the end of the line is empty.
std::array<std::string_view, kDataLineFields> splitDataLine(std::string_view line);

// Reads the stored fields of a data line into the item (URL, Task and the fields that are
// not stored are left alone). An empty mode reads as 1 and an empty size as 0. A status,
// level, mode or size that is not a number in range (status 0..11, mode 0..3, level and
// size not negative) reads as 0 (mode 1) and counts as a repair; the number of repairs is
// returned.
int readDataLine(std::string_view line, TQLQItem& item);

// The three facts the queue's selection indexes need, read the way readDataLine reads them.
struct DataLineClass {
    QueueStatus status = QueueStatus::None;
    QueueMode mode = QueueMode::Download;
    bool page = false;
};
DataLineClass classifyDataLine(std::string_view line);
// The class of buildDataLine(item), without building and reading the line.
DataLineClass classifyItem(const TQLQItem& item);

// A URL or referrer as the queue keeps it: ¶, CR and LF percent-encoded.
std::string queueSafeURL(std::string_view url);
// False when queueSafeURL keeps the text as it is; true when it may respell it.
bool mayNeedQueueSpelling(std::string_view url);

} // namespace quarlo
