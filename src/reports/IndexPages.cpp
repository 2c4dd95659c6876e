#include "reports/IndexPages.h"

#include "html/LinkScan.h"
#include "html/LocalNames.h"
#include "model/TQLQItem.h"
#include "model/TaskQueue.h"
#include "platform/FileUtil.h"
#include "reports/GifSize.h"

#include <algorithm>

namespace quarlo {

namespace {

constexpr std::string_view kOddColour = "#336699";
constexpr std::string_view kEvenColour = "#3870a7";

bool qualifies(IndexKind kind, const TQLQItem& item) {
    const char* type = kind == IndexKind::Pages ? "HTML" : "Images";
    return item.FileType == type && item.Status > QueueStatus::Downloaded;
}

// The URL and referrer lines shared by both kinds of entry.
std::string webLines(const IndexEntry& entry) {
    std::string text = R"(<font face="Arial" size="1"><br>URL: <a href=")" + webHref(entry.url) +
                       "\">" + htmlEscape(entry.url) + "</a><br>";
    text += kCrLf;
    text += R"(<font face="Arial" size="1">Referrer: <a href=")" + webHref(entry.referrer) + "\">" +
            htmlEscape(entry.referrer) + "</a><br>";
    text += kCrLf;
    return text;
}

// The title as its page shows it: callers read a stored one first, or "&amp;" would show as
// written.
std::string titleLink(const IndexEntry& entry, int number, const std::string& title) {
    return R"(<font face="Arial" size="2">)" + std::to_string(number) + "&nbsp;<a href=\"" +
           localHref(entry.localFile) + "\"><b>" + htmlEscape(title) + "</b></a></font><br>";
}

} // namespace

std::vector<IndexEntry> collectIndexEntries(const TaskQueue& queue, IndexKind kind,
                                            const FileTypes& types, const std::string& baseFolder) {
    std::vector<IndexEntry> entries;
    for (std::size_t i = 0; i < queue.size(); ++i) {
        TQLQItem item;
        // The queue's loader repaired and counted the lines already.
        [[maybe_unused]] const int repairs = readDataLine(queue.dataLine(i), item);
        if (!qualifies(kind, item))
            continue;
        IndexEntry& entry = entries.emplace_back();
        entry.url = queue.url(i);
        entry.referrer = std::move(item.Referrer);
        entry.title = std::move(item.Title);
        entry.localFile = LocalName(types, baseFolder, entry.url);
        entry.level = item.Level;
        entry.size = item.Size;
    }
    return entries;
}

int indexPageCount(std::size_t entries) {
    return static_cast<int>((entries + kEntriesPerIndexPage - 1) / kEntriesPerIndexPage);
}

std::string indexEntryCell(IndexKind kind, const IndexEntry& entry, int number,
                           std::string_view colour) {
    std::string cell = "<td bgcolor=" + std::string(colour) + ">";
    if (kind == IndexKind::Pages) {
        cell +=
            titleLink(entry, number, entry.title.empty() ? entry.url : decodedTitle(entry.title));
        cell += kCrLf;
        cell += webLines(entry);
        cell += R"(<font face="Arial" size="1">Level: )" + std::to_string(entry.level) +
                "<br>&nbsp;&nbsp;</td>";
        return cell;
    }
    cell += kCrLf;
    cell += "<img src=\"" + localHref(entry.localFile) + "\"><br><br>";
    cell += kCrLf;
    cell +=
        titleLink(entry, number,
                  entry.title.empty() ? fileNameOf(entry.localFile) : decodedTitle(entry.title));
    cell += kCrLf;
    cell += webLines(entry);
    cell += R"(<font face="Arial" size="1">Size: )" + std::to_string(entry.size) + "<br>";
    cell += kCrLf;
    const ImageSize size = gifSize(entry.localFile);
    cell += R"(<font face="Arial" size="1">W: )" + std::to_string(size.width) +
            ", H: " + std::to_string(size.height) + "<br>&nbsp;&nbsp;</td>";
    return cell;
}

LineList indexPageLines(const ReportPaths& paths, IndexKind kind, const TaskBlockData& task,
                        const std::vector<IndexEntry>& entries, int page, int count,
                        const std::string& numbers) {
    LineList lines;
    addIndexHead(lines);
    lines.push_back(std::string(R"(<font face="Arial" size="4" color="#FFC000"><b>Quarlo)") +
                    std::string(kCrLf) + " - " +
                    (kind == IndexKind::Pages ? "Page Index" : "Image Index") + "</b></font>");
    addTaskBlock(lines, task);
    lines.emplace_back("</blockquote>");
    lines.emplace_back(R"(<p align="center"><font face="Arial" size="1">)");
    const std::string bar = navigationBar(paths, kind, page, count, numbers);
    lines.push_back(bar);
    lines.emplace_back("</font></p>\r\n</td>\r\n</tr>\r\n</table>");
    lines.emplace_back(
        R"(<table align="center" width="90%" cellspacing="1" cellpadding="8" bgcolor="#FFC000">)");
    const std::size_t first = static_cast<std::size_t>(page - 1) * kEntriesPerIndexPage;
    const std::size_t last = std::min(entries.size(), first + kEntriesPerIndexPage);
    for (std::size_t i = first; i < last; ++i) {
        const int j = static_cast<int>(i - first) + 1;
        lines.emplace_back("<tr>");
        lines.push_back(indexEntryCell(kind, entries[i], static_cast<int>(i) + 1,
                                       j % 2 == 1 ? kOddColour : kEvenColour));
        lines.emplace_back("</tr>");
    }
    lines.emplace_back("</table>");
    lines.push_back("<br><center>" + bar + "</center><br>");
    lines.push_back(bannerLayerLine());
    lines.emplace_back("</body>");
    lines.emplace_back("</html>");
    return lines;
}

} // namespace quarlo
