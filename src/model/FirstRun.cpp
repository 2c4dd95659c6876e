#include "model/TQLApp.h"

#include "platform/FileUtil.h"

namespace quarlo {

namespace {

// Moves the files with the suffix that lie directly in `from` into `to`. A file whose name
// is already taken in `to` stays where it is rather than replacing the other one.
std::string moveFilesInto(const std::string& from, const std::string& to, std::string_view suffix) {
    std::string problems;
    for (const auto& name : listFiles(from, suffix)) {
        if (fileExists(to + name)) {
            problems += " " + from + name + " (already in " + to + ")";
            continue;
        }
        if (!moveFile(from + name, to + name))
            problems += " " + from + name;
    }
    return problems;
}

} // namespace

bool TQLApp::needsFirstRunSetup() const {
    if (m_settings.readText(kProductKey, "Version", "") != kProgramVersion)
        return true;
    if (!directoryExists(m_folders.resourceFolder + "Skins/"))
        return true;
    // A settings file that lost its file-type table would make every URL "Unknown".
    return m_settings.values(kFileTypesKey).empty();
}

Status TQLApp::firstRunSetup() {
    if (!needsFirstRunSetup())
        return {};
    std::string problems;
    if (Status written = m_settings.writeText(kProductKey, "Version", kProgramVersion); !written)
        problems += written.message() + ". ";
    if (Status imported = m_settings.importRegFile(m_folders.resourceFolder + "FTypes.reg");
        !imported)
        problems += imported.message() + ". ";
    // Creates the Downloads folder and stores its default; a failure is reported there.
    downloadsFolder();
    // Tasks of the older layout lay directly in the Tasks folder, without categories.
    const std::string tasks = tasksFolder();
    const std::string general = tasks + "General/";
    if (Status made = forceDirectories(general); !made) {
        problems += made.message() + ". ";
    } else {
        std::string unmoved = moveFilesInto(tasks, general, ".qlt");
        unmoved += moveFilesInto(tasks, general, ".dwn");
        if (!unmoved.empty())
            problems += "Not moved into the category General:" + unmoved + ". ";
    }
    if (!problems.empty()) {
        problems.pop_back();
        return Status::failure(problems);
    }
    return {};
}

} // namespace quarlo
