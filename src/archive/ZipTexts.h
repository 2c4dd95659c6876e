#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace quarlo {

// The numbered texts of the Zip browser and the file zip wizard (699 to 704, 736 to 740).
std::string zipUiText(int number);

// A whole number with thousands separators: 1234567 gives "1,234,567".
std::string withThousands(std::int64_t value);
// An entry's date and time as the list shows it ("mm/dd/yyyy hh:mm:ss"); "" for none.
std::string zipEntryTime(std::time_t modified);

// "Total: 3 files  1,000 / 400 bytes (60%)"; with no size, "Total: <entries> files  ".
std::string zipSummaryText(std::int64_t listed, std::int64_t size, std::int64_t packed,
                           std::int64_t entries);
// "Selected 2 files  1,000 / 400 bytes"; with no size, "Selected 2 files ".
std::string zipSelectionText(std::int64_t selected, std::int64_t size, std::int64_t packed);

// The Replace question: "Replace File : " existing CR "With File: " new.
std::string zipReplaceQuestion(const std::string& existing, const std::string& newFile);

} // namespace quarlo
