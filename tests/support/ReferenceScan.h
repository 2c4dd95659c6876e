#pragma once

#include "html/LinkScan.h"

#include <string>

namespace quarlo::test {

// The extraction passes and the BASE lookup as ReferenceParser runs them: one parser per
// pass, each rewrite written into the page at once.
void referenceScanPass(std::string& page, const LinkPass& pass, int aggressiveParser,
                       const LinkVisitor& visit);
void referenceScanAll(std::string& page, int aggressiveParser, const LinkVisitor& visit);
BaseTag referenceFindBaseTag(std::string& page);

} // namespace quarlo::test
