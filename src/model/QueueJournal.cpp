#include "model/QueueJournal.h"

#include "platform/FileUtil.h"
#include "platform/WriteFault.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

namespace {

constexpr std::string_view kMagic = "QUARLO-QUEUE-JOURNAL 2 ";
constexpr std::string_view kFnvMagic = "QUARLO-QUEUE-JOURNAL 1 ";

using Checksum = std::uint64_t (*)(std::string_view, std::uint64_t);

std::uint64_t recordChecksum(Checksum sum, std::string_view head, std::string_view url,
                             std::string_view data) {
    constexpr std::uint64_t kSeed = 0xcbf29ce484222325ULL;
    return sum(data, sum(url, sum(head, kSeed)));
}

// The counters a record carries, in this order.
constexpr std::array kRecordCounters = {
    &TaskCounters::PagesFound,     &TaskCounters::ResourcesFound, &TaskCounters::PagesSaved,
    &TaskCounters::ResourcesSaved, &TaskCounters::PageErrors,     &TaskCounters::ResourceErrors,
    &TaskCounters::BytesDownloaded};

// Appends the value as 16 lower-case hexadecimal digits.
void appendHex64(std::string& text, std::uint64_t value) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    std::array<char, 16> digits{};
    for (std::size_t i = digits.size(); i > 0; --i, value >>= 4)
        digits[i - 1] = kDigits[value & 0xF];
    text.append(digits.data(), digits.size());
}

std::string hex64(std::uint64_t value) {
    std::string text;
    appendHex64(text, value);
    return text;
}

// Appends a number in decimal, as std::to_string writes it.
template <class T> void appendNumber(std::string& text, T value) {
    std::array<char, 24> digits{};
    const char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    text.append(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

// Splits at blanks.
std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const std::size_t end = text.find(' ');
        result.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return result;
}

template <class T> bool readNumber(std::string_view text, T& value, int base = 10) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && ec == std::errc() && ptr == end;
}

// A record: "<kind> <url bytes> <data bytes> <seven counters> <checksum>" LF, the URL and
// the data line, LF. The checksum covers everything before it and the two texts.
void encodeRecord(const QueueJournal::Record& record, Checksum sum, std::string& text) {
    // Written for every queue change of a run: built in place, after what is pending.
    const std::size_t start = text.size();
    text.reserve(start + 128 + record.url.size() + record.data.size());
    text += record.kind;
    text += ' ';
    appendNumber(text, record.url.size());
    text += ' ';
    appendNumber(text, record.data.size());
    for (auto counter : kRecordCounters) {
        text += ' ';
        appendNumber(text, record.counters.*counter);
    }
    const std::string_view head = std::string_view(text).substr(start);
    const std::uint64_t check = recordChecksum(sum, head, record.url, record.data);
    text += ' ';
    appendHex64(text, check);
    text += '\n';
    text += record.url;
    text += record.data;
    text += '\n';
}

// Decodes the record at the start of text; its length, or 0 when it is torn or damaged.
std::size_t decodeRecord(std::string_view text, Checksum sum, QueueJournal::Record& record) {
    const std::size_t lineEnd = text.find('\n');
    if (lineEnd == std::string_view::npos)
        return 0;
    const std::string_view line = text.substr(0, lineEnd);
    const auto parts = words(line);
    if (parts.size() != 4 + kRecordCounters.size() || parts[0].size() != 1 ||
        (parts[0][0] != 'A' && parts[0][0] != 'S'))
        return 0;
    std::size_t urlSize = 0, dataSize = 0;
    std::uint64_t check = 0;
    if (!readNumber(parts[1], urlSize) || !readNumber(parts[2], dataSize) ||
        !readNumber(parts.back(), check, 16))
        return 0;
    for (std::size_t n = 0; n < kRecordCounters.size(); ++n) {
        if (!readNumber(parts[3 + n], record.counters.*kRecordCounters[n]))
            return 0;
    }
    const std::size_t bodyStart = lineEnd + 1;
    if (urlSize > text.size() || dataSize > text.size() ||
        text.size() - bodyStart < urlSize + dataSize + 1 ||
        text[bodyStart + urlSize + dataSize] != '\n')
        return 0;
    const std::string_view url = text.substr(bodyStart, urlSize);
    const std::string_view data = text.substr(bodyStart + urlSize, dataSize);
    const std::string_view head = line.substr(0, line.size() - parts.back().size() - 1);
    if (recordChecksum(sum, head, url, data) != check)
        return 0;
    record.kind = parts[0][0];
    record.url = std::string(url);
    record.data = std::string(data);
    return bodyStart + urlSize + dataSize + 1;
}

