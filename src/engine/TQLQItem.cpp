#include "engine/TQLQItem.h"

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

// Removes every separator; CR and LF become `lineBreak` (empty: removed).
std::string withoutBreaks(std::string_view text, std::string_view lineBreak) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, kFieldSeparator.size(), kFieldSeparator) == 0) {
            i += kFieldSeparator.size() - 1;
        } else if (text[i] == '\r' || text[i] == '\n') {
            result += lineBreak;
        } else {
            result += text[i];
        }
    }
    return result;
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

std::optional<std::uint8_t> parseStatus(std::string_view text) {
    return parseNumber<std::uint8_t>(text, QueueStatus::None, QueueStatus::Zipped);
}

std::optional<std::uint8_t> parseMode(std::string_view text) {
    return parseNumber<std::uint8_t>(text, QueueMode::Unmarked, QueueMode::Update);
}

} // namespace

bool TQLQItem::isPage() const {
    return FileType == "HTML";
}

std::string queueSafeURL(std::string_view url) {
    std::string result;
    result.reserve(url.size());
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url.compare(i, kFieldSeparator.size(), kFieldSeparator) == 0) {
            result += "%C2%B6";
            i += kFieldSeparator.size() - 1;
        } else if (url[i] == '\r') {
            result += "%0D";
        } else if (url[i] == '\n') {
            result += "%0A";
        } else {
            result += url[i];
        }
    }
    return result;
}

std::string buildDataLine(const TQLQItem& item) {
    const std::string fields[kDataLineFields] = {
        std::to_string(item.Status),
        std::string(trimBlanks(withoutBreaks(item.Message, ""))),
        withoutBreaks(item.FileType, " "),
        std::string(),
        std::to_string(item.Level),
        queueSafeURL(item.Referrer),
        withoutBreaks(item.LastModified, " "),
        std::to_string(item.Mode),
        withoutBreaks(item.Title, " "),
        std::to_string(item.Size),
        withoutBreaks(item.FrameFlag, " "),
    };
    std::string line;
    for (const std::string& field : fields) {
        line += field;
        line += kFieldSeparator;
    }
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
    item.Status = number(parseStatus(fields[kStatus]), std::uint8_t{QueueStatus::None}, false,
                         fields[kStatus]);
    item.Message = std::string(fields[kMessage]);
    item.FileType = std::string(fields[kFileType]);
    item.Level = number(
        parseNumber<std::int32_t>(fields[kLevel], 0, std::numeric_limits<std::int32_t>::max()),
        std::int32_t{0}, false, fields[kLevel]);
    item.Referrer = std::string(fields[kReferrer]);
    item.LastModified = std::string(fields[kLastModified]);
    item.Mode =
        number(parseMode(fields[kMode]), std::uint8_t{QueueMode::Download}, true, fields[kMode]);
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

} // namespace quarlo
