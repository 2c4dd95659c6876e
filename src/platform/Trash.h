#pragma once

#include "platform/Result.h"

#include <string>

namespace quarlo {

struct Folders;

// The trash that deletions go to: the folders' own trash folder when the data folder is
// $QUARLO_HOME, else the user's freedesktop trash ($XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash/). Ends with "/".
std::string trashFolderOf(const Folders& folders);

// Moves a file or folder (a symbolic link is moved as a link) into the trash in the layout
// desktop file managers share: the item under "files/", and under "info/" a
// "<name>.trashinfo" giving its original path and the deletion time. A name already in the
// trash gets ".2", ".3" ... appended. Returns the item's path in the trash.
Result<std::string> moveToTrash(const std::string& path, const std::string& trashFolder);

} // namespace quarlo