bool writeAll(int fd, std::string_view text) {
    if (writeFaultNow() != 0)
        return false;
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

constexpr std::string_view kJournalSuffix = ".journal";

// Names the boot the journal was written in. Downloaded files are not flushed one by one, and
// neither is the journal, so after a power cut a record that marks a file saved may be on
// disk while the file's data is not. Within one boot every write that came before a record
// is readable in full, killed process or not; a journal of another boot is ignored, and the
// run resumes from the last saved queue, which the flush before each save keeps true.
const std::string& bootMark() {
    static const std::string mark = [] {
        std::string id = readFile("/proc/sys/kernel/random/boot_id").value_or("unknown");
        while (!id.empty() && (id.back() == '\n' || id.back() == ' '))
            id.pop_back();
        return id.empty() || id.find_first_of(" \n") != std::string::npos ? "unknown" : id;
    }();
    return mark;
}

} // namespace

std::uint64_t fnv1a64(std::string_view data, std::uint64_t seed) {
    std::uint64_t hash = seed;
    for (unsigned char c : data) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::uint64_t checksum64(std::string_view data, std::uint64_t seed) {
    constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;
    std::uint64_t hash = seed ^ (data.size() * kMultiplier);
    std::size_t i = 0;
    for (; i + 8 <= data.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, data.data() + i, 8);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 32;
    }
    std::uint64_t tail = 0;
    if (i < data.size()) // an empty view may hold no pointer at all
        std::memcpy(&tail, data.data() + i, data.size() - i);
    hash = (hash ^ tail) * kMultiplier;
    return hash ^ (hash >> 29);
}

QueueJournal::~QueueJournal() {
    close();
}

void QueueJournal::setPath(const std::string& path) {
    if (path == m_path)
        return;
    close();
    m_path = path;
    m_state = FileState::Fresh;
}

void QueueJournal::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void QueueJournal::startFromContent(std::string_view queueFileContent) {
    remove();
    m_restarted = false;
    m_baseEmpty = false;
    m_baseSize = queueFileContent.size();
    m_baseHash = checksum(queueFileContent);
}

void QueueJournal::startFromEmpty() {
    remove();
    m_restarted = true;
    m_baseEmpty = true;
}

