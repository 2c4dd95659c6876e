// The passes after the fifteen: each tag named exactly as the pass's tag gives one address,
// the candidates of a SRCSET, or the url() and @import addresses of its style text; a saved
// style sheet is one piece of style text.

#include "html/AttributeText.h"
#include "html/PageScanner.h"
#include "html/StyleLinks.h"
#include "html/TagReading.h"
#include "html/TextSearch.h"

#include <cstring>
#include <optional>
#include <span>

namespace quarlo {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The rewrites of a running pass, and how much they have grown the page.
struct AddedRun {
    std::string_view text;
    std::vector<TextEdit>& edits;
    std::ptrdiff_t growth = 0;

    void write(std::size_t start, std::size_t oldLength, std::string newText) {
        growth +=
            static_cast<std::ptrdiff_t>(newText.size()) - static_cast<std::ptrdiff_t>(oldLength);
        edits.push_back({start, oldLength, std::move(newText)});
    }
};

// Where the links of one value stand: the tag (npos for style sheet text), where the value's
// bytes start and the quote before an attribute's value.
struct AddedValue {
    const LinkPass& pass;
    std::size_t lt = npos;
    std::size_t gt = npos;
    std::size_t offset = 0;
    char quote = 0;
};

// One address of a value. Its text in the page (raw) may differ from the address: style
// text decodes escapes. A rewrite of style text keeps a url() readable unquoted.
class AddedCandidate final : public LinkCandidate {
public:
    AddedCandidate(AddedRun& run, const AddedValue& value, std::size_t start, std::size_t rawLength,
                   std::string url)
        : m_run(run), m_pass(value.pass), m_lt(value.lt), m_gt(value.gt), m_quote(value.quote),
          m_start(start), m_rawLength(rawLength), m_url(std::move(url)), m_shift(run.growth),
          m_length(rawLength) {}

    const LinkPass& pass() const override { return m_pass; }
    const std::string& value() const override { return m_url; }
    std::size_t position() const override { return shifted(m_start); }
    std::size_t tagStart() const override { return m_lt == npos ? 0 : shifted(m_lt); }
    std::string linkText() const override {
        if (m_pass.styleText())
            return {};
        const std::size_t next = m_run.text.find('<', m_gt + 1);
        return next == npos ? std::string()
                            : CleanText(m_run.text.substr(m_gt + 1, next - m_gt - 1));
    }
    std::string codebase() const override { return {}; }
    void replace(const std::string& newText) override {
        std::string text = m_pass.styleText() ? styleUrlText(newText) : newText;
        if (m_pass.kind != LinkValueKind::StyleBlock && m_pass.kind != LinkValueKind::Stylesheet)
            text = encodeAttributeText(text, m_quote);
        if (m_written || text == m_run.text.substr(m_start, m_rawLength))
            return;
        m_length = text.size();
        m_written = true;
        m_run.write(m_start, m_rawLength, std::move(text));
    }
    std::size_t length() const override { return m_length; }

private:
    std::size_t shifted(std::size_t at) const {
        return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + m_shift) + 1;
    }

    AddedRun& m_run;
    const LinkPass& m_pass;
    std::size_t m_lt;
    std::size_t m_gt;
    char m_quote;
    std::size_t m_start;
    std::size_t m_rawLength;
    std::string m_url;
    std::ptrdiff_t m_shift;
    std::size_t m_length;
    bool m_written = false;
};

void visitLinks(AddedRun& run, const AddedValue& value, const std::vector<ValueLink>& links,
                const LinkVisitor& visit) {
    for (const ValueLink& link : links) {
        if (!isLinkCandidate(link.url))
            continue;
        AddedCandidate candidate(run, value, value.offset + link.start, link.length, link.url);
        visit(candidate);
    }
}

// The links of the value of the tag from lt to gt that the pass reads; sets where the value
// starts and its quote. Values are read as a browser reads them and written back encoded.
std::vector<ValueLink> linksOfTag(std::string_view text, AddedValue& where) {
    const LinkPass& pass = where.pass;
    if (pass.kind == LinkValueKind::StyleAttribute || pass.kind == LinkValueKind::Srcset) {
        const TagValue value = readAttributeText(text, where.lt, where.gt, pass.attribute);
        where.offset = value.start;
        where.quote = value.quote;
        return pass.kind == LinkValueKind::Srcset ? srcsetAttributeLinks(value.text)
                                                  : styleAttributeLinks(value.text);
    }
    const TagValue value = readTagValue(text, where.lt, where.gt, pass.attribute);
    where.offset = value.start;
    where.quote = value.quote;
    if (value.text.empty())
        return {};
    return {ValueLink{0, value.length, value.text}};
}

