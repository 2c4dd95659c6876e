#pragma once

#include <httplib.h>

#include <optional>
#include <string>
#include <string_view>

namespace quarlo::test {

// Bodies compressed as servers send them, for answers with a Content-Encoding.
std::string gzipped(std::string_view data);
// Nothing when the tests were built without a brotli encoder.
std::optional<std::string> brotliCompressed(std::string_view data);

// Answers with an already encoded body under its Content-Encoding, whatever the request
// accepted, as a server that compresses unasked does. The body goes out with its length and
// is never compressed a second time by the loopback server.
void sendEncoded(httplib::Response& res, std::string encoded, const std::string& coding,
                 const std::string& contentType);

} // namespace quarlo::test
