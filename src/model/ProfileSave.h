#pragma once

#include "platform/Result.h"

#include <string>
#include <string_view>

namespace quarlo {

class TQLApp;

// Where "Save Profile" writes: the typed name without blanks at its ends, checked as a file
// name. When a profile of that name is listed (compared without regard to case), the listed
// spelling is used, so that overwriting replaces that file instead of adding a second one
// that differs only in case.
struct ProfileSaveTarget {
    std::string name;
    bool exists = false;
};
Result<ProfileSaveTarget> profileSaveTarget(const TQLApp& app, std::string_view typed);

// The "Save Profile" dialog's texts.
std::string_view saveProfileCaption();
std::string_view saveProfilePrompt();
std::string_view saveProfileNameLabel();

} // namespace quarlo
