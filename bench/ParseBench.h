#pragma once

namespace quarlo::bench {

// Parse throughput of the parse thread's page turn (BASE, title, every pass with link
// conversion, queueing of the found links, banner and write-back, the page on a tmpfs) over a
// generated 1 MB page and over a page of 20,000 links, in MB/s. rounds: page turns of each.
void benchParse(int rounds);

} // namespace quarlo::bench
