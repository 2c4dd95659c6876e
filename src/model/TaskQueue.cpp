#include "model/TaskQueue.h"

#include "platform/FileUtil.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>

namespace quarlo {

namespace {

char foldChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Eight bytes with the ASCII capitals among them made small, as foldChar makes each: every
// byte from 'A' to 'Z' gets its 0x20 bit.
std::uint64_t foldWord(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t low = word & ~kHigh;
    const std::uint64_t fromA = low + (0x80 - 'A') * kOnes;     // high bit: at least 'A'
    const std::uint64_t pastZ = low + (0x80 - 'Z' - 1) * kOnes; // high bit: past 'Z'
    const std::uint64_t capitals = fromA & ~pastZ & ~word & kHigh;
    return word | (capitals >> 2);
}

// The high bit of each byte of the word that is "/", "\\", "?" or "#". Above the first such
// byte (in memory order) a bit may be set wrongly; the first one is always right.
std::uint64_t hostEndBytes(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
    return zeroBytes(word ^ ('/' * kOnes)) | zeroBytes(word ^ ('\\' * kOnes)) |
           zeroBytes(word ^ ('?' * kOnes)) | zeroBytes(word ^ ('#' * kOnes));
}

// The bytes that end a URL's host: looked up, since every hash of a URL walks its host.
constexpr std::array<bool, 256> kHostEnds = [] {
    std::array<bool, 256> ends{};
    for (const char c : {'/', '\\', '?', '#'})
        ends[static_cast<unsigned char>(c)] = true;
    return ends;
}();

// Where the "://" after an http or https scheme ends (no "://" can come earlier); npos for
// any other URL.
std::size_t webSchemeEnd(std::string_view url) {
    if (url.size() < 7 || foldChar(url[0]) != 'h' || foldChar(url[1]) != 't' ||
        foldChar(url[2]) != 't' || foldChar(url[3]) != 'p')
        return std::string_view::npos;
    std::size_t colon = 4;
    if (foldChar(url[4]) == 's')
        colon = 5;
    return url.substr(colon).starts_with("://") ? colon + 3 : std::string_view::npos;
}

// How much of a URL compares without regard to case: its scheme and host (with any port),
// up to the first "/", "\\", "?" or "#" after "://"; nothing without "://". Path and query
// compare exactly.
std::size_t caseFreeLength(std::string_view url) {
    // Looked up for every URL the queue hashes: the common schemes without a search.
    std::size_t end = webSchemeEnd(url);
    if (end == std::string_view::npos) {
        const std::size_t mark = url.find("://");
        if (mark == std::string_view::npos)
            return 0;
        end = mark + 3;
    }
    if constexpr (std::endian::native == std::endian::little) {
        for (; end + 8 <= url.size(); end += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, url.data() + end, 8);
            if (const std::uint64_t ends = hostEndBytes(word); ends != 0)
                return end + static_cast<std::size_t>(std::countr_zero(ends)) / 8;
        }
    }
    while (end < url.size() && !kHostEnds[static_cast<unsigned char>(url[end])])
        ++end;
    return end;
}

bool sameURL(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    // Most URLs found in the index are spelled alike byte for byte.
    if (a == b)
        return true;
    const std::size_t folded = caseFreeLength(a);
    return equalsNoCase(a.substr(0, folded), b.substr(0, folded)) &&
           a.substr(folded) == b.substr(folded);
}

bool isDataLine(std::string_view line) {
    return line.find(kFieldSeparator) != std::string_view::npos;
}

// Whether queueSafeURL would change the text (checked first: most texts need nothing).
bool needsQueueSpelling(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos ||
           text.find(kFieldSeparator) != std::string_view::npos;
}

// Of two entries with one URL, the one that got further: saved (the later stage first), then
// failed, then the rest by status.
int progressRank(const DataLineClass& cls) {
    if (cls.status >= QueueStatus::Saved)
        return 100 + toQueueValue(cls.status);
    if (cls.status == QueueStatus::Error)
        return 50;
    return toQueueValue(cls.status);
}

// The data line as the queue keeps it: the line itself when its numbers are in range and
// its referrer is spelled as the queue spells URLs, else the line written anew.
std::string repairedDataLine(std::string_view line, bool& repaired) {
    TQLQItem item;
    const bool numbers = readDataLine(line, item) > 0;
    if (!numbers && !needsQueueSpelling(item.Referrer))
        return std::string(line);
    repaired = true;
    return buildDataLine(item); // which spells the referrer as the queue does
}

// An earlier version typed every URL with a query as a page; a stylesheet or image with a
// query (its category now kept, see the file-type table) would be parsed as one and get the
// banner. Such a data line is written with the URL's type now; "" when it stays.
std::string retypedDataLine(std::string_view url, std::string_view data,
                            const TaskQueue::TypeOfURL& typeOf) {
    if (url.find('?') == std::string_view::npos || !classifyDataLine(data).page)
        return {};
    TQLQItem item;
    if (readDataLine(data, item) > 0)
        return {}; // repaired as it is
    item.FileType = typeOf(url);
    return item.isPage() ? std::string() : buildDataLine(item);
}

} // namespace

