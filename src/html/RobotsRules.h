#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// The rules of one site's robots.txt for one crawler: the groups whose user agent is the
// crawler's product token (merged), or else the groups for "*" (merged), or else none.
// A path is allowed unless its longest matching rule is a Disallow; on a tie Allow wins.
// Patterns may hold "*" (any run of characters) and end in "$" (the end of the path).
// Paths and patterns are compared percent-encoded the same way (unreserved characters
// decoded, other escapes in upper case, bytes outside printable ASCII encoded).
class RobotsRules {
public:
    // Only the first kMaxBytes of a robots.txt are read.
    static constexpr std::size_t kMaxBytes = 500 * 1024;

    // Everything allowed (no robots.txt, or one without rules for us).
    RobotsRules() = default;
    static RobotsRules parse(std::string_view text, std::string_view productToken);
    static RobotsRules disallowAll();

    // pathAndQuery: the URL's path with its query, "/" when the path is empty.
    bool allows(std::string_view pathAndQuery) const;
    // The pause between two requests the group asks for, in seconds (fractions allowed).
    std::optional<double> crawlDelay() const { return m_crawlDelay; }
    // How many rules apply to us.
    std::size_t ruleCount() const { return m_rules.size(); }

private:
    struct Rule {
        bool allow = false;
        std::string pattern; // normalised; may end in '$'
    };

    std::vector<Rule> m_rules;
    std::optional<double> m_crawlDelay;
};

// The product token a "User Agent" string sends: its first run of letters, digits, '_' and
// '-' (e.g. "Fetcher" of "Fetcher/2.1 (+http://x)").
std::string robotsProductToken(std::string_view userAgent);

// Whether the page holds <meta name="robots"> whose content says "nofollow" or "none": its
// links are not to be followed. "noindex" alone changes nothing.
bool pageForbidsFollowing(std::string_view page);

// The path-and-query part of an absolute URL, for RobotsRules::allows ("/" when empty).
std::string robotsPathOf(std::string_view url);

} // namespace quarlo
