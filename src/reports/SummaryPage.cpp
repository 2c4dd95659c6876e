#include "reports/SummaryPage.h"

#include <string>

namespace quarlo {

namespace {

constexpr const char* kCell = R"(<td width="20%" bgcolor="#336699" align="center">)";
constexpr const char* kNumberFont = R"(<font face="Arial" size="2" color="#ffffff">)";

std::string headingRow() {
    std::string row = R"(<tr><td width="40%" bgcolor="#336699">&nbsp;</td>)";
    for (const char* heading : {"Saved", "Errors", "Total"})
        row += std::string(kCell) + kNumberFont + "<b>" + heading + "</b></font></td>";
    return row + "</tr>";
}

std::string countRow(const char* image, const char* label, const std::string& savedLink,
                     std::int64_t saved, std::int64_t errors, std::int64_t total) {
    std::string row = R"(<tr><td width="40%" bgcolor="#336699"><img src="!images/)" +
                      std::string(image) + R"(" border="0" align="absmiddle"> )" + kNumberFont +
                      "<b>" + label + "</b></font></td>";
    row += std::string(kCell) + kNumberFont + "<a href=\"" + localHref(savedLink) + "\">" +
           std::to_string(saved) + "</a></font></td>";
    row += std::string(kCell) + kNumberFont + std::to_string(errors) + "</font></td>";
    row += std::string(kCell) + kNumberFont + std::to_string(total) + "</font></td>";
    return row + "</tr>";
}

} // namespace

LineList summaryPageLines(const ReportPaths& paths, const TaskBlockData& task,
                          const SummaryCounts& counts) {
    LineList lines;
    addPlainHead(lines);
    lines.emplace_back(R"(<table width="100%" border="0" cellpadding="4">)");
    lines.push_back(bannerRow());
    lines.emplace_back(R"(<tr><td><font face="Arial" size="4" color="#FFC000"><b>Quarlo)"
                       "\r\n - Task Summary</b></font>");
    addTaskBlock(lines, task);
    lines.emplace_back("</blockquote>");
    lines.emplace_back("</td></tr></table>");
    lines.emplace_back(
        R"(<table width="450" border="0" cellspacing="0" cellpadding="0" align="center">)");
    lines.emplace_back(
        R"(<tr><td width="15" bgcolor="#336699" rowspan="2" align="center" valign="middle">)"
        R"(<font face="Arial" size="2" color="#ffffff"><b>R<br>E<br>S<br>U<br>L<br>T<br>S)"
        "</b></font></td>");
    lines.emplace_back(R"(<td><table width="100%" border="1" cellspacing="1" cellpadding="4" )"
                       R"(bordercolor="#FFC000">)");
    lines.push_back(headingRow());
    lines.push_back(countRow("html.gif", "Pages:", paths.indexPage(IndexKind::Pages, 1),
                             counts.pagesSaved, counts.pageErrors, counts.totalPages));
    lines.push_back(countRow("images.gif", "Media Files:", paths.indexPage(IndexKind::Images, 1),
                             counts.resourcesSaved, counts.resourceErrors, counts.totalResources));
    lines.emplace_back("</table></td></tr>");
    lines.emplace_back("<tr><td></td></tr>");
    lines.emplace_back("</table>");
    lines.push_back(bannerLayerLine());
    lines.emplace_back("</body>");
    lines.emplace_back("</html>");
    return lines;
}

} // namespace quarlo