std::size_t TaskQueue::FoldHash::operator()(std::string_view url) const {
    // Scheme and host are hashed folded, eight bytes a step; the rest, most of a URL, as it
    // stands.
    const std::size_t folded = caseFreeLength(url);
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    std::size_t i = 0;
    for (; i + 8 <= folded; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, url.data() + i, 8);
        hash = (hash ^ foldWord(word)) * 0x9e3779b97f4a7c15ULL;
        hash ^= hash >> 29;
    }
    for (; i < folded; ++i) {
        hash ^= static_cast<unsigned char>(foldChar(url[i]));
        hash *= 0x100000001b3ULL;
    }
    return static_cast<std::size_t>(hash) ^ std::hash<std::string_view>()(url.substr(folded));
}

bool TaskQueue::FoldEqual::operator()(std::size_t a, std::size_t b) const {
    return sameURL((*entries)[a].url, (*entries)[b].url);
}

bool TaskQueue::FoldEqual::operator()(std::string_view a, std::size_t b) const {
    return sameURL(a, (*entries)[b].url);
}

TaskQueue::TaskQueue() : m_urlIndex(0, FoldHash{&m_entries}, FoldEqual{&m_entries}) {}

TaskQueue::~TaskQueue() = default;

std::optional<std::size_t> TaskQueue::find(std::string_view url) const {
    // The index holds URLs as the queue spells them; most need no respelling to be looked up.
    if (mayNeedQueueSpelling(url)) {
        const std::string spelled = queueSafeURL(url);
        if (spelled != url)
            return find(spelled);
    }
    const auto it = m_urlIndex.find(url);
    if (it == m_urlIndex.end())
        return std::nullopt;
    return *it;
}

std::size_t TaskQueue::append(std::string url, std::string dataLine, const TaskCounters& counters) {
    const DataLineClass cls = classifyDataLine(dataLine);
    return append(std::move(url), std::move(dataLine), cls, counters);
}

std::size_t TaskQueue::append(std::string url, std::string dataLine, const DataLineClass& cls,
                              const TaskCounters& counters) {
    // The texts pass through the record rather than being copied: a parse adds many entries.
    QueueJournal::Record record{'A', std::move(url), std::move(dataLine), counters};
    m_journal.write(record);
    return appendEntry(std::move(record.url), std::move(record.data), cls);
}

std::size_t TaskQueue::store(std::string_view url, std::string dataLine,
                             const TaskCounters& counters) {
    // The data line passes through the record rather than being copied, as in append.
    QueueJournal::Record record{'S', std::string(url), std::move(dataLine), counters};
    m_journal.write(record);
    if (const auto entry = find(url)) {
        replaceData(*entry, std::move(record.data));
        return *entry;
    }
    return appendEntry(std::move(record.url), std::move(record.data));
}

std::size_t TaskQueue::storeUnjournaled(std::string_view url, std::string dataLine,
                                        const TaskCounters& counters) {
    const auto entry = find(url);
    if (!entry)
        return store(url, std::move(dataLine), counters);
    replaceData(*entry, std::move(dataLine));
    return *entry;
}

void TaskQueue::replace(std::size_t entry, std::string dataLine, const TaskCounters& counters) {
    m_journal.write({'S', m_entries[entry].url, dataLine, counters});
    replaceData(entry, std::move(dataLine));
}

void TaskQueue::noteAttempt(std::size_t entry) {
    std::uint8_t& attempts = m_entries[entry].attempts;
    if (attempts < 255)
        ++attempts;
}

void TaskQueue::resetAttempts() {
    for (Entry& entry : m_entries)
        entry.attempts = 0;
}

TaskCounters TaskQueue::entryCounts() const {
    TaskCounters counts;
    for (const Entry& entry : m_entries) {
        const bool page = entry.cls.page;
        ++(page ? counts.PagesFound : counts.ResourcesFound);
        if (entry.cls.status >= QueueStatus::Saved)
            ++(page ? counts.PagesSaved : counts.ResourcesSaved);
        else if (entry.cls.status == QueueStatus::Error)
            ++(page ? counts.PageErrors : counts.ResourceErrors);
    }
    return counts;
}

std::size_t TaskQueue::appendEntry(std::string url, std::string dataLine) {
    const DataLineClass cls = classifyDataLine(dataLine);
    return appendEntry(std::move(url), std::move(dataLine), cls);
}

