#pragma once

#include <map>
#include <string>

namespace quarlo::test {

// A JSON document as python3's json module reads it, strictly: invalid UTF-8, raw control
// characters in strings, NaN and duplicate keys are refused. Each value is listed by its
// path ("" for the document, "/tasks/0/name" below it): a leaf as its JSON text ("3",
// "\"text\"", "null"), an object as "{}" and the JSON list of its keys in order, an array as
// "[]" and its length.
struct ParsedJson {
    bool ok = false;
    std::string problem; // what python said when the text is not JSON
    std::map<std::string, std::string> values;

    // The value at a path, or "(missing)".
    std::string at(const std::string& path) const;
};

ParsedJson parseJson(const std::string& text);

} // namespace quarlo::test
