#include "model/ProfileSave.h"

#include "model/Names.h"
#include "model/TQLProfile.h"
#include "platform/TextUtil.h"

namespace quarlo {

Result<ProfileSaveTarget> profileSaveTarget(const TQLApp& app, std::string_view typed) {
    ProfileSaveTarget target{std::string(trimBlanks(typed)), false};
    if (Status check = checkItemName(target.name, "profile"); !check)
        return check;
    for (const std::string& listed : namedProfiles(app)) {
        if (equalsNoCase(listed, target.name)) {
            target.name = listed;
            target.exists = true;
            break;
        }
    }
    return target;
}

std::string_view saveProfileCaption() {
    return "Save Profile";
}

std::string_view saveProfilePrompt() {
    return "Save this Quarlo profile as:";
}

std::string_view saveProfileNameLabel() {
    return "Profile Name:";
}

} // namespace quarlo
