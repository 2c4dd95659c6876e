#include "reports/Browse.h"

#include "archive/ZipBrowserModel.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

namespace quarlo {

namespace {

Status unpackArchive(ZipBrowserModel& browser, const std::string& archive) {
    ZipNode* node = browser.openArchive(archive);
    if (node == nullptr || node->archive == nullptr)
        return Status::failure("Unable to open " + archive);
    if (!browser.unpackForBrowsing(*node->archive))
        return Status::failure("Unable to unpack " + archive + " into " +
                               browser.app().tempFolder());
    return {};
}

} // namespace

Result<std::string> browseTarget(TQLApp& app, const TQLTask& task, ZipBrowserModel* browser) {
    if (!task.intranetMode()) {
        if (task.destination().empty() || !fileExists(task.destination()))
            return Status::failure(kNotRunMessage);
        if (browser != nullptr) {
            if (Status unpacked = unpackArchive(*browser, task.destination()); !unpacked)
                return unpacked;
        } else {
            ZipBrowserModel own(app);
            if (Status unpacked = unpackArchive(own, task.destination()); !unpacked)
                return unpacked;
        }
    }
    const std::string file = task.url().empty() ? std::string() : task.startPageLocalFile();
    if (file.empty())
        return Status::failure("Task \"" + task.taskName() + "\" has no local start page");
    return file;
}

} // namespace quarlo
