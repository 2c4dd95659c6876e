#include "html/RobotsRules.h"

#include "html/TagReading.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace quarlo {

namespace {

constexpr double kMaxCrawlDelay = 300.0;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// One spelling for equal paths: %XX of unreserved characters decoded, other escapes in
// upper case, bytes outside printable ASCII (and blanks) encoded.
std::string normalise(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            const auto decoded =
                static_cast<unsigned char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            if (isUnreservedByte(decoded))
                out += static_cast<char>(decoded);
            else
                appendPercentEncoded(out, decoded);
            i += 2;
        } else if (c <= 0x20 || c >= 0x7F) {
            appendPercentEncoded(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Whether the pattern matches the start of the path ('*' any run, a final '$' the end).
bool matches(std::string_view pattern, std::string_view path) {
    const bool anchored = !pattern.empty() && pattern.back() == '$';
    if (anchored)
        pattern.remove_suffix(1);
    std::size_t p = 0, s = 0;
    std::size_t starP = std::string_view::npos, starS = 0;
    while (true) {
        if (p == pattern.size() && (!anchored || s == path.size()))
            return true;
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starS = s;
        } else if (p < pattern.size() && s < path.size() && pattern[p] == path[s]) {
            ++p;
            ++s;
        } else if (starP != std::string_view::npos && starS < path.size()) {
            p = starP + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
}

struct Line {
    std::string_view key;
    std::string_view value;
};

std::optional<Line> splitLine(std::string_view line) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    const auto colon = line.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    return Line{trim(line.substr(0, colon)), trim(line.substr(colon + 1))};
}

std::optional<double> parseDelay(std::string_view value) {
    double seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error != std::errc() || end == value.data() || seconds < 0)
        return std::nullopt;
    return std::min(seconds, kMaxCrawlDelay);
}

} // namespace

RobotsRules RobotsRules::disallowAll() {
    RobotsRules rules;
    rules.m_rules.push_back({false, "/"});
    return rules;
}

RobotsRules RobotsRules::parse(std::string_view text, std::string_view productToken) {
    text = text.substr(0, std::min(text.size(), kMaxBytes));
    // Two candidate rule sets: that of our product token and that of "*".
    RobotsRules ours, any;
    bool oursFound = false, anyFound = false;
    bool inAgents = false; // the last line was a user-agent line
    bool groupOurs = false, groupAny = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const auto line = splitLine(text.substr(start, end - start));
        start = end + 1;
        if (!line)
            continue;
        if (equalsNoCase(line->key, "user-agent")) {
            if (!inAgents)
                groupOurs = groupAny = false;
            inAgents = true;
            const std::string token = robotsProductToken(line->value);
            if (line->value == "*")
                groupAny = anyFound = true;
            else if (!token.empty() && equalsNoCase(token, productToken))
                groupOurs = oursFound = true;
            continue;
        }
        inAgents = false;
        const bool allow = equalsNoCase(line->key, "allow");
        if (allow || equalsNoCase(line->key, "disallow")) {
            if (line->value.empty())
                continue; // an empty rule matches nothing
            const Rule rule{allow, normalise(line->value)};
            if (groupOurs)
                ours.m_rules.push_back(rule);
            if (groupAny)
                any.m_rules.push_back(rule);
        } else if (equalsNoCase(line->key, "crawl-delay")) {
            if (const auto delay = parseDelay(line->value)) {
                if (groupOurs)
                    ours.m_crawlDelay = delay;
                if (groupAny)
                    any.m_crawlDelay = delay;
            }
        }
    }
    if (oursFound)
        return ours;
    return anyFound ? any : RobotsRules();
}

bool RobotsRules::allows(std::string_view pathAndQuery) const {
    const std::string path = normalise(pathAndQuery.empty() ? "/" : pathAndQuery);
    if (path == "/robots.txt")
        return true;
    std::size_t bestLength = 0;
    bool matched = false, allowed = true;
    for (const Rule& rule : m_rules) {
        if (!matches(rule.pattern, path))
            continue;
        const std::size_t length = rule.pattern.size();
        if (!matched || length > bestLength) {
            bestLength = length;
            allowed = rule.allow;
            matched = true;
        } else if (length == bestLength && rule.allow) {
            allowed = true;
        }
    }
    return allowed;
}

std::string robotsProductToken(std::string_view userAgent) {
    userAgent = trim(userAgent);
    std::size_t n = 0;
    while (n < userAgent.size()) {
        const auto c = static_cast<unsigned char>(userAgent[n]);
        if (!std::isalnum(c) && c != '_' && c != '-')
            break;
        ++n;
    }
    return std::string(userAgent.substr(0, n));
}

namespace {

// Whether the META tag from lt to gt is a robots tag whose content names nofollow or none.
bool metaForbidsFollowing(std::string_view page, std::size_t lt, std::size_t gt) {
    if (!equalsNoCase(trim(readTagValue(page, lt, gt, "name").text), "robots"))
        return false;
    std::string content = readTagValue(page, lt, gt, "content").text;
    std::transform(content.begin(), content.end(), content.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::size_t start = 0;
    while (start <= content.size()) {
        auto end = content.find(',', start);
        if (end == std::string::npos)
            end = content.size();
        const std::string_view word = trim(std::string_view(content).substr(start, end - start));
        if (word == "nofollow" || word == "none")
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

bool pageForbidsFollowing(std::string_view page) {
    // The robots meta tag belongs to the head: one pass over the tags that ends where the
    // body begins, so a long page is not read a second time.
    for (std::size_t lt = page.find('<'); lt != std::string_view::npos;
         lt = page.find('<', lt + 1)) {
        const std::size_t name = tagNamePosition(page, lt);
        if (tagNameAt(page, name, "BODY"))
            return false;
        if (!tagNameAt(page, name, "META"))
            continue;
        const std::size_t gt = page.find('>', lt);
        if (gt == std::string_view::npos)
            return false;
        if (metaForbidsFollowing(page, lt, gt))
            return true;
        lt = gt;
    }
    return false;
}

std::string robotsPathOf(std::string_view url) {
    const auto scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    const auto slash = rest.find_first_of("/?#");
    if (slash == std::string_view::npos)
        return "/";
    rest = rest.substr(slash);
    if (const auto hash = rest.find('#'); hash != std::string_view::npos)
        rest = rest.substr(0, hash);
    if (rest.empty() || rest.front() != '/')
        return "/" + std::string(rest);
    return std::string(rest);
}

} // namespace quarlo
