#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace quarlo {

// The script blocks of a page while a pass over its quoted strings rewrites some of them.
// A position lies in a script block when it comes after the last "<script" that ends at or
// before it, after the ">" that closes that start tag, and before the first "/script" from
// that "<script" on (ASCII case ignored): a "/script" inside a string of the script ends the
// block, as it does for the browser's tokenizer, and the start tag's attribute values are
// attributes, not script text.
//
// Positions count from 0 in the text as the pass began. Rewrites come in page order, each
// between the two quotes of its string, so a mark never straddles one: the marks of the
// old text go, those of the new text come, and the rest keep their order.
class ScriptBlockIndex {
public:
    explicit ScriptBlockIndex(std::string_view text);

    // Whether the position, which lies after every rewrite so far, is inside a script block.
    bool contains(std::size_t position) const;
    // The bytes from start, old.size() long, now read text.
    void rewrite(std::size_t start, std::string_view old, std::string_view text);

private:
    // A "<script" or "/script": where it starts in the original text, or, for one inside
    // rewritten text, the rewrite's start and 1 + its offset in the new text. Marks order by
    // place alone.
    struct Mark {
        std::size_t at = 0;
        std::size_t inRewrite = 0;
        // Of an original "<script": the ">" closing its start tag in the original text. No
        // rewrite holds or replaces a ">", so it stays where it was.
        std::size_t tagEnd = std::string_view::npos;
        bool operator<(const Mark& other) const;
    };
    static void addRewriteMarks(std::vector<Mark>& marks, std::string_view text,
                                std::string_view pattern, std::size_t start);

    std::vector<Mark> m_opens;
    std::vector<Mark> m_closes;
};

} // namespace quarlo
