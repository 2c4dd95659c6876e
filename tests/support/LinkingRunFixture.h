#pragma once

#include "support/EngineRunFixture.h"

#include <memory>
#include <string>

namespace quarlo::test {

// Runs of a start page whose links are all converted, for the repair of converted links in
// either output mode.
class LinkingRunFixture : public EngineRunFixture {
protected:
    static constexpr const char* kOffSite = "http://offsite.invalid/away.html";

    // An intranet-mode task whose start page "home" links to the page "ok", to files 1 and
    // 2, to the page "later" with a "#" part (the site lacks it until a test adds it), to a
    // page of the site in a folder of its own, to kOffSite, and to the style sheet "main",
    // which links file 2.
    std::unique_ptr<TQLTask> linkingTask(const std::string& name);
    // Waits until "home" and "ok" are parsed and file n is asked for (a test holds it), then
    // stops the run and releases the site.
    bool stopWhileFileIsFetched(int n);
    // The start page after a run in which file 2 failed: saved targets linked locally, the
    // failed file, the missing page and kOffSite at their addresses, the banner kept.
    void expectFirstRunLinks(const std::string& page) const;
    // Whether the text holds the value in double quotes.
    static bool quotes(const std::string& text, const std::string& value);
};

} // namespace quarlo::test
