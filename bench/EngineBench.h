#pragma once

namespace quarlo::bench {

// 2,000 files of 10 KB from a loopback server with "Dispatch Pause" 0 and 8 connections:
// files per second and peak memory.
void benchListDownload();

// The cost of one dispatch (choose, mark as fetching, store) in queues of 1,000 to
// 1,000,000 entries whose waiting entries all lie at the end.
void benchDispatchCost();

} // namespace quarlo::bench
