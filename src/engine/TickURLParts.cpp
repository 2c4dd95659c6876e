#include "engine/TickURLParts.h"

#include "platform/TextUtil.h"

#include <cctype>

#include <curl/curl.h>

namespace quarlo {

namespace {

bool isSchemeChar(char c, bool first) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalpha(u))
        return true;
    return !first && (std::isdigit(u) || c == '+' || c == '-' || c == '.');
}

std::string_view trimmed(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool allDigits(const std::string& text) {
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Host and port of "host:port", "[v6]:port" or "host"; false when malformed.
bool splitHostPort(const std::string& hostPort, std::string& host, std::string& port) {
    std::size_t colon;
    if (!hostPort.empty() && hostPort.front() == '[') {
        const std::size_t close = hostPort.find(']');
        if (close == std::string::npos)
            return false;
        host = hostPort.substr(0, close + 1);
        if (close + 1 == hostPort.size())
            return true;
        if (hostPort[close + 1] != ':')
            return false;
        colon = close + 1;
    } else {
        colon = hostPort.rfind(':');
        host = hostPort.substr(0, colon);
        if (colon == std::string::npos)
            return true;
    }
    port = hostPort.substr(colon + 1);
    return allDigits(port);
}

bool curlAccepts(const std::string& url) {
    CURLU* handle = curl_url();
    if (handle == nullptr)
        return false;
    const CURLUcode code =
        curl_url_set(handle, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME);
    curl_url_cleanup(handle);
    return code == CURLUE_OK;
}

// An http or https URL whose host is a name or IPv4 address of letters, digits, dots and
// dashes, with no user part and a port in range: libcurl takes it as it stands, so it is not
// parsed once more to find out.
bool plainWebURL(const TickURLParts& parts, std::string_view authority) {
    constexpr unsigned long kMaxPort = 65535;
    if ((parts.scheme != "http" && parts.scheme != "https") || parts.host.empty() ||
        authority.find('@') != std::string_view::npos || authority.back() == ':')
        return false;
    for (const char c : parts.host)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
            return false;
    return parts.port.empty() || (parts.port.size() <= 5 && std::stoul(parts.port) <= kMaxPort);
}

} // namespace

std::string escapeForRequest(std::string_view url) {
    return percentEncode(url, [](unsigned char c) { return c > 0x20 && c < 0x7F; });
}

TickURLParts splitURL(std::string_view url) {
    TickURLParts parts;
    const std::string escaped = escapeForRequest(trimmed(url));

    std::size_t colon = escaped.find(':');
    if (colon == std::string::npos || colon == 0)
        return parts;
    for (std::size_t i = 0; i < colon; ++i)
        if (!isSchemeChar(escaped[i], i == 0))
            return parts;
    for (std::size_t i = 0; i < colon; ++i)
        parts.scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(escaped[i])));
    if (escaped.compare(colon + 1, 2, "//") != 0)
        return parts;

    const std::size_t authorityStart = colon + 3;
    std::size_t authorityEnd = escaped.find_first_of("/?#", authorityStart);
    if (authorityEnd == std::string::npos)
        authorityEnd = escaped.size();
    std::string authority = escaped.substr(authorityStart, authorityEnd - authorityStart);
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string userInfo = authority.substr(0, at);
        const std::size_t split = userInfo.find(':');
        parts.user = userInfo.substr(0, split);
        if (split != std::string::npos)
            parts.password = userInfo.substr(split + 1);
        authority.erase(0, at + 1);
    }
    if (!splitHostPort(authority, parts.host, parts.port))
        return parts;

    std::string path = escaped.substr(authorityEnd);
    path = path.substr(0, path.find('#'));
    if (path.empty() || path.front() != '/')
        path = "/" + path;
    parts.path = path;

    parts.requestURL = parts.scheme + "://" + authority + parts.path;
    parts.valid =
        !parts.host.empty() && (plainWebURL(parts, authority) || curlAccepts(parts.requestURL));
    return parts;
}

} // namespace quarlo
