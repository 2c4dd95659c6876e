#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// A link the program rewrote in a saved file, kept so that the end of a run can point it at
// the local copy when that copy exists and at the target's address when it does not.
struct RecordedLink {
    std::size_t offset = 0;    // of the value's first byte in the file as it stands (from 0)
    bool local = true;         // the value names the local copy, else the absolute URL
    std::string localText;     // the relative link to the local copy, "#" part included
    std::string url;           // the target's absolute URL, "#" part included
    bool bareStyleUrl = false; // the value stands in a url() without quotes (style text)

    // The value as it stands in the file.
    std::string text() const;
};

// The text that sends a link to its target's address: the URL with every byte that would
// end or change the value in an attribute or a script string percent-encoded (quotes, "<",
// ">", "\", blanks and control bytes), and in a url() without quotes its parentheses too.
std::string absoluteLinkText(std::string_view url, bool bareStyleUrl = false);

// The rewrites made in one file while it is converted, by offset in the text as it stands
// now. Every edit of the text (rewrites and insertions alike) is noted, so that the offsets
// follow; a recorded value that a later edit overwrites is forgotten.
//
// A pass edits in file order, so the records are kept in two runs: those before the latest
// edit, at their offsets, and those after it, which owe one shift, added to each as an edit
// goes past it. An edit before the latest one (the next pass) settles the shift and starts
// over from the beginning: each pass costs one walk over the records.
class RewriteTracker {
public:
    // The value at offset was rewritten from oldLength to newLength bytes and now names the
    // local copy of url.
    void noteRewrite(std::size_t offset, std::size_t oldLength, std::size_t newLength,
                     std::string url);
    // Any other edit: oldLength bytes at offset replaced by newLength bytes.
    void noteEdit(std::size_t offset, std::size_t oldLength, std::size_t newLength);

    // The records with their values read from the converted text, in file order.
    std::vector<RecordedLink> links(std::string_view text) const;
    // The same handed to visit one by one (offset, value as it stands, URL), copying nothing.
    using LinkVisit = std::function<void(std::size_t, std::string_view, const std::string&)>;
    void forEachLink(std::string_view text, const LinkVisit& visit) const;

private:
    struct Record {
        std::size_t offset;
        std::size_t length;
        std::string url;
    };
    void settle();

    std::vector<Record> m_behind; // before the latest edit, sorted, at their offsets
    std::vector<Record> m_ahead;  // sorted; from m_next on they owe m_shift
    std::size_t m_next = 0;
    std::size_t m_shift = 0;  // in the size_t arithmetic of the offsets
    std::size_t m_latest = 0; // the latest edit's offset
};

// Points each link at its local copy when wantLocal says so, else at its absolute URL, and
// updates the records' offsets and forms. A record whose value is not found at its place in
// either form (the file was replaced since) is dropped. True when the text changed.
bool relinkText(std::string& text, std::vector<RecordedLink>& links,
                const std::function<bool(const RecordedLink&)>& wantLocal);

} // namespace quarlo
