#include "html/PageScanner.h"

#include "html/AttributeText.h"
#include "html/PassTagNames.h"
#include "html/ScriptBlocks.h"
#include "html/TagReading.h"
#include "html/TextSearch.h"

#include <cstring>
#include <optional>
#include <string_view>

namespace quarlo {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// One running pass: the page as it began and the rewrites made so far.
class PassRun {
public:
    PassRun(std::string_view text, const LinkPass& pass, std::vector<TextEdit>& edits)
        : m_text(text), m_pass(pass), m_edits(edits), m_firstTag(text.find('<')) {}

    std::string_view text() const { return m_text; }
    const LinkPass& pass() const { return m_pass; }
    // How much the rewrites so far have grown the page.
    std::ptrdiff_t growth() const { return m_growth; }

    // Quote passes in script blocks only.
    void limitToScripts() { m_scripts.emplace(m_text); }
    bool inScript(std::size_t position) const { return m_scripts->contains(position); }
    // For tag passes: whether a position after every rewrite so far is in a script block.
    bool inScriptBlock(std::size_t position);

    void write(std::size_t start, std::size_t oldLength, const std::string& text);
    // The page as it stands now, before its first "<", cleaned: the link text of a quoted
    // string.
    std::string headText();

private:
    std::string_view m_text;
    const LinkPass& m_pass;
    std::vector<TextEdit>& m_edits;
    std::size_t m_firstTag;
    std::ptrdiff_t m_growth = 0;
    std::optional<ScriptBlockIndex> m_scripts;
    std::optional<std::string> m_head;
};

void PassRun::write(std::size_t start, std::size_t oldLength, const std::string& text) {
    if (m_scripts) {
        m_scripts->rewrite(start, m_text.substr(start, oldLength), text);
    }
    m_edits.push_back({start, oldLength, text});
    m_growth += static_cast<std::ptrdiff_t>(text.size()) - static_cast<std::ptrdiff_t>(oldLength);
    // A rewrite before the page's first "<" changes the head; a later one cannot, as strings
    // hold no "<" and rewrites come in page order.
    if (m_head && start < m_firstTag) {
        m_head.reset();
    }
}

bool PassRun::inScriptBlock(std::size_t position) {
    if (!m_scripts) {
        // Made when first asked: most values need no answer.
        m_scripts.emplace(m_text);
        for (const TextEdit& edit : m_edits) {
            m_scripts->rewrite(edit.start, m_text.substr(edit.start, edit.oldLength), edit.text);
        }
    }
    return m_scripts->contains(position);
}

std::string PassRun::headText() {
    if (m_head) {
        return *m_head;
    }
    const std::size_t firstTag = m_firstTag;
    std::string head;
    std::size_t from = 0;
    bool found = false;
    for (const TextEdit& edit : m_edits) {
        if (edit.start >= firstTag) {
            break;
        }
        head.append(m_text.substr(from, edit.start - from));
        if (const std::size_t lt = edit.text.find('<'); lt != npos) {
            head.append(edit.text, 0, lt);
            found = true;
            break;
        }
        head += edit.text;
        from = edit.start + edit.oldLength;
    }
    if (!found && firstTag == npos) {
        head.clear(); // no "<" anywhere: no link text
    } else if (!found) {
        head.append(m_text.substr(from, firstTag - from));
    }
    m_head = found || firstTag != npos ? CleanText(head) : std::string();
    return *m_head;
}

// What every candidate of a pass shares: its value and where it stands.
class ScannedCandidate : public LinkCandidate {
public:
    ScannedCandidate(PassRun& run, TagValue value)
        : m_run(run), m_value(std::move(value)), m_shift(run.growth()), m_length(m_value.length) {}

    const LinkPass& pass() const override { return m_run.pass(); }
    const std::string& value() const override { return m_value.text; }
    std::size_t position() const override { return shifted(m_value.start); }
    void replace(const std::string& newText) override {
        if (m_written) {
            return;
        }
        const std::string written = pageText(newText);
        if (written != m_run.text().substr(m_value.start, m_length)) {
            m_run.write(m_value.start, m_length, written);
            m_length = written.size();
            m_written = true;
        }
    }
    std::size_t length() const override { return m_length; }

protected:
    // The text that stands in the page for a value: as it is, unless a tag value outside
    // scripts.
    virtual std::string pageText(const std::string& value) { return value; }
    const TagValue& tagValue() const { return m_value; }