std::size_t TaskQueue::appendEntry(std::string url, std::string dataLine,
                                   const DataLineClass& cls) {
    if (!m_capitalHosts.load(std::memory_order_relaxed) && capitalInHost(url))
        m_capitalHosts.store(true, std::memory_order_release);
    m_entries.push_back({std::move(url), std::move(dataLine), cls});
    const std::size_t entry = m_entries.size() - 1;
    m_urlIndex.insert(entry); // an earlier entry with the same URL stays the indexed one
    indexEntry(entry, true);
    return entry;
}

void TaskQueue::replaceData(std::size_t entry, std::string dataLine) {
    indexEntry(entry, false);
    m_entries[entry].cls = classifyDataLine(dataLine);
    m_entries[entry].data = std::move(dataLine);
    indexEntry(entry, true);
}

// Puts the entry into (or takes it out of) the selection sets its data line qualifies for.
void TaskQueue::indexEntry(std::size_t entry, bool add) {
    const DataLineClass& cls = m_entries[entry].cls;
    const bool update = cls.mode == QueueMode::Update &&
                        (cls.status == QueueStatus::None || cls.status == QueueStatus::Downloading);
    const bool fresh = cls.status == QueueStatus::None;
    const bool pageToFetch =
        cls.page &&
        (update || (fresh && (cls.mode == QueueMode::Download || cls.mode == QueueMode::Map)));
    const bool resourceToFetch =
        !cls.page && (update || (fresh && cls.mode == QueueMode::Download));
    // A saved style sheet waits in status Parsing, whatever its file type.
    const bool savedPage =
        (cls.page && cls.status == QueueStatus::Saved) || cls.status == QueueStatus::Parsing;
    auto apply = [&](std::set<std::size_t>& set, bool member) {
        if (!member)
            return;
        if (add)
            set.insert(set.end(), entry);
        else
            set.erase(entry);
    };
    apply(m_pagesToFetch, pageToFetch);
    apply(m_resourcesToFetch, resourceToFetch);
    apply(m_savedPages, savedPage);
}

namespace {
std::optional<std::size_t> firstOf(const std::set<std::size_t>& set) {
    if (set.empty())
        return std::nullopt;
    return *set.begin();
}
std::optional<std::size_t> firstFrom(const std::set<std::size_t>& set, std::size_t from) {
    const auto found = set.lower_bound(from);
    if (found == set.end())
        return std::nullopt;
    return *found;
}
} // namespace

std::optional<std::size_t> TaskQueue::firstPageToFetch() const {
    return firstOf(m_pagesToFetch);
}

std::optional<std::size_t> TaskQueue::firstResourceToFetch() const {
    return firstOf(m_resourcesToFetch);
}

std::optional<std::size_t> TaskQueue::firstSavedPage() const {
    return firstOf(m_savedPages);
}

std::optional<std::size_t> TaskQueue::firstPageToFetchFrom(std::size_t from) const {
    return firstFrom(m_pagesToFetch, from);
}

std::optional<std::size_t> TaskQueue::firstResourceToFetchFrom(std::size_t from) const {
    return firstFrom(m_resourcesToFetch, from);
}

