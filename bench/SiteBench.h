#pragma once

namespace quarlo::bench {

// Mirroring of a generated 5,000-page site with images from a loopback server, "Dispatch
// Pause" 0 and 8 connections: pages per second and peak memory in intranet mode; then the
// same site in Zip mode: zipping time after the download, commits and archive size.
void benchSite();

} // namespace quarlo::bench
