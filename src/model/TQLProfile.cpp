#include "model/TQLProfile.h"

#include "model/CommaText.h"
#include "model/IniFields.h"
#include "model/Names.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>

namespace quarlo {

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

std::uint8_t readCode(const IniFieldReader& fields, const char* key, int def, int max) {
    return static_cast<std::uint8_t>(fields.integer(key, def, 0, max));
}

std::int32_t readInt32(const IniFieldReader& fields, const char* key, std::int32_t def) {
    return static_cast<std::int32_t>(fields.integer(key, def, kInt32Min, kInt32Max));
}

} // namespace

TQLProfile TQLProfile::defaults() {
    TQLProfile profile;
    profile.m_pageLocation = WithinSite;
    profile.m_resourceLocation = Anywhere;
    profile.m_depth = -1;
    profile.m_aggressiveParser = 1;
    profile.m_convertFollowedLinks = 1;
    profile.m_convertUnfollowedLinks = 1;
    profile.m_useStartPageTitle = true;
    return profile;
}

void TQLProfile::read(std::vector<std::string>* badKeys) {
    readFrom(IniFile(m_filePath), badKeys);
}

void TQLProfile::readFrom(const IniFile& ini, std::vector<std::string>* badKeys) {
    const IniFieldReader fields(ini, kSection, badKeys);
    const TQLProfile def = defaults();
    m_profileName = fields.text("Profile Name");
    m_fileTypes = fields.list("File Types");
    m_pageLocation = readCode(fields, "Page Location", def.m_pageLocation, Anywhere);
    m_resourceLocation = readCode(fields, "Resource Location", def.m_resourceLocation, Anywhere);
    m_depth = static_cast<std::int32_t>(fields.integer("Depth", def.m_depth, -1, kInt32Max));
    m_aggressiveParser = readCode(fields, "Aggressive Parser", def.m_aggressiveParser, 2);
    m_convertFollowedLinks =
        readCode(fields, "Convert Followed Links", def.m_convertFollowedLinks, 1);
    m_convertUnfollowedLinks =
        readCode(fields, "Convert Unfollowed Links", def.m_convertUnfollowedLinks, 2);
    m_useStartPageTitle = fields.boolean("Use Start Page Title", def.m_useStartPageTitle);
    m_urlFiltersExclude = fields.list("URL Filters Exclude");
    m_urlFiltersInclude = fields.list("URL Filters Include");
    m_pageFileSizeMin = readInt32(fields, "Page File Size Min", 0);
    m_pageFileSizeMax = readInt32(fields, "Page File Size Max", 0);
    m_resourceFileSizeMin = readInt32(fields, "Resource File Size Min", 0);
    m_resourceFileSizeMax = readInt32(fields, "Resource File Size Max", 0);
    m_obeyRobots = fields.boolean("Obey Robots", true);
    m_obeyRobotsStored.had = ini.hasKey(kSection, "Obey Robots");
}

Status TQLProfile::write() const {
    // Said as a failure to write the file, with the folder's reason (left in errno).
    if (!forceDirectories(folderOf(m_filePath)))
        return Status::fromErrno(errno, "Unable to write to " + m_filePath);
    IniFile ini(m_filePath);
    writeTo(ini);
    return ini.save();
}

