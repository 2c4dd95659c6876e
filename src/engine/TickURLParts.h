#pragma once

#include <string>
#include <string_view>

namespace quarlo {

// A URL split into the parts a request needs. Nothing is decoded.
struct TickURLParts {
    std::string scheme; // lower case; empty when the URL has none
    std::string host;   // as written; an IPv6 address keeps its brackets
    std::string port;   // digits, or empty for the scheme's default
    std::string user;
    std::string password;
    std::string path; // path and query, "/" at least; no fragment
    // The URL as it is requested: characters a request line cannot carry escaped, the user
    // name and password left out, no fragment.
    std::string requestURL;
    // Whether the URL has the form scheme://authority and libcurl accepts it.
    bool valid = false;
};

// Percent-encodes the characters a request line cannot carry (blank, controls, DEL and every
// byte of a non-ASCII character). Existing %XX escapes and everything else stay as written.
std::string escapeForRequest(std::string_view url);

TickURLParts splitURL(std::string_view url);

} // namespace quarlo
