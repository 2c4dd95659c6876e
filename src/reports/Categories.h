#pragma once

#include "platform/Result.h"

#include <string>

namespace quarlo {

class TQLApp;

// Categories are the folders under the Tasks folder; a category may hold further ones and is
// named by its path relative to the Tasks folder ("General", "General/News").

// The folder of a category, ending with "/". Each part of the path must be a valid name
// (nothing that leads out of the Tasks folder); the category need not exist.
Result<std::string> categoryFolder(const TQLApp& app, const std::string& category);

// The path, made absolute, when it lies strictly inside the Tasks folder once every symbolic
// link along it (the last part too) is resolved; otherwise a message saying it was refused.
// Deletions go through this, so nothing outside the Tasks folder is ever removed.
Result<std::string> insideTasksFolder(const TQLApp& app, const std::string& path);

// Creates "New Folder" in the parent category ("" for the Tasks folder itself), or
// "New Folder (2)", "(3)" ... when taken; at most 50 names are tried. Returns the new
// category's path relative to the Tasks folder. A folder that cannot be created fails with
// "Unable to create the folder '<folder>'\n\n<system error text>".
Result<std::string> newCategory(const TQLApp& app, const std::string& parent);

// The queue file that goes with a task file on deletion: the task file's path with its last
// four characters (the ".qlt") replaced by ".dwn".
std::string deletedQueueFile(const std::string& taskFile);

// Moves the task file and its queue file to the trash (each when it exists). Refused for a
// file outside the Tasks folder and for the task the instance holding the data folder is
// downloading. When the application's current task came from that file it is freed.
Status deleteTask(TQLApp& app, const std::string& taskFile);

// Moves a category's folder with everything in it to the trash. Refused for the Tasks folder
// itself, for anything outside it, and while the instance holding the data folder is
// downloading a task of the category. A current task from inside the folder is freed.
Status deleteCategory(TQLApp& app, const std::string& category);

// The questions asked before deleting.
std::string deleteTaskQuestion();
std::string deleteCategoryQuestion(const std::string& nodeText);

} // namespace quarlo
