#pragma once

#include "platform/Result.h"

#include <string>

namespace quarlo {

// The home page "quarlo.htm" in the Temp folder: the logo page ("Quarlo", the version) and,
// when a home address is set, a script that goes there once the browser is online. Only an
// http or https address is followed; any other is left out. Returns the page's path.
Result<std::string> writeHomePage(const std::string& tempFolder, const std::string& homeUrl);

// The about page "quarlo_about.htm" in the Temp folder, with two tabs: the version of this
// build (the one `quarlo-cli --version` prints) and the credits. Returns the page's path.
Result<std::string> writeAboutPage(const std::string& tempFolder);

// The help page "quarlo_help.htm" in the Temp folder: how to make, run and browse tasks.
Result<std::string> writeHelpPage(const std::string& tempFolder);

// The address of the branding button: "branding.url" in the resource folder (section
// "InternetShortcut", key "URL"); empty when the file or the key is missing.
std::string brandingUrl(const std::string& resourceFolder);

} // namespace quarlo
