#pragma once

#include "html/LinkScan.h"

#include <string>

namespace quarlo::test {

// The passes after the fifteen (and the style sheet pass) as the reference runs them: tags
// found by ReferenceParser, each rewrite written into the page at once.
void referenceAddedPass(std::string& page, const LinkPass& pass, const LinkVisitor& visit);

} // namespace quarlo::test
