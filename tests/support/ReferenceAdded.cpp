#include "support/ReferenceAdded.h"

#include "html/AttributeText.h"
#include "html/StyleLinks.h"
#include "html/TagReading.h"
#include "html/TextSearch.h"
#include "support/ReferenceParser.h"

#include <vector>

namespace quarlo::test {

namespace {

// An address of a value, at its place in the page as it stands (from 1).
class AddedReferenceCandidate final : public LinkCandidate {
public:
    AddedReferenceCandidate(std::string& page, const LinkPass& pass, std::size_t tagStart,
                            char quote, std::size_t position, std::size_t rawLength,
                            std::string url)
        : m_page(page), m_pass(pass), m_tagStart(tagStart), m_quote(quote), m_position(position),
          m_length(rawLength), m_url(std::move(url)) {}

    const LinkPass& pass() const override { return m_pass; }
    const std::string& value() const override { return m_url; }
    std::size_t position() const override { return m_position; }
    std::size_t tagStart() const override { return m_tagStart; }
    std::string linkText() const override {
        if (m_pass.styleText() || m_tagStart == 0)
            return {};
        const std::size_t close = FindText(m_page, ">", m_tagStart, true);
        const std::size_t next = FindText(m_page, "<", close + 1, true);
        if (close == 0 || next == 0)
            return {};
        return CleanText(std::string_view(m_page).substr(close, next - close - 1));
    }
    std::string codebase() const override { return {}; }
    void replace(const std::string& newText) override {
        std::string text = m_pass.styleText() ? styleUrlText(newText) : newText;
        if (m_pass.kind != LinkValueKind::StyleBlock && m_pass.kind != LinkValueKind::Stylesheet)
            text = encodeAttributeText(text, m_quote);
        if (m_replaced || m_page.compare(m_position - 1, m_length, text) == 0)
            return;
        m_page.replace(m_position - 1, m_length, text);
        m_length = text.size();
        m_replaced = true;
    }
    std::size_t length() const override { return m_length; }
    bool replaced() const { return m_replaced; }

private:
    std::string& m_page;
    const LinkPass& m_pass;
    std::size_t m_tagStart;
    char m_quote;
    std::size_t m_position;
    std::size_t m_length;
    std::string m_url;
    bool m_replaced = false;
};

// Visits the links of a value that starts at position (from 1); returns how much the
// rewrites grew the page.
std::ptrdiff_t visitAll(std::string& page, const LinkPass& pass, std::size_t tagStart, char quote,
                        std::size_t position, const std::vector<ValueLink>& links,
                        const LinkVisitor& visit) {
    std::ptrdiff_t growth = 0;
    for (const ValueLink& link : links) {
        if (!isLinkCandidate(link.url))
            continue;
        const auto at =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(position + link.start) + growth);
        AddedReferenceCandidate candidate(page, pass, tagStart, quote, at, link.length, link.url);
        visit(candidate);
        growth += static_cast<std::ptrdiff_t>(candidate.length()) -
                  static_cast<std::ptrdiff_t>(link.length);
    }
    return growth;
}

// The value the pass reads in the tag, read as a browser reads it, where it starts and its
// quote.
std::vector<ValueLink> tagLinks(std::string& page, const LinkPass& pass, std::size_t tagStart,
                                std::size_t tagEnd, std::size_t& position, char& quote) {
    if (pass.kind == LinkValueKind::StyleAttribute || pass.kind == LinkValueKind::Srcset) {
        const TagValue value = readAttributeText(page, tagStart - 1, tagEnd - 1, pass.attribute);
        position = value.start + 1;
        quote = value.quote;
        return pass.kind == LinkValueKind::Srcset ? srcsetAttributeLinks(value.text)
                                                  : styleAttributeLinks(value.text);
    }
    const TagValue value = readTagValue(page, tagStart - 1, tagEnd - 1, pass.attribute);
    position = value.start + 1;
    quote = value.quote;
    if (value.text.empty())
        return {};
    return {ValueLink{0, value.length, value.text}};
}

} // namespace

void referenceAddedPass(std::string& page, const LinkPass& pass, const LinkVisitor& visit) {
    if (pass.kind == LinkValueKind::Stylesheet) {
        visitAll(page, pass, 0, 0, 1, styleLinks(page), visit);
        return;
    }
    for (std::size_t searchPos = 2;;) {
        ReferenceParser finder(page, std::string(pass.tag), ">", "");
        finder.setSearchPos(searchPos);
        finder.FindTag();
        const std::size_t tagStart = finder.tagStart();
        const std::size_t tagEnd = tagStart == 0 ? 0 : FindText(page, ">", tagStart, true);
        if (tagEnd == 0)
            return;
        searchPos = tagEnd + 1;
        if (!wholeTagNameAt(page, finder.searchPos() - 1, pass.tag))
            continue;
        if (pass.kind == LinkValueKind::StyleBlock) {
            const std::size_t close = FindText(page, "</style", tagEnd + 1, true);
            const std::size_t end = close == 0 ? page.size() + 1 : close;
            const std::string css = page.substr(tagEnd, end - tagEnd - 1);
            const std::ptrdiff_t growth =
                visitAll(page, pass, tagStart, 0, tagEnd + 1, styleLinks(css), visit);
            searchPos = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(end) + growth);
            continue;
        }
        std::size_t position = 0;
        char quote = 0;
        const std::vector<ValueLink> links =
            tagLinks(page, pass, tagStart, tagEnd, position, quote);
        const std::ptrdiff_t growth = visitAll(page, pass, tagStart, quote, position, links, visit);
        searchPos = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(tagEnd + 1) + growth);
    }
}

} // namespace quarlo::test
