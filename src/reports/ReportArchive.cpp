#include "reports/ReportArchive.h"

#include "archive/ZipBrowserModel.h"
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
    ZipNode* node = browser.openArchive(archive);
    if (node == nullptr || node->archive == nullptr || !browser.unpackForBrowsing(*node->archive))
        return Status::failure("Unable to unpack " + archive + " into the Temp folder.");
    return {};
}

} // namespace quarlo
