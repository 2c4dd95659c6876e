#pragma once

#include <string_view>
#include <vector>

namespace quarlo {
class SettingsStore;
class TQLProfile;
class TQLTask;
struct TQLQItem;
} // namespace quarlo

namespace quarlo::cli {

class JsonWriter;

// The objects that `--json` prints. Their keys are fixed (README and manual page list them):
// counts and codes are numbers, dates are local "YYYY-MM-DDThh:mm:ss" texts or null, and
// secrets appear only as "(set)" or "(none)".

// A task with every field and its profile under "profile".
void writeTaskJson(JsonWriter& json, const TQLTask& task);
void writeProfileJson(JsonWriter& json, const TQLProfile& profile);
// One queue entry; mark is the explorer's Mark column ("download", "done", "error", ...).
void writeQueueEntryJson(JsonWriter& json, const TQLQItem& item, std::string_view mark);
// The stored settings: {"product": {...}, "settings": {...}, "main_window": {...}}, each
// value a number (a DWORD) or a text.
void writeSettingsJson(JsonWriter& json, const SettingsStore& settings);

// The keys of each object --json prints, in the order they are written. The manual page
// lists them; the tests hold the output to them.
struct JsonObjectHelp {
    std::string_view name;  // "task"
    std::string_view where; // which commands print it
    std::vector<std::string_view> keys;
};
const std::vector<JsonObjectHelp>& jsonObjectHelp();

} // namespace quarlo::cli