bool TaskQueue::capitalInHost(std::string_view url) {
    const std::string_view folded = url.substr(0, caseFreeLength(url));
    return std::any_of(folded.begin(), folded.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

void TaskQueue::clear() {
    clearEntries();
    m_journal.startFromEmpty();
}

void TaskQueue::rebuildIndex(const std::function<void(std::size_t entry)>& progress) {
    m_urlIndex.clear();
    for (std::size_t entry = 0; entry < m_entries.size(); ++entry) {
        m_urlIndex.insert(entry);
        if (progress)
            progress(entry);
    }
}

std::string TaskQueue::text() const {
    std::size_t length = 0;
    for (const Entry& entry : m_entries)
        length += entry.url.size() + entry.data.size() + 4;
    std::string result;
    result.reserve(length);
    for (const Entry& entry : m_entries) {
        result += entry.url;
        result += "\r\n";
        result += entry.data;
        result += "\r\n";
    }
    return result;
}

QueueLoadReport TaskQueue::loadText(std::string_view text, const TypeOfURL& typeOf) {
    QueueLoadReport report = parseText(text, typeOf);
    m_journal.startFromContent(text);
    return report;
}

// The queue file is written in line pairs, and a URL line never holds the separator while a
// data line always does. Reading goes by that, so one damaged line never shifts the pairs
// after it. What is malformed is repaired where something can be kept, else dropped; each
// such line counts once in repairedLines:
//  - a data line without a URL line before it (also the one after an empty URL line) and
//    an empty URL line are dropped;
//  - a URL line holding a NUL byte is binary garbage and dropped with its data line;
//  - a URL line without a data line (also at the end of the file) gets a default one:
//    status 0, mode 1, level 0, its file type;
//  - a status, level, mode or size that is not a number in range reads as 0 (mode 1), so
//    the entry is fetched again, and the data line is written anew;
//  - a URL or referrer holding a CR is spelled as the queue spells URLs (so that storing
//    the entry finds it again);
//  - an entry whose URL is queued already is merged into the earlier entry.
QueueLoadReport TaskQueue::parseText(std::string_view text, const TypeOfURL& typeOf) {
    clearEntries();
    QueueLoadReport report;
    auto drop = [&report](std::size_t lines) {
        report.repairedLines += lines;
        report.droppedLines += lines;
    };
    const std::vector<std::string_view> lines = splitLines(text);
    for (std::size_t i = 0; i < lines.size();) {
        const std::string_view url = lines[i++];
        if (url.empty() || isDataLine(url)) {
            drop(1);
            continue;
        }
        const bool hasData = i < lines.size() && isDataLine(lines[i]);
        const std::string_view data = hasData ? lines[i++] : std::string_view();
        if (url.find('\0') != std::string_view::npos) {
            drop(hasData ? 2 : 1);
            continue;
        }
        bool repaired = false;
        if (hasData) {
            const std::string retyped = typeOf ? retypedDataLine(url, data, typeOf) : "";
            repaired = loadEntry(url, retyped.empty() ? data : retyped, false);
        } else {
            TQLQItem item;
            item.FileType = typeOf ? typeOf(url) : std::string();
            repaired = loadEntry(url, buildDataLine(item), true);
        }
        if (repaired)
            ++report.repairedLines;
    }
    report.entries = m_entries.size();
    return report;
}

// Adds an entry as read (see parseText); true when it had to be repaired or merged.
bool TaskQueue::loadEntry(std::string_view url, std::string_view dataLine, bool repaired) {
    const bool respelled = needsQueueSpelling(url);
    std::string safeURL = respelled ? queueSafeURL(url) : std::string(url);
    repaired = repaired || respelled;
    std::string line = repairedDataLine(dataLine, repaired);
    if (const auto earlier = find(safeURL)) {
        if (progressRank(classifyDataLine(line)) > progressRank(m_entries[*earlier].cls))
            replaceData(*earlier, std::move(line));
        return true;
    }
    appendEntry(std::move(safeURL), std::move(line));
    return repaired;
}

// A journaled store: the data line of the entry with the URL, or a new entry. True when
// the record had to be repaired.
bool TaskQueue::replayStore(std::string_view url, std::string_view dataLine) {
    bool repaired = needsQueueSpelling(url);
    std::string safeURL = repaired ? queueSafeURL(url) : std::string(url);
    std::string line = repairedDataLine(dataLine, repaired);
    if (const auto entry = find(safeURL))
        replaceData(*entry, std::move(line));
    else
        appendEntry(std::move(safeURL), std::move(line));
    return repaired;
}

void TaskQueue::clearEntries() {
    m_capitalHosts = false;
    m_urlIndex.clear();
    m_entries.clear();
    m_pagesToFetch.clear();
    m_resourcesToFetch.clear();
    m_savedPages.clear();
}

Result<QueueLoadReport> TaskQueue::loadFile(const std::string& path, const TypeOfURL& typeOf) {
    setJournalPath(path + ".journal");
    const std::optional<std::string> content = readFile(path);
    if (!content && fileExists(path))
        return Result<QueueLoadReport>::failure("Unable to read " + path);
    QueueLoadReport report;
    if (!content && !fileExists(journalPath())) {
        report.entries = m_entries.size(); // nothing to load: the queue stays as it is
        return report;
    }
    if (content)
        report = parseText(*content, typeOf);
    QueueJournal::Replay replay = m_journal.read(content);
    if (!content && !replay.applies) {
        report.entries = m_entries.size();
        return report;
    }
    report.loaded = true;
    if (replay.fromEmpty) {
        clearEntries();
        report.repairedLines = report.droppedLines = 0;
    }
    for (const QueueJournal::Record& record : replay.records) {
        const bool repaired = record.kind == 'A' ? loadEntry(record.url, record.data, false)
                                                 : replayStore(record.url, record.data);
        if (repaired)
            ++report.repairedLines;
    }
    report.journalRecords = replay.records.size();
    report.journalTorn = replay.torn;
    report.journalStale = replay.found && !replay.applies;
    if (!replay.records.empty())
        report.counters = replay.records.back().counters;
    report.entries = m_entries.size();
    return report;
}

Status TaskQueue::saveFile(const std::string& path) {
    setJournalPath(path + ".journal");
    if (Status folder = forceDirectories(folderOf(path)); !folder)
        return folder;
    const std::string content = text();
    if (Status written = writeFileAtomic(path, content, 0600); !written)
        return written;
    m_journal.startFromContent(content);
    return {};
}

} // namespace quarlo
