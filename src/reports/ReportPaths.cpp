#include "reports/ReportPaths.h"

#include "html/UrlFunctions.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

namespace quarlo {

namespace {

const char* kindWord(IndexKind kind) {
    return kind == IndexKind::Pages ? "_pages_" : "_images_";
}

// A host becomes a folder name: nothing that could leave the base folder or name it.
bool usableHost(const std::string& host) {
    return !host.empty() && host != "." && host != ".." &&
           host.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos;
}

} // namespace

ReportPaths::ReportPaths(std::string folder, std::string taskName)
    : m_folder(withTrailingSlash(std::move(folder))), m_taskName(std::move(taskName)) {}

Result<ReportPaths> ReportPaths::of(const TQLTask& task) {
    const std::string host = URLHost(task.url());
    if (!usableHost(host))
        return Status::failure("The start URL \"" + task.url() +
                               "\" has no host to name the report folder.");
    return ReportPaths(reportBaseFolder(task) + host + "/", task.taskName());
}

std::string ReportPaths::indexPage(IndexKind kind, int n) const {
    return prefix() + kindWord(kind) + std::to_string(n) + ".htm";
}

std::string ReportPaths::morePage(IndexKind kind) const {
    return prefix() + kindWord(kind) + "more.htm";
}

std::string reportBaseFolder(const TQLTask& task) {
    return withTrailingSlash(task.resultPlace());
}

} // namespace quarlo
