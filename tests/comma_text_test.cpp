#include "model/CommaText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarlo {
namespace {

using List = std::vector<std::string>;

struct EncodeCase {
    List entries;
    std::string text;
};

TEST(CommaText, EncodesQuotingOnlyWhereNeeded) {
    const EncodeCase cases[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{".gif", ".jpg"}, ".gif,.jpg"},
        {{"Images and more"}, "\"Images and more\""},
        {{"a,b", "c"}, "\"a,b\",c"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"tab\there"}, "\"tab\there\""},
        {{"", ""}, ","},
        {{"a", "", "b"}, "a,,b"},
        {{"[AL]caf\xC3\xA9"}, "[AL]caf\xC3\xA9"},
    };
    for (const EncodeCase& c : cases)
        EXPECT_EQ(toCommaText(c.entries), c.text) << c.text;
}

TEST(CommaText, DecodesSeparatorsAndQuotes) {
    const EncodeCase cases[] = {
        {{}, ""},
        {{}, "   "},
        {{""}, "\"\""},
        {{"a", "b", "c"}, "a b,c"},
        {{"a", "b"}, "a , b"},
        {{"a", "b"}, "  a\t\r\n b  "},
        {{"a", "", "b"}, "a,,b"},
        {{"a", ""}, "a,"},
        {{"a"}, "a, "},
        {{"x y", "z"}, "\"x y\" z"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        // An unterminated quote runs to the end of the text.
        {{"open, end"}, "\"open, end"},
        {{"ab", "cd"}, "\"ab\"cd"},
    };
    for (const EncodeCase& c : cases)
        EXPECT_EQ(fromCommaText(c.text), c.entries) << c.text;
}

TEST(CommaText, RoundTripsAwkwardEntries) {
    const List lists[] = {
        {""},
        {"", ""},
        {"", "a"},
        {"a", ""},
        {" leading", "trailing ", "in between"},
        {"\"", "\"\"", ",", ",,", "a\"b,c d"},
        {std::string("nul\0byte", 8), "\x01\x1f"},
        {"\xC3\xB6\xC2\xB6", "[PL]\xE2\x82\xAC"},
    };
    for (const List& list : lists)
        EXPECT_EQ(fromCommaText(toCommaText(list)), list) << toCommaText(list);
}

} // namespace
} // namespace quarlo