void QueueJournal::remove() {
    close();
    m_pending.clear();
    m_failure.clear();
    m_state = FileState::Fresh;
    m_fnvRecords = false;
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

std::uint64_t QueueJournal::checksum(std::string_view data) const {
    return m_fnvRecords ? fnv1a64(data) : checksum64(data);
}

std::string QueueJournal::header() const {
    std::string text(m_fnvRecords ? kFnvMagic : kMagic);
    text += "boot " + bootMark() + ' ';
    if (m_baseEmpty)
        return text + "empty\n";
    return text + "file " + std::to_string(m_baseSize) + ' ' + hex64(m_baseHash) + '\n';
}

// The length of the journal's header when it applies to the queue given (0 when not), in
// the format m_fnvRecords names. Later records apply to what was loaded unless the header
// says they start from an empty queue.
std::size_t QueueJournal::applyingHeader(std::string_view text,
                                         const std::optional<std::string>& queueFileContent,
                                         Replay& replay) {
    const std::string_view queue = queueFileContent ? *queueFileContent : std::string_view();
    m_baseSize = queue.size();
    m_baseHash = checksum(queue);
    m_baseEmpty = true;
    if (const std::string empty = header(); text.starts_with(empty)) {
        replay.fromEmpty = true;
        return empty.size();
    }
    m_baseEmpty = !queueFileContent;
    const std::string loaded = header();
    return text.starts_with(loaded) ? loaded.size() : 0;
}

QueueJournal::Replay QueueJournal::read(const std::optional<std::string>& queueFileContent) {
    Replay replay;
    close();
    m_pending.clear();
    m_failure.clear();
    m_restarted = false;
    m_state = FileState::Fresh;
    m_fnvRecords = false;
    const std::optional<std::string> text = m_path.empty() ? std::nullopt : readFile(m_path);
    replay.found = text.has_value();
    // The queue file is summed again in the earlier format only for a journal of that format.
    const std::string_view journal = text ? std::string_view(*text) : std::string_view();
    std::size_t headerLength = applyingHeader(journal, queueFileContent, replay);
    if (headerLength == 0 && journal.starts_with(kFnvMagic)) {
        m_fnvRecords = true;
        headerLength = applyingHeader(journal, queueFileContent, replay);
        if (headerLength == 0) {
            m_fnvRecords = false;
            applyingHeader({}, queueFileContent, replay);
        }
    }
    if (headerLength == 0) {
        // None, or left over from before a save (or damaged): the queue file already holds
        // more. The next record starts a new journal over what was loaded.
        return replay;
    }
    std::string_view rest = std::string_view(*text).substr(headerLength);
    replay.applies = true;
    while (!rest.empty()) {
        Record record;
        const std::size_t length = decodeRecord(rest, m_fnvRecords ? fnv1a64 : checksum64, record);
        if (length == 0) {
            replay.torn = true;
            break;
        }
        replay.records.push_back(std::move(record));
        rest.remove_prefix(length);
    }
    m_validLength = text->size() - rest.size();
    m_state = replay.torn ? FileState::TruncateThenAppend : FileState::Append;
    return replay;
}

bool QueueJournal::write(const Record& record) {
    if (m_path.empty())
        return true;
    if (!m_failure.empty())
        return false;
    encodeRecord(record, m_fnvRecords ? fnv1a64 : checksum64, m_pending);
    if (m_batchDepth > 0)
        return true;
    std::string text;
    text.swap(m_pending);
    return flush(std::move(text));
}

void QueueJournal::beginBatch() {
    ++m_batchDepth;
}

bool QueueJournal::endBatch() {
    if (m_batchDepth > 0 && --m_batchDepth > 0)
        return true;
    if (m_pending.empty())
        return true;
    std::string text;
    text.swap(m_pending);
    return flush(std::move(text));
}

bool QueueJournal::flush(std::string text) {
    if (m_path.empty())
        return true;
    if (!m_failure.empty())
        return false;
    if (m_fd < 0) {
        if (m_state == FileState::Fresh)
            text.insert(0, header());
        if (!openForAppend())
            return false;
    }
    // One write per record keeps a kill from leaving more than the last record torn.
    if (!writeAll(m_fd, text)) {
        fail(errno);
        return false;
    }
    m_validLength += text.size();
    return true;
}

bool QueueJournal::openForAppend() {
    if (!forceDirectories(folderOf(m_path))) {
        fail(errno);
        return false;
    }
    if (m_state == FileState::Fresh) {
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
        m_validLength = 0;
    } else {
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        // Cut a torn record off before appending after it.
        if (m_fd >= 0 && m_state == FileState::TruncateThenAppend &&
            ::ftruncate(m_fd, static_cast<off_t>(m_validLength)) != 0) {
            const int error = errno;
            close();
            errno = error;
        }
    }
    if (m_fd < 0) {
        fail(errno);
        return false;
    }
    m_state = FileState::Append;
    return true;
}

void QueueJournal::fail(int error) {
    m_failure = "Unable to write to " + m_path + ": " + std::strerror(error != 0 ? error : EIO);
    m_pending.clear();
    const std::string queueFile = m_path.substr(0, m_path.size() - kJournalSuffix.size());
    if (m_restarted && m_path.ends_with(kJournalSuffix) && fileExists(queueFile)) {
        close();
        ::unlink(m_path.c_str());
    } else if (m_fd >= 0) {
        // Whatever part of the failed write reached the file goes again. Should the cut
        // fail too, the next append cuts first (TruncateThenAppend below).
        ignoreFailure(::ftruncate(m_fd, static_cast<off_t>(m_validLength)));
        close();
    }
    m_state = FileState::TruncateThenAppend;
}

} // namespace quarlo
