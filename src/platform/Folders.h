#pragma once

#include <string>

namespace quarlo {

// Where the program's files lie. Every folder path ends with "/".
struct Folders {
    // Read-only shipped files (Skins/, FTypes.reg, branding files): ../share/quarlo/ beside
    // the executable, or $QUARLO_RESOURCES when set.
    std::string resourceFolder;
    // Writable data (Tasks/, Profiles/, Downloads/, temp/, the instance lock): $QUARLO_HOME,
    // else $XDG_DATA_HOME/quarlo/ (default ~/.local/share/quarlo/).
    std::string dataFolder;
    // The settings file lives here: $QUARLO_HOME, else $XDG_CONFIG_HOME/quarlo/.
    std::string configFolder;
    // Default of the Personal Intranet: $QUARLO_HOME/My Intranet/, else ~/My Intranet/.
    std::string defaultIntranetFolder;
    // Default Temp folder: $QUARLO_HOME/scratch/Quarlo/, else $TMPDIR (or /tmp) +
    // "Quarlo-<uid>/".
    std::string defaultTempFolder;
    // Used for the trash when QUARLO_HOME is set: $QUARLO_HOME/Trash/; else empty (the
    // freedesktop trash).
    std::string trashFolder;
    // The user's home folder (never deleted by the Temp cleanup).
    std::string homeFolder;

    std::string settingsFile() const { return configFolder + "settings.reg"; }
};

// Works the folders out from the environment and the executable's location. Creates
// nothing.
Folders locateFolders();

// The program that opens a file or URL with the user's default program: the one
// QUARLO_OPEN_COMMAND names (tests name a recorder there), else xdg-open.
std::string openProgram();

// Creates the default Temp folder when the environment gives no QUARLO_HOME: mode 0700, and
// an existing one that is a symbolic link or belongs to another user is refused.
bool prepareDefaultTempFolder(const std::string& folder, std::string* problem);

} // namespace quarlo
