#include "model/TQLQItem.h"

#include "platform/TextUtil.h"

#include <charconv>
#include <limits>
#include <optional>

namespace quarlo {

namespace {

// Field numbers of a data line.
enum Field : std::size_t {
    kStatus = 0,
    kMessage = 1,
    kFileType = 2,
    kReserved = 3,
    kLevel = 4,
    kReferrer = 5,
    kLastModified = 6,
    kMode = 7,
    kTitle = 8,
    kSize = 9,
    kFrameFlag = 10,
};

// Whether the text holds a CR, an LF or the separator's first byte: most hold none and are
// kept as they are.
bool mayHoldBreaks(std::string_view text) {
    return text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos ||
           text.find(kFieldSeparator[0]) != std::string_view::npos;
}

// Appends the text without its separators; CR and LF become `lineBreak` (empty: removed).
void appendWithoutBreaks(std::string& out, std::string_view text, std::string_view lineBreak) {
    if (!mayHoldBreaks(text)) {
        out += text;
        return;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, kFieldSeparator.size(), kFieldSeparator) == 0) {
            i += kFieldSeparator.size() - 1;
        } else if (text[i] == '\r' || text[i] == '\n') {
            out += lineBreak;
        } else {
            out += text[i];
        }
    }
}

// Appends the URL as the queue spells it (see queueSafeURL).
void appendQueueSafe(std::string& out, std::string_view url) {
    if (!mayHoldBreaks(url)) {
        out += url;
        return;
    }
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url.compare(i, kFieldSeparator.size(), kFieldSeparator) == 0) {
            out += "%C2%B6";
            i += kFieldSeparator.size() - 1;
        } else if (url[i] == '\r') {
            out += "%0D";
        } else if (url[i] == '\n') {
            out += "%0A";
        } else {
            out += url[i];
        }
    }
}

// Appends the number as std::to_string writes it, without a string of its own.
template <class T> void appendDecimal(std::string& out, T value) {
    std::array<char, 24> digits{};
    const char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

// A decimal number in [low, high], or nothing (blanks are not allowed around it).
template <class T> std::optional<T> parseNumber(std::string_view text, T low, T high) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
        return std::nullopt;
    return static_cast<T>(value);
}

// A number that is not a state gives nothing, as does one that is no number at all.
std::optional<QueueStatus> parseStatus(std::string_view text) {
    const auto number =
        parseNumber<std::int64_t>(text, 0, std::numeric_limits<std::int64_t>::max());
    return number ? queueStatusFromValue(*number) : std::nullopt;
}

std::optional<QueueMode> parseMode(std::string_view text) {
    const auto number =
        parseNumber<std::int64_t>(text, 0, std::numeric_limits<std::int64_t>::max());
    return number ? queueModeFromValue(*number) : std::nullopt;
}

} // namespace

bool TQLQItem::isPage() const {
    return FileType == "HTML";
}

bool TQLQItem::waitsForParsing() const {
    return Status == QueueStatus::Parsing || (isPage() && Status == QueueStatus::Saved);
}

bool mayNeedQueueSpelling(std::string_view url) {
    return mayHoldBreaks(url);
}

std::string queueSafeURL(std::string_view url) {
    std::string result;
    result.reserve(url.size());
    appendQueueSafe(result, url);
    return result;
}

// Written for every queue change: the fields go straight into the line.
std::string buildDataLine(const TQLQItem& item) {
    std::string message;
    appendWithoutBreaks(message, item.Message, "");
    std::string line;
    line.reserve(48 + message.size() + item.FileType.size() + item.Referrer.size() +
                 item.LastModified.size() + item.Title.size() + item.FrameFlag.size());
    const auto endField = [&line] { line += kFieldSeparator; };
    appendDecimal(line, toQueueValue(item.Status));
    endField();
    line += trimBlanks(message);
    endField();
    appendWithoutBreaks(line, item.FileType, " ");
    endField();
    endField(); // field 3 stays empty
    appendDecimal(line, item.Level);
    endField();
    appendQueueSafe(line, item.Referrer);
    endField();
    appendWithoutBreaks(line, item.LastModified, " ");
    endField();
    appendDecimal(line, toQueueValue(item.Mode));
    endField();
    appendWithoutBreaks(line, item.Title, " ");
    endField();
    appendDecimal(line, item.Size);
    endField();
    appendWithoutBreaks(line, item.FrameFlag, " ");
    endField();
    return line;
}

std::array<std::string_view, kDataLineFields> splitDataLine(std::string_view line) {
    std::array<std::string_view, kDataLineFields> fields{};
    for (std::size_t n = 0; n < kDataLineFields; ++n) {
        const std::size_t end = line.find(kFieldSeparator);
        if (end == std::string_view::npos) {
            // The text after the last separator is not a field: only a line without any
            // separator has a field 0 (and the loader never treats such a line as data).
            if (n == 0)
                fields[0] = line;
            break;
        }
        fields[n] = line.substr(0, end);
        line.remove_prefix(end + kFieldSeparator.size());
    }
    return fields;
}

int readDataLine(std::string_view line, TQLQItem& item) {
    const auto fields = splitDataLine(line);
    int repairs = 0;
    auto number = [&repairs](auto parsed, auto fallback, bool emptyIsFine, std::string_view text) {
        if (parsed)
            return *parsed;
        if (!(emptyIsFine && text.empty()))
            ++repairs;
        return fallback;
    };
    item.Status = number(parseStatus(fields[kStatus]), QueueStatus::None, false, fields[kStatus]);
    item.Message = std::string(fields[kMessage]);
    item.FileType = std::string(fields[kFileType]);
    item.Level = number(
        parseNumber<std::int32_t>(fields[kLevel], 0, std::numeric_limits<std::int32_t>::max()),
        std::int32_t{0}, false, fields[kLevel]);
    item.Referrer = std::string(fields[kReferrer]);
    item.LastModified = std::string(fields[kLastModified]);
    item.Mode = number(parseMode(fields[kMode]), QueueMode::Download, true, fields[kMode]);
    item.Title = std::string(fields[kTitle]);
    item.Size = number(
        parseNumber<std::int64_t>(fields[kSize], 0, std::numeric_limits<std::int64_t>::max()),
        std::int64_t{0}, true, fields[kSize]);
    item.FrameFlag = std::string(fields[kFrameFlag]);
    return repairs;
}

DataLineClass classifyDataLine(std::string_view line) {
    const auto fields = splitDataLine(line);
    DataLineClass cls;
    cls.status = parseStatus(fields[kStatus]).value_or(QueueStatus::None);
    cls.mode = parseMode(fields[kMode]).value_or(QueueMode::Download);
    cls.page = fields[kFileType] == "HTML";
    return cls;
}

DataLineClass classifyItem(const TQLQItem& item) {
    DataLineClass cls;
    // Through the numbers, as the line would be read back: a value out of range reads as 0.
    cls.status = queueStatusFromValue(toQueueValue(item.Status)).value_or(QueueStatus::None);
    cls.mode = queueModeFromValue(toQueueValue(item.Mode)).value_or(QueueMode::Download);
    if (mayHoldBreaks(item.FileType)) {
        // The line drops separators and turns breaks into blanks: judge what it holds.
        std::string stored;
        appendWithoutBreaks(stored, item.FileType, " ");
        cls.page = stored == "HTML";
    } else {
        cls.page = item.FileType == "HTML";
    }
    return cls;
}

} // namespace quarlo
