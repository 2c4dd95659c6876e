#include "support/ReferenceScan.h"

#include "support/ReferenceAdded.h"
#include "support/ReferenceParser.h"

namespace quarlo::test {

namespace {

// A candidate of the reference parser: positions and text come straight from it.
class ReferenceCandidate final : public LinkCandidate {
public:
    ReferenceCandidate(ReferenceParser& parser, const LinkPass& pass)
        : m_parser(parser), m_pass(pass), m_length(parser.valueEnd() + 1 - parser.valueStart()) {}

    const LinkPass& pass() const override { return m_pass; }
    const std::string& value() const override { return m_parser.value(); }
    std::size_t position() const override { return m_parser.valueStart(); }
    std::size_t tagStart() const override { return m_parser.tagStart(); }
    std::string linkText() const override { return m_parser.LinkText(); }
    std::string codebase() const override {
        return m_pass.usesCodebase() ? m_parser.CodebaseValue() : std::string();
    }
    void replace(const std::string& newText) override { m_length = m_parser.ReplaceValue(newText); }
    std::size_t length() const override { return m_length; }

private:
    ReferenceParser& m_parser;
    const LinkPass& m_pass;
    std::size_t m_length;
};

} // namespace

void referenceScanPass(std::string& page, const LinkPass& pass, int aggressiveParser,
                       const LinkVisitor& visit) {
    if (pass.added()) {
        referenceAddedPass(page, pass, visit);
        return;
    }
    ReferenceParser parser(page, pass, aggressiveParser);
    do {
        std::string value = parser.NextLink();
        if (isLinkCandidate(value)) {
            ReferenceCandidate candidate(parser, pass);
            visit(candidate);
        }
    } while (!parser.passOver());
}

void referenceScanAll(std::string& page, int aggressiveParser, const LinkVisitor& visit) {
    for (const LinkPass* pass : linkPassesFor(aggressiveParser)) {
        referenceScanPass(page, *pass, aggressiveParser, visit);
    }
}

BaseTag referenceFindBaseTag(std::string& page) {
    ReferenceParser parser(page, "BASE", ">", "HREF");
    BaseTag base;
    base.href = parser.NextTagValue();
    base.tagStart = parser.tagStart();
    base.tagEnd = parser.tagEnd();
    return base;
}

} // namespace quarlo::test
