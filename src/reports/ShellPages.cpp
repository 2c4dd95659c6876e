#include "reports/ShellPages.h"

#include "model/TQLApp.h"
#include "platform/BuildVersion.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "platform/TextUtil.h"

#include <cstdio>

namespace quarlo {

namespace {

// A JavaScript string literal that stays one literal inside a script element: everything
// outside plain ASCII letters, digits and a few URL characters is written as \uXXXX.
std::string scriptString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        const bool plain =
            std::isalnum(c) != 0 ||
            std::string_view(":/.?=_-~%+#,;@!*()$").find(static_cast<char>(c)) != std::string::npos;
        if (plain && c < 0x80) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        }
    }
    return out + "\"";
}

bool isWebAddress(const std::string& url) {
    const std::string lower = asciiLower(url);
    return lower.starts_with("http://") || lower.starts_with("https://");
}

Result<std::string> writePage(const std::string& tempFolder, const char* name,
                              const std::string& html) {
    if (auto made = forceDirectories(tempFolder); !made)
        return made;
    const std::string path = tempFolder + name;
    if (auto written = writeFileAtomic(path, html, 0600); !written)
        return written;
    return path;
}

} // namespace

Result<std::string> writeHomePage(const std::string& tempFolder, const std::string& homeUrl) {
    std::string html =
        "<html><head><meta charset=\"utf-8\"><title>Quarlo Home</title>\n"
        "<style>\n"
        ".p1 { font-family: \"Arial Black\", Arial; font-size: 80px; color: #ffc000; "
        "margin-top: -20px; margin-left: 15px; }\n"
        ".p2 { font-family: Arial; font-size: 25px; color: #ffffff; margin-top: -40px; "
        "margin-left: 220px; }\n"
        "</style>\n";
    // UTF-8 text of an address is encoded byte by byte; an address is ASCII in practice.
    if (isWebAddress(homeUrl))
        html += "<script>\nif (navigator.onLine) window.location.replace(" + scriptString(homeUrl) +
                ");\n</script>\n";
    html += "</head>\n<body bgcolor=\"#336699\" text=\"#FFFFFF\" link=\"#71C2FF\" "
            "alink=\"#FFD700\">\n<p class=\"p1\">Quarlo</p>\n<p class=\"p2\">" +
            std::string(kProgramVersion) + "</p>\n</body></html>\n";
    return writePage(tempFolder, "quarlo.htm", html);
}

Result<std::string> writeAboutPage(const std::string& tempFolder) {
    const std::string html =
        "<html><head><meta charset=\"utf-8\"><title>About Quarlo</title>\n<style>\n"
        "body { background: #336699; color: #ffffff; font-family: Arial, sans-serif; }\n"
        ".tabs input { display: none; }\n"
        ".tabs label { display: inline-block; padding: 6px 16px; background: #24507a; "
        "cursor: pointer; }\n"
        ".tabs input:checked + label { background: #ffc000; color: #000000; }\n"
        ".pane { display: none; padding: 16px; border-top: 2px solid #ffc000; }\n"
        "#version:checked ~ .version, #credits:checked ~ .credits { display: block; }\n"
        "</style></head>\n<body>\n<div class=\"tabs\">\n"
        "<input type=\"radio\" name=\"tab\" id=\"version\" checked>"
        "<label for=\"version\">Version</label>\n"
        "<input type=\"radio\" name=\"tab\" id=\"credits\"><label for=\"credits\">Credits</label>\n"
        "<div class=\"pane version\"><h1>Quarlo</h1><p>Version " +
        std::string(buildVersion()) +
        "</p><p>Downloads web sites for offline use, as folders of pages or as Zip "
        "archives.</p></div>\n"
        "<div class=\"pane credits\"><h2>Credits</h2><p>Built with libcurl, libzip and "
        "Qt.</p><p>The Quarlo team.</p></div>\n</div>\n</body></html>\n";
    return writePage(tempFolder, "quarlo_about.htm", html);
}

Result<std::string> writeHelpPage(const std::string& tempFolder) {
    const std::string html =
        "<html><head><meta charset=\"utf-8\"><title>Quarlo Help</title>\n<style>\n"
        "body { font-family: Arial, sans-serif; margin: 24px; }\n"
        "h1 { color: #336699; } dt { font-weight: bold; margin-top: 10px; }\n"
        "</style></head>\n<body>\n<h1>Quarlo Help</h1>\n<dl>\n"
        "<dt>Download a site</dt><dd>Type its address, choose a profile and press GO. With a "
        "profile the task runs at once; without one the task editor opens first.</dd>\n"
        "<dt>Zip mode and Personal Intranet mode</dt><dd>The two mode buttons choose whether a "
        "site is saved as one Zip archive in the Downloads folder or as a folder of pages in "
        "your Personal Intranet.</dd>\n"
        "<dt>Tasks</dt><dd>The Tasks view lists every task by category. Its menu runs, stops, "
        "schedules, browses and explores tasks and writes their reports.</dd>\n"
        "<dt>Explore</dt><dd>Lists the queue of the current task; mark entries to download, "
        "update or map them on the next run.</dd>\n"
        "<dt>Status and Connections</dt><dd>Show the progress of a run and what each "
        "connection fetches; the number of connections and the page or media priority can be "
        "changed there.</dd>\n"
        "<dt>Work Offline</dt><dd>While ticked, nothing is fetched from the network.</dd>\n"
        "</dl>\n</body></html>\n";
    return writePage(tempFolder, "quarlo_help.htm", html);
}

std::string brandingUrl(const std::string& resourceFolder) {
    const std::string path = resourceFolder + "branding.url";
    if (!fileExists(path))
        return {};
    return IniFile(path).readString("InternetShortcut", "URL", "");
}

} // namespace quarlo
