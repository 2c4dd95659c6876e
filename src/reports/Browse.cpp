#include "reports/Browse.h"

#include "archive/ZipBrowserModel.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "reports/ReportArchive.h"

namespace quarlo {

Result<std::string> browseTarget(TQLApp& app, const TQLTask& task, ZipBrowserModel* browser) {
    if (!task.intranetMode()) {
        if (task.destination().empty() || !fileExists(task.destination()))
            return Status::failure(kNotRunMessage);
        if (browser != nullptr) {
            if (Status unpacked = unpackArchiveForBrowsing(*browser, task.destination()); !unpacked)
                return unpacked;
        } else {
            ZipBrowserModel own(app);
            if (Status unpacked = unpackArchiveForBrowsing(own, task.destination()); !unpacked)
                return unpacked;
        }
    }
    const std::string file = task.url().empty() ? std::string() : task.startPageLocalFile();
    if (file.empty())
        return Status::failure("Task \"" + task.taskName() + "\" has no local start page");
    return file;
}

} // namespace quarlo