void TQLProfile::writeTo(IniFile& ini) const {
    ini.writeString(kSection, "Profile Name", m_profileName);
    ini.writeString(kSection, "File Types", toCommaText(m_fileTypes));
    ini.writeInt(kSection, "Page Location", m_pageLocation);
    ini.writeInt(kSection, "Resource Location", m_resourceLocation);
    ini.writeInt(kSection, "Depth", m_depth);
    ini.writeInt(kSection, "Aggressive Parser", m_aggressiveParser);
    ini.writeInt(kSection, "Convert Followed Links", m_convertFollowedLinks);
    ini.writeInt(kSection, "Convert Unfollowed Links", m_convertUnfollowedLinks);
    ini.writeBool(kSection, "Use Start Page Title", m_useStartPageTitle);
    ini.writeString(kSection, "URL Filters Exclude", toCommaText(m_urlFiltersExclude));
    ini.writeString(kSection, "URL Filters Include", toCommaText(m_urlFiltersInclude));
    ini.writeInt(kSection, "Page File Size Min", m_pageFileSizeMin);
    ini.writeInt(kSection, "Page File Size Max", m_pageFileSizeMax);
    ini.writeInt(kSection, "Resource File Size Min", m_resourceFileSizeMin);
    ini.writeInt(kSection, "Resource File Size Max", m_resourceFileSizeMax);
    if (m_obeyRobotsStored.had || !m_obeyRobots)
        ini.writeBool(kSection, "Obey Robots", m_obeyRobots);
}

LinkOptions linkOptions(const TQLProfile& profile) {
    LinkOptions options;
    options.fileTypes = profile.fileTypes();
    options.urlFiltersExclude = profile.urlFiltersExclude();
    options.urlFiltersInclude = profile.urlFiltersInclude();
    options.depth = profile.depth();
    options.pageLocation = profile.pageLocation();
    options.resourceLocation = profile.resourceLocation();
    options.aggressiveParser = profile.aggressiveParser();
    options.convertFollowedLinks = profile.convertFollowedLinks();
    options.convertUnfollowedLinks = profile.convertUnfollowedLinks();
    return options;
}

std::string locationText(int code) {
    switch (code) {
    case TQLProfile::WithinDirectory:
        return "within the selected directory";
    case TQLProfile::WithinSite:
        return "within the selected site";
    case TQLProfile::Anywhere:
        return "anywhere";
    default:
        return {};
    }
}

std::string depthText(int depth) {
    if (depth < 0)
        return "all levels";
    if (depth == 0)
        return "current page";
    return "current page + " + std::to_string(depth);
}

std::string namedProfilePath(const TQLApp& app, const std::string& name) {
    return app.profilesFolder() + name + ".qlp";
}

std::vector<std::string> namedProfiles(const TQLApp& app) {
    std::vector<std::string> names;
    for (const std::string& file : listFiles(app.profilesFolder(), ".qlp"))
        names.push_back(file.substr(0, file.size() - 4));
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return asciiLower(a) < asciiLower(b);
    });
    return names;
}

bool profileExists(const TQLApp& app, const std::string& name) {
    const std::string wanted = asciiLower(name);
    for (const std::string& existing : namedProfiles(app)) {
        if (asciiLower(existing) == wanted)
            return true;
    }
    return false;
}

std::string overwriteProfileQuestion(const std::string& name) {
    return "The profile: " + name +
           " already exists.  Do you want to overwrite the existing profile?";
}

std::string deleteProfileQuestion(const std::string& name) {
    return "Are you sure you want to delete the profile: " + name;
}

Result<TQLProfile> loadNamedProfile(const TQLApp& app, const std::string& name) {
    if (Status check = checkItemName(name, "profile"); !check)
        return check;
    const std::string path = namedProfilePath(app, name);
    if (!fileExists(path))
        return Result<TQLProfile>::failure("The profile: " + name + " does not exist");
    TQLProfile profile;
    profile.setFilePath(path);
    profile.read();
    // The file's name is the profile's name, whatever its "Profile Name" key says.
    profile.setProfileName(name);
    return profile;
}

Status saveAsNamedProfile(const TQLApp& app, TQLProfile& profile, const std::string& name) {
    if (Status check = checkItemName(name, "profile"); !check)
        return check;
    profile.setProfileName(name);
    profile.setFilePath(namedProfilePath(app, name));
    return profile.write();
}

Status deleteNamedProfile(const TQLApp& app, const std::string& name) {
    if (Status check = checkItemName(name, "profile"); !check)
        return check;
    const std::string path = namedProfilePath(app, name);
    if (fileExists(path) && !deleteFile(path))
        return Status::failure("Unable to delete " + path);
    return {};
}

} // namespace quarlo
