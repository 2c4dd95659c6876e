#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

class TQLApp;

// A JSON string literal with its quotes. Besides quotes, backslashes and control characters,
// "<", ">" and "&" are escaped (so "</script>" or "<!--" cannot end a script block), as are
// U+2028 and U+2029 (line ends to older script parsers); bytes that are not UTF-8 become
// U+FFFD.
std::string jsonString(std::string_view text);

// A classic script that defines the rows for the skin pages:
// window.quarloExport = {"header": [...], "rows": [[...], ...]};
std::string exportScriptText(const std::vector<std::string>& header,
                             const std::vector<std::vector<std::string>>& rows);

// file:// URL of a local path; everything but unreserved characters and "/" is
// percent-encoded.
std::string localFileUrl(const std::string& path);

// The skin page to show with an export: the current skin's page, else the default skin's,
// as a file URL with "?data=<script file URL>&n=<serial>". The serial grows with every call,
// so a browser navigates again after a new export even when the page is the same.
std::string skinPageUrl(const TQLApp& app, const std::string& pageName,
                        const std::string& scriptFile);
// The local path of the skin page itself (current skin, else the default skin).
std::string skinPagePath(const TQLApp& app, const std::string& pageName);

} // namespace quarlo
