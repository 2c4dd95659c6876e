#include "reports/ReportArchive.h"

#include "archive/ZipBrowserModel.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "reports/ReportTexts.h"

namespace quarlo {

Status unpackTaskArchive(ZipBrowserModel& browser, const TQLTask& task) {
    if (task.intranetMode())
        return {};
    const std::string& archive = task.destination();
    if (archive.empty() || !fileExists(archive))
        return Status::failure(reportText(741));
    return unpackArchiveForBrowsing(browser, archive);
}

Status unpackArchiveForBrowsing(ZipBrowserModel& browser, const std::string& archive) {
    ZipNode* node = browser.openArchive(archive);
    if (node == nullptr || node->archive == nullptr)
        return Status::failure("Unable to open " + archive);
    if (!browser.unpackForBrowsing(*node->archive))
        return Status::failure("Unable to unpack " + archive + " into " +
                               browser.app().tempFolder());
    return {};
}

} // namespace quarlo
