#include "archive/ZipTexts.h"

#include "model/TaskDate.h"

#include <cmath>

namespace quarlo {

std::string zipUiText(int number) {
    switch (number) {
    case 699:
        return "Reading Zip file";
    case 700:
        return "Moving Zip file to the trash";
    case 701:
        return "Delete ";
    case 702:
        return " from the Zip file?";
    case 703:
        return "Delete every file in folder ";
    case 704:
        return "Opening Zip file ";
    case 736:
        return "The Zip file name needs a folder and a file name.";
    case 737:
        return "Type a full path such as backup/site.zip.";
    case 738:
        return "&Finish";
    case 740:
        return "&Next >";
    default:
        return {};
    }
}

std::string withThousands(std::int64_t value) {
    const bool negative = value < 0;
    const std::string digits = std::to_string(negative ? -value : value);
    std::string result = negative ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            result += ',';
        result += digits[i];
    }
    return result;
}

std::string zipEntryTime(std::time_t modified) {
    return modified == 0 ? std::string() : formatTaskDate(dateTimeFromTimeT(modified));
}

std::string zipSummaryText(std::int64_t listed, std::int64_t size, std::int64_t packed,
                           std::int64_t entries) {
    if (size <= 0)
        return "Total: " + std::to_string(entries) + " files  ";
    const double saving = 100.0 - static_cast<double>(packed) / static_cast<double>(size) * 100.0;
    return "Total: " + withThousands(listed) + " files  " + withThousands(size) + " / " +
           withThousands(packed) + " bytes (" + std::to_string(std::llround(saving)) + "%)";
}

std::string zipSelectionText(std::int64_t selected, std::int64_t size, std::int64_t packed) {
    if (size <= 0)
        return "Selected " + std::to_string(selected) + " files ";
    return "Selected " + withThousands(selected) + " files  " + withThousands(size) + " / " +
           withThousands(packed) + " bytes";
}

std::string zipReplaceQuestion(const std::string& existing, const std::string& newFile) {
    return "Replace File : " + existing + "\r" + "With File: " + newFile;
}

} // namespace quarlo
