#pragma once

#include "cli/Args.h"
#include "platform/Result.h"

#include <string_view>

namespace quarlo {
class TQLProfile;
}

namespace quarlo::cli {

// Applies the profile options a command was given (--depth, --pages, --media, --types,
// --include, --exclude, --aggressive, --max-page-size, --max-media-size, --no-convert) to a
// profile. True in `changed` when
// any option was given.
Status applyProfileOptions(Args& args, TQLProfile& profile, bool* changed = nullptr);

// The word --pages and --media take for a location code: dir, site or anywhere.
std::string_view locationWord(int code);

} // namespace quarlo::cli
