#pragma once

#include "html/LinkOptions.h"
#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quarlo {

class IniFile;
class TQLApp;

// A download method: how deep links are followed, where pages and resources may lie, which
// file types are fetched, the URL filters, link conversion and the Zip naming. Kept in the
// "Profile" section of a profile file (.qlp) or of a task file.
class TQLProfile {
public:
    static constexpr const char* kSection = "Profile";

    // Location codes of pages and resources: those the link test reads.
    using Location = LinkOptions::Location;
    using enum LinkOptions::Location;

    // Empty path and name, empty lists, every code 0.
    TQLProfile() = default;
    // The values a profile takes when read from a file that holds none (Depth -1, both
    // conversions on, start page title used): where a new custom profile starts.
    static TQLProfile defaults();

    const std::string& filePath() const { return m_filePath; }
    void setFilePath(const std::string& path) { m_filePath = path; }
    const std::string& profileName() const { return m_profileName; }
    void setProfileName(const std::string& name) { m_profileName = name; }
    bool isCustom() const { return m_profileName.empty(); }

    // Extensions such as ".gif"; empty means every file type.
    const std::vector<std::string>& fileTypes() const { return m_fileTypes; }
    void setFileTypes(const std::vector<std::string>& types) { m_fileTypes = types; }
    std::uint8_t pageLocation() const { return m_pageLocation; }
    void setPageLocation(std::uint8_t code) { m_pageLocation = code; }
    std::uint8_t resourceLocation() const { return m_resourceLocation; }
    void setResourceLocation(std::uint8_t code) { m_resourceLocation = code; }
    // -1 all levels, 0 the start page only, N the start page and N further levels.
    std::int32_t depth() const { return m_depth; }
    void setDepth(std::int32_t depth) { m_depth = depth; }
    // 0 off, 1 links inside SCRIPT tags, 2 every possible link of the page.
    std::uint8_t aggressiveParser() const { return m_aggressiveParser; }
    void setAggressiveParser(std::uint8_t code) { m_aggressiveParser = code; }
    // 0 none, 1 all followed links made relative.
    std::uint8_t convertFollowedLinks() const { return m_convertFollowedLinks; }
    void setConvertFollowedLinks(std::uint8_t code) { m_convertFollowedLinks = code; }
    // 0 none, 1 those within the current site, 2 all unfollowed links made relative.
    std::uint8_t convertUnfollowedLinks() const { return m_convertUnfollowedLinks; }
    void setConvertUnfollowedLinks(std::uint8_t code) { m_convertUnfollowedLinks = code; }
    bool useStartPageTitle() const { return m_useStartPageTitle; }
    void setUseStartPageTitle(bool on) { m_useStartPageTitle = on; }
    const std::vector<std::string>& urlFiltersExclude() const { return m_urlFiltersExclude; }
    void setUrlFiltersExclude(const std::vector<std::string>& list) { m_urlFiltersExclude = list; }
    const std::vector<std::string>& urlFiltersInclude() const { return m_urlFiltersInclude; }
    void setUrlFiltersInclude(const std::vector<std::string>& list) { m_urlFiltersInclude = list; }
    // Size limits: carried through the file, used by nothing.
    std::int32_t pageFileSizeMin() const { return m_pageFileSizeMin; }
    void setPageFileSizeMin(std::int32_t size) { m_pageFileSizeMin = size; }
    std::int32_t pageFileSizeMax() const { return m_pageFileSizeMax; }
    void setPageFileSizeMax(std::int32_t size) { m_pageFileSizeMax = size; }
    // Whether robots.txt and <meta name="robots"> are followed (on by default).
    bool obeyRobots() const { return m_obeyRobots; }
    void setObeyRobots(bool on) { m_obeyRobots = on; }
    std::int32_t resourceFileSizeMin() const { return m_resourceFileSizeMin; }
    void setResourceFileSizeMin(std::int32_t size) { m_resourceFileSizeMin = size; }
    std::int32_t resourceFileSizeMax() const { return m_resourceFileSizeMax; }
    void setResourceFileSizeMax(std::int32_t size) { m_resourceFileSizeMax = size; }

    // Reads the file at filePath() (a missing file gives the defaults). Every field takes
    // the file's value or its default, so the profile then matches the file exactly. Keys
    // whose values cannot be read are appended to badKeys when given.
    void read(std::vector<std::string>* badKeys = nullptr);
    // The same from a file already in memory; the path is left alone.
    void readFrom(const IniFile& ini, std::vector<std::string>* badKeys = nullptr);
    // Creates the folder and writes the "Profile" section of the file at filePath(), other
    // sections kept. Fails with "Unable to write to <path>".
    Status write() const;
    // Writes the "Profile" keys in their fixed order into a file in memory.
    void writeTo(IniFile& ini) const;

    bool operator==(const TQLProfile&) const = default;

private:
    std::string m_filePath;
    std::string m_profileName;
    std::vector<std::string> m_fileTypes;
    std::uint8_t m_pageLocation = 0;
    std::uint8_t m_resourceLocation = 0;
    std::int32_t m_depth = 0;
    std::uint8_t m_aggressiveParser = 0;
    std::uint8_t m_convertFollowedLinks = 0;
    std::uint8_t m_convertUnfollowedLinks = 0;
    bool m_useStartPageTitle = false;
    std::vector<std::string> m_urlFiltersExclude;
    std::vector<std::string> m_urlFiltersInclude;
    std::int32_t m_pageFileSizeMin = 0;
    std::int32_t m_pageFileSizeMax = 0;
    std::int32_t m_resourceFileSizeMin = 0;
    std::int32_t m_resourceFileSizeMax = 0;
    bool m_obeyRobots = true;
    // Whether the file read had "Obey Robots". The key is written when it had or the value
    // is off, so a file of an earlier version gains no key by being read and written back.
    // Not part of the profile's value: equal profiles may come from either kind of file.
    struct FileMark {
        bool had = false;
        bool operator==(const FileMark&) const { return true; }
    } m_obeyRobotsStored;
};

// The fields of the profile that the link scanner, test and conversion read.
LinkOptions linkOptions(const TQLProfile& profile);

// "within the selected directory", "within the selected site", "anywhere"; "" for others.
std::string locationText(int code);
// "all levels", "current page", "current page + N".
std::string depthText(int depth);

// Named profiles: files "<name>.qlp" in the Profiles folder.
std::string namedProfilePath(const TQLApp& app, const std::string& name);
// Names without extension, sorted without regard to case.
std::vector<std::string> namedProfiles(const TQLApp& app);
bool profileExists(const TQLApp& app, const std::string& name);
std::string overwriteProfileQuestion(const std::string& name);
std::string deleteProfileQuestion(const std::string& name);
// Reads a named profile; fails when the name is refused or no such profile exists.
Result<TQLProfile> loadNamedProfile(const TQLApp& app, const std::string& name);
// Gives the profile the name and the path of that named profile and writes it (the caller
// has asked about overwriting an existing one).
Status saveAsNamedProfile(const TQLApp& app, TQLProfile& profile, const std::string& name);
Status deleteNamedProfile(const TQLApp& app, const std::string& name);

} // namespace quarlo
