#include "reports/ReportHtml.h"

#include "html/Banner.h"
#include "html/LinkConversion.h"
#include "html/LinkScan.h"
#include "html/UrlFunctions.h"

#include <cmath>

namespace quarlo {

std::string joinLines(const LineList& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += kCrLf;
    }
    return text;
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string localHref(std::string_view path) {
    return encodeLocalLink(path);
}

std::string webHref(std::string_view url) {
    // A queued text that is no web address (say "javascript:...") must not become a link
    // that runs when clicked in a local page.
    return HasScheme(url) ? htmlEscape(url) : std::string();
}

namespace {

// The report's lines too long for one literal.
constexpr const char* kHoverStyle =
    "a:hover { font: bold 10pt Arial; color: #000000; text-decoration: underline; "
    "background-color: #FFD700 }";
constexpr const char* kBodyTag =
    R"(<body topmargin="0" leftmargin="0" background="!images/qlbackground.jpg" )"
    R"(bgproperties="fixed" text="#ffffff">)";
constexpr const char* kOpenPopup =
    "    popupWindow = window.open(loc, 'popupwin', "
    "'menubar=0,status=1,resizable=1,location=0,titlebar=1,toolbar=0,scrollbars=1,"
    "width=300,height=400');";

} // namespace

void addPlainHead(LineList& lines) {
    lines.insert(lines.end(),
                 {"<html>", "<head>",
                  R"(<meta http-equiv="Content-Type" content="text/html; charset=utf-8">)",
                  "<title></title>", R"(<style type="text/css">)",
                  "a:link { font: 10pt Arial; color: #71C2FF; text-decoration: none }",
                  "a:visited { font: bold 10pt Arial; color: #71C2FF; text-decoration: none }",
                  "a:active { font: bold 10pt Arial; color: #71C2FF; text-decoration: none }",
                  kHoverStyle, "</style>", "</head>", kBodyTag});
}

void addIndexHead(LineList& lines) {
    addPlainHead(lines);
    lines.insert(lines.end(),
                 {R"(<script type="text/javascript">)", "var popupWindow = null;",
                  "function popup(loc) {", "  if (popupWindow == null || popupWindow.closed) {",
                  kOpenPopup, "  } else {", "    popupWindow.focus();",
                  "    popupWindow.location = loc;", "  }", "}", "</script>",
                  R"(<table align="center" width="90%" border="0" cellpadding="4">)", bannerRow(),
                  "<tr>", "<td>"});
}

std::string bannerRow() {
    // The banner page is a data: URL of letters, digits and escapes only: it may stand in a
    // script string as it is.
    return std::string("<tr><td><script type=\"text/javascript\">if (navigator.onLine) "
                       "document.write('<table width=\"100%\" border=\"0\" cellspacing=\"0\" "
                       "cellpadding=\"0\"><tr><td><iframe src=\"") +
           bannerPageUrl() +
           "\" width=\"100%\" height=\"60\" frameborder=\"0\" scrolling=\"no\"></iframe>"
           "</td></tr></table>');</script></td></tr>";
}

std::string bannerLayerLine() {
    return "<div id=\"qlbanner\" style=\"position:absolute;left:0px;top:0px;visibility:hidden\">"
           "<iframe src=\"" +
           bannerPageUrl() +
           "\" width=\"600\" height=\"60\" frameborder=\"0\" scrolling=\"no\"></iframe></div>";
}

namespace {

std::string factLine(const std::string& name, const std::string& value) {
    return R"(<img src="!images/diamond.gif" width="21" height="13" border="0">)"
           R"(<font face="Arial" size="2">)" +
           name + ": <b>" + value + "</b></font><br>";
}

} // namespace

void addTaskBlock(LineList& lines, const TaskBlockData& data) {
    lines.emplace_back("<blockquote>");
    // The stored title is as its page wrote it: read first, so that "&amp;" is not shown as
    // written.
    const std::string title =
        htmlEscape(data.startTitle.empty() ? data.startUrl : decodedTitle(data.startTitle));
    if (data.startLocalFile.empty())
        lines.push_back("<font face=\"Arial\" size=\"3\"><b>" + title + "</b></font><br>");
    else
        lines.push_back("<a href=\"" + localHref(data.startLocalFile) + "\"><b>" + title +
                        "</b></a><br>");
    lines.push_back(R"(<img src="!images/www.gif" width="19" height="19" border="0">)"
                    R"( <font face="Arial" size="1"><a href=")" +
                    webHref(data.startUrl) + "\">" + htmlEscape(data.startUrl) + "</a></font><br>");
    lines.push_back(factLine("Last Run", data.lastRun));
    const auto kilobytes = std::llround(static_cast<double>(data.totalBytes) / 1024.0);
    lines.push_back(factLine("Size", std::to_string(kilobytes) + " Kb"));
    lines.push_back(factLine("Total Files", std::to_string(data.totalFiles)));
}

std::string navigationNumbers(const ReportPaths& paths, IndexKind kind, int count) {
    std::string text;
    for (int n = 1; n <= count; ++n) {
        if (n > 10) {
            const std::string more = localHref(paths.morePage(kind));
            text += "<a href=\"" + more + "\"  onClick=\"popup('" + more +
                    "');return false\">more...</a>&nbsp;";
            text += kCrLf;
            break;
        }
        text += "<a href=\"" + localHref(paths.indexPage(kind, n)) + "\">" + std::to_string(n) +
                "</a>&nbsp;";
        text += kCrLf;
    }
    return text;
}

std::string navigationBar(const ReportPaths& paths, IndexKind kind, int page, int count,
                          const std::string& numbers) {
    std::string bar = "<a href=\"" + localHref(paths.summary()) + "\">Summary</a>&nbsp;&nbsp;";
    if (page > 1)
        bar += "<a href=\"" + localHref(paths.indexPage(kind, page - 1)) +
               "\">Previous</a>&nbsp;&nbsp;";
    bar += numbers;
    if (page < count)
        bar +=
            "&nbsp;&nbsp;<a href=\"" + localHref(paths.indexPage(kind, page + 1)) + "\">Next</a>";
    return bar;
}

std::string morePageText(const ReportPaths& paths, IndexKind kind, int count) {
    LineList head;
    addPlainHead(head);
    std::string text = joinLines(head);
    text += R"(<table align="center" border="0" width="250" cellpadding="4">)";
    text += kCrLf;
    text += "<tr>";
    for (int n = 1; n <= count; ++n) {
        if (n % 10 == 1 && n > 1) {
            text += "</tr>";
            text += kCrLf;
            text += "<tr>";
            text += kCrLf;
        }
        text += R"(<td width="10%" align="center" bgcolor="#C9DBED"><a href=")" +
                localHref(paths.indexPage(kind, n)) + "\" target=\"_blank\">" + std::to_string(n) +
                "</a></td>";
        text += kCrLf;
    }
    text += "</tr>";
    text += kCrLf;
    text += "</body></html>";
    return text;
}

} // namespace quarlo