// The "<"s of the pass's tags from a position on: those of the tag index, or every one.
class AddedTags {
public:
    AddedTags(std::string_view text, std::optional<std::span<const std::size_t>> starts)
        : m_text(text), m_starts(starts) {}

    std::size_t next(std::size_t from) {
        if (!m_starts)
            return from < m_text.size() ? m_text.find('<', from) : npos;
        while (m_at < m_starts->size() && (*m_starts)[m_at] < from)
            ++m_at;
        return m_at < m_starts->size() ? (*m_starts)[m_at] : npos;
    }

private:
    std::string_view m_text;
    std::optional<std::span<const std::size_t>> m_starts;
    std::size_t m_at = 0;
};

// Whether a tag holds the name of an attribute (any case), for tags met in page order: the
// page is searched for the name once, not every tag, and a tag without the name has no such
// attribute.
class NameInTags {
public:
    NameInTags(std::string_view text, std::string_view name) : m_text(text), m_name(name) {}

    // Where the first tag that may hold the name begins to be looked for, from a position
    // where a tag may begin on: after the last ">" before the next place of the name (the
    // tags from `from` on run from a "<" to the next ">", so the tag that holds that place
    // starts at the first "<" after that ">"); npos when the name is not found again.
    std::size_t skipTo(std::size_t from) {
        if (!m_known || (m_next != npos && m_next < from)) {
            const std::size_t found = FindText(m_text, m_name, from + 1, true);
            m_next = found == 0 ? npos : found - 1;
            m_known = true;
        }
        if (m_next == npos)
            return npos;
        const void* gt =
            from < m_next ? memrchr(m_text.data() + from, '>', m_next - from) : nullptr;
        return gt == nullptr
                   ? from
                   : static_cast<std::size_t>(static_cast<const char*>(gt) - m_text.data()) + 1;
    }

    bool within(std::size_t lt, std::size_t gt) {
        if (!m_known || (m_next != npos && m_next < lt)) {
            const std::size_t found = FindText(m_text, m_name, lt + 1, true);
            m_next = found == 0 ? npos : found - 1;
            m_known = true;
        }
        return m_next != npos && m_next + m_name.size() <= gt;
    }

private:
    std::string_view m_text;
    std::string_view m_name;
    std::size_t m_next = npos;
    bool m_known = false;
};

} // namespace

// A tag's values are read up to its ">" and the pass goes on after it; a style block's text
// runs to its "</style" and the pass goes on there. A pass with a tag name visits the tags the
// page's tag index lists under it; the style attribute pass looks at every "<".
void PageScanner::addedPass(const LinkPass& pass, const LinkVisitor& visit) {
    const std::string_view text = m_page;
    if (pass.kind == LinkValueKind::Stylesheet) {
        AddedRun run{text, m_edits};
        visitLinks(run, AddedValue{pass}, styleLinks(text), visit);
        return;
    }
    AddedTags tags(text, pass.tag.empty()
                             ? std::nullopt
                             : std::optional<std::span<const std::size_t>>(tagStarts(pass)));
    AddedRun run{text, m_edits};
    NameInTags attributeName(text, pass.attribute);
    for (std::size_t from = 1;;) {
        if (pass.kind == LinkValueKind::StyleAttribute) {
            from = attributeName.skipTo(from);
            if (from == npos)
                break;
        }
        const std::size_t lt = tags.next(from);
        if (lt == npos)
            break;
        const std::size_t name = tagNamePosition(text, lt);
        const std::size_t gt = text.find('>', lt);
        if (gt == npos)
            break;
        from = gt + 1;
        if (!wholeTagNameAt(text, name, pass.tag))
            continue;
        if (pass.kind == LinkValueKind::StyleBlock) {
            const std::size_t close = FindText(text, "</style", gt + 2, true);
            const std::size_t end = close == 0 ? text.size() : close - 1;
            visitLinks(run, AddedValue{pass, lt, gt, gt + 1},
                       styleLinks(text.substr(gt + 1, end - gt - 1)), visit);
            from = end;
            continue;
        }
        // Every tag is looked at for a style attribute; few have one.
        if (pass.kind == LinkValueKind::StyleAttribute && !attributeName.within(lt, gt))
            continue;
        AddedValue value{pass, lt, gt};
        const std::vector<ValueLink> links = linksOfTag(text, value);
        visitLinks(run, value, links, visit);
    }
}

} // namespace quarlo
