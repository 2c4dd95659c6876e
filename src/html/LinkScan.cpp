#include "html/LinkScan.h"

#include "html/TextSearch.h"

namespace quarlo {

bool isLinkCandidate(const std::string& value) {
    if (value.empty() || value.front() == '#') {
        return false;
    }
    return FindText(value, "mailto:", 1, true) == 0 && value.find('\'') == std::string::npos;
}

std::string LinkCandidate::link() const {
    return ToSlashes(value());
}

std::string LinkCandidate::codebase() const {
    return m_pass.usesCodebase() ? m_parser.CodebaseValue() : std::string();
}

void scanLinks(std::string& page, const LinkPass& pass, int aggressiveParser,
               const LinkVisitor& visit) {
    TQLParser parser(page, pass, aggressiveParser);
    do {
        std::string value = parser.NextLink();
        if (isLinkCandidate(value)) {
            LinkCandidate candidate(parser, pass);
            visit(candidate);
        }
    } while (!parser.passOver());
}

void scanAllLinks(std::string& page, int aggressiveParser, const LinkVisitor& visit) {
    for (const LinkPass* pass : linkPassesFor(aggressiveParser)) {
        scanLinks(page, *pass, aggressiveParser, visit);
    }
}

std::string pageTitle(const std::string& page) {
    return CleanText(TextBetween(page, "<TITLE>", "</TITLE>"));
}

BaseTag findBaseTag(std::string& page) {
    TQLParser parser(page, "BASE", ">", "HREF");
    BaseTag base;
    base.href = parser.NextTagValue();
    base.tagStart = parser.tagStart();
    base.tagEnd = parser.tagEnd();
    return base;
}

std::string removeBaseTag(std::string& page) {
    BaseTag base = findBaseTag(page);
    if (!base.href.empty()) {
        page.erase(base.tagStart - 1, base.tagEnd - base.tagStart + 1);
    }
    return base.href;
}

} // namespace quarlo
