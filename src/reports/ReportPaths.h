#pragma once

#include "platform/Result.h"

#include <string>

namespace quarlo {

class TQLTask;

// The two kinds of index pages a report has.
enum class IndexKind { Pages, Images };

// Where the report files of a task lie: the report folder is the task's base folder
// followed by the host of the start URL and "/"; every file there is named "!", the task
// name and an ending. The skin images lie in its sub-folder "!images/".
class ReportPaths {
public:
    ReportPaths(std::string folder, std::string taskName);

    // The paths of a task. Fails when the start URL has no host that can name a folder.
    static Result<ReportPaths> of(const TQLTask& task);

    const std::string& folder() const { return m_folder; }
    std::string imagesFolder() const { return m_folder + "!images/"; }
    std::string summary() const { return prefix() + "_summary.htm"; }
    // Index page n (from 1) of the kind: "_pages_<n>.htm" or "_images_<n>.htm".
    std::string indexPage(IndexKind kind, int n) const;
    // The table of every index page of the kind: "_pages_more.htm" or "_images_more.htm".
    std::string morePage(IndexKind kind) const;

private:
    std::string prefix() const { return m_folder + "!" + m_taskName; }

    std::string m_folder;
    std::string m_taskName;
};

// The folder the task's files are saved under: its Destination in intranet mode, else the
// Temp folder. Ends with "/".
std::string reportBaseFolder(const TQLTask& task);

} // namespace quarlo
