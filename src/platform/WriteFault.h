#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>

namespace quarlo {

// A switch that makes the program's own file writes fail as on a full or read-only disk, so
// that tests can see what such a failure does to a run. Every write of a file the program
// keeps (atomic replacements, downloaded bodies, the queue journal, archive commits) asks
// writeFaultNow() first. Off until armed; thread-safe.

// From the nth write on (counted from 1 since arming), `count` writes fail with the error
// (count 0: every later write, as a disk that stays full). nth 0 disarms.
void armWriteFault(std::uint64_t nth, int error, std::uint64_t count = 0);
// Arms the switch from a text "N:ERROR[:COUNT]", ERROR being ENOSPC, EROFS, EDQUOT or EIO
// (the form the environment variable QUARLO_FAULT_WRITES takes). Fails, armed as before,
// with a message naming what was wrong.
Status armWriteFault(const std::string& setting);
void disarmWriteFault();

// Counts one write: 0 when it may go ahead, else the error it is to fail with (errno is set
// to it as well).
int writeFaultNow();
// Writes counted since arming, and how many of them were made to fail.
std::uint64_t writesCounted();
std::uint64_t writesFailed();

// A second switch, alike, for the flushes of a file system that make the files written since
// the last one durable (QUARLO_FAULT_FLUSH takes the same text form): a disk that cannot
// write back what it holds in memory.
void armFlushFault(std::uint64_t nth, int error, std::uint64_t count = 0);
Status armFlushFault(const std::string& setting);
void disarmFlushFault();
int flushFaultNow();

// Whether a write error means that the disk is full or read-only, so that nothing written
// there can succeed until the user frees space or makes it writable.
bool isOutputFault(int error);

} // namespace quarlo
