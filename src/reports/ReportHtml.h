#pragma once

#include "reports/ReportPaths.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// The building blocks of the report pages. Pages are built as line lists; a saved line list
// ends every line with CR LF.
using LineList = std::vector<std::string>;
inline constexpr std::string_view kCrLf = "\r\n";

std::string joinLines(const LineList& lines);

// Text from the web (titles, URLs) as it may stand in element text and attribute values.
std::string htmlEscape(std::string_view text);
// A local path as a link: percent-encoded where a browser would decode or cut it, so the
// link opens the file of exactly that name; also safe inside quotes of HTML and script.
std::string localHref(std::string_view path);
// A web URL as a link: escaped; a URL without an http, https or ftp scheme links nowhere.
std::string webHref(std::string_view url);

// The plain head: styles and the body tag with the report background.
void addPlainHead(LineList& lines);
// The plain head with the pop-up script, then the opening of the centred page table, the
// banner row and the start of the title cell.
void addIndexHead(LineList& lines);
// A table row whose script shows the banner when the browser is online.
std::string bannerRow();
// The hidden positioned layer that loads the banner page, at the end of every page.
std::string bannerLayerLine();

// What the task block shows of a task.
struct TaskBlockData {
    std::string startLocalFile; // "" when the start URL has no local file
    std::string startTitle;
    std::string startUrl;
    std::string lastRun; // already formatted
    std::int64_t totalBytes = 0;
    std::int64_t totalFiles = 0;
};
// The start page link, the start URL, "Last Run", "Size" and "Total Files", inside a
// blockquote that the caller closes.
void addTaskBlock(LineList& lines, const TaskBlockData& data);

// The numbered links to index pages 1..count, each followed by CR LF; from the eleventh on a
// single "more..." link (to the more page, in the pop-up window) takes their place.
std::string navigationNumbers(const ReportPaths& paths, IndexKind kind, int count);
// Summary, Previous (not on page 1), the numbers, Next (not on the last page).
std::string navigationBar(const ReportPaths& paths, IndexKind kind, int page, int count,
                          const std::string& numbers);
// The table of every index page, ten to a row; one text without a final line end.
std::string morePageText(const ReportPaths& paths, IndexKind kind, int count);

} // namespace quarlo
