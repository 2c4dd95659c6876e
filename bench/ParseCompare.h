#pragma once

namespace quarlo::bench {

// The page scanner against the reference parser on 300,000 random pages with link
// conversion: found links, queue entries, titles and converted text must agree. Returns
// the number of pages that differed (the first is printed).
int benchParseCompare();

} // namespace quarlo::bench