    // A position of the pass's text as it stands in the page now, counted from 1.
    std::size_t shifted(std::size_t at) const {
        return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + m_shift) + 1;
    }

    PassRun& m_run;

private:
    TagValue m_value;
    std::ptrdiff_t m_shift;
    std::size_t m_length;
    bool m_written = false;
};

class TagCandidate final : public ScannedCandidate {
public:
    TagCandidate(PassRun& run, std::size_t lt, std::size_t gt, TagValue value)
        : ScannedCandidate(run, std::move(value)), m_lt(lt), m_gt(gt) {}

    std::size_t tagStart() const override { return shifted(m_lt); }
    std::string pageText(const std::string& value) override {
        std::string encoded = encodeAttributeText(value, tagValue().quote);
        if (encoded != value && m_run.inScriptBlock(m_lt)) {
            return value;
        }
        return encoded;
    }
    std::string linkText() const override {
        const std::string_view text = m_run.text();
        const std::size_t next = text.find('<', m_gt + 1);
        if (next == npos) {
            return {};
        }
        return CleanText(text.substr(m_gt + 1, next - m_gt - 1));
    }
    // The lookup starts one before the tag's name, so it finds this tag again unless blanks
    // or quotes stand before the name; then it finds the next one.
    std::string codebase() const override {
        if (!pass().usesCodebase()) {
            return {};
        }
        const std::string_view text = m_run.text();
        const TagBounds tag = findTag(text, pass().tag, tagNamePosition(text, m_lt) - 1);
        if (!tag.found()) {
            return {};
        }
        const TagValue value = readTagValue(text, tag.start, tag.end, "CODEBASE");
        return value.decoded && m_run.inScriptBlock(tag.start)
                   ? readTagValue(text, tag.start, tag.end, "CODEBASE", true).text
                   : value.text;
    }

private:
    std::size_t m_lt;
    std::size_t m_gt;
};

class QuoteCandidate final : public ScannedCandidate {
public:
    using ScannedCandidate::ScannedCandidate;

    std::size_t tagStart() const override { return 0; }
    std::string linkText() const override { return m_run.headText(); }
    std::string codebase() const override { return {}; }
};

// A quoted string is taken for an address when it holds "." or "/" and nothing that marks
// it as prose, markup, a statement or a MIME type.
bool looksLikeAddress(std::string_view value) {
    if (value.empty() || value.find_first_of(" ;<") != npos) {
        return false;
    }
    if (value.find(':') != npos && value.find("://") == npos) {
        return false;
    }
    if (FindText(value, "text/css", 1, true) != 0 ||
        FindText(value, "text/javascript", 1, true) != 0) {
        return false;
    }
    return value.find_first_of("./") != npos;
}

// The first ">" at or after positions that only grow, each stretch searched once.
class NextTagEnd {
public:
    explicit NextTagEnd(std::string_view text) : m_text(text) {}
    std::size_t from(std::size_t position) {
        if (!m_known || (m_found != npos && position > m_found)) {
            m_found = m_text.find('>', position);
            m_known = true;
        }
        return m_found;
    }

private:
    std::string_view m_text;
    std::size_t m_found = npos;
    bool m_known = false;
};

} // namespace

void applyEdits(std::string& text, const std::vector<TextEdit>& edits) {
    if (edits.empty()) {
        return;
    }
    std::size_t size = text.size();
    for (const TextEdit& edit : edits) {
        size = size - edit.oldLength + edit.text.size();
    }
    std::string out;
    out.reserve(size);
    std::size_t from = 0;
    for (const TextEdit& edit : edits) {
        out.append(text, from, edit.start - from);
        out += edit.text;
        from = edit.start + edit.oldLength;
    }
    out.append(text, from, npos);
    text = std::move(out);
}

PageScanner::PageScanner(std::string& page) : m_page(page) {}

void PageScanner::scanAll(int aggressiveParser, const LinkVisitor& visit) {
    for (const LinkPass* pass : linkPassesFor(aggressiveParser)) {
        scanPass(*pass, aggressiveParser, visit);
    }
}

void PageScanner::scanPass(const LinkPass& pass, int aggressiveParser, const LinkVisitor& visit) {
    if (pass.added()) {
        addedPass(pass, visit);
    } else if (pass.quoted) {
        quotePass(pass, linkPassMode(pass, aggressiveParser), visit);
    } else {
        tagPass(pass, visit);
    }
    finishPass();
}

std::span<const std::size_t> PageScanner::tagStarts(const LinkPass& pass) {
    if (!m_tagsIndexed) {
        m_tags.build(m_page);
        m_tagsIndexed = true;
    }
    return m_tags.starts(PassTagNames::instance().slotOf(pass));
}

// A tag's value is read up to its ">", and the pass goes on after that ">"; a tag without
// one ends the pass.
void PageScanner::tagPass(const LinkPass& pass, const LinkVisitor& visit) {
    const std::span<const std::size_t> starts = tagStarts(pass);
    PassRun run(m_page, pass, m_edits);
    const std::string_view text = run.text();
    std::size_t from = 1;
    for (std::size_t lt : starts) {
        if (lt < from) {
            continue;
        }
        const std::size_t gt = text.find('>', lt);
        if (gt == npos) {
            break;
        }
        TagValue value = readTagValue(text, lt, gt, pass.attribute);
        if (value.decoded && run.inScriptBlock(lt)) {
            value = readTagValue(text, lt, gt, pass.attribute, true);
        }
        TagCandidate candidate(run, lt, gt, std::move(value));
        if (isLinkCandidate(candidate.value())) {
            visit(candidate);
        }
        from = gt + 1;
    }
}

// Quotes pair up from the page's second character on. A pair with a ">" between them (or
// no ">" after them at all) is markup: its closing quote opens the next pair.
void PageScanner::quotePass(const LinkPass& pass, int mode, const LinkVisitor& visit) {
    if (mode == 0) {
        return; // a quote is never a tag name
    }
    if (mode == 1) {
        // Only strings in script blocks are candidates: a page without "<script" has none.
        if (!m_holdsScript) {
            m_holdsScript = holdsScriptTag();
        }
        if (!*m_holdsScript) {
            return;
        }
    }
    PassRun run(m_page, pass, m_edits);
    if (mode == 1) {
        run.limitToScripts();
    }
    const std::string_view text = run.text();
    const char quote = pass.tag[0];
    NextTagEnd tagEnd(text);
    for (std::size_t from = 1;;) {
        const std::size_t open = text.find(quote, from);
        const std::size_t close = open == npos ? npos : text.find(quote, open + 1);
        if (close == npos) {
            break;
        }
        const std::size_t gt = tagEnd.from(open);
        if (gt == npos || gt < close) {
            from = close;
            continue;
        }
        from = close + 1;
        const std::size_t start = open + 1;
        if (mode == 1 && !run.inScript(start)) {
            continue;
        }
        const std::string_view value = text.substr(start, close - start);
        if (!looksLikeAddress(value)) {
            continue;
        }
        QuoteCandidate candidate(run, TagValue{start, std::string(value), value.size()});
        if (isLinkCandidate(candidate.value())) {
            visit(candidate);
        }
    }
}

// A "<script" after the first character starts a tag the index lists under SCRIPT (a
// "<" with no gap bytes before the name).
bool PageScanner::holdsScriptTag() {
    if (startsWithNoCase(m_page, "<script")) {
        return true;
    }
    static const LinkPass scriptPass{1, "SCRIPT", ">", "SRC", false};
    for (const std::size_t lt : tagStarts(scriptPass)) {
        if (lt + 1 < m_page.size() && !isTagGap(m_page[lt + 1])) {
            return true;
        }
    }
    return false;
}

void PageScanner::finishPass() {
    if (!m_edits.empty()) {
        applyEdits(m_page, m_edits);
        if (m_tagsIndexed) {
            m_tags.update(m_page, m_edits);
        }
        m_edits.clear();
        m_holdsScript.reset();
    }
}

} // namespace quarlo
