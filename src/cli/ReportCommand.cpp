#include "cli/Commands.h"

#include "archive/ZipBrowserModel.h"
#include "cli/TaskRef.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "reports/ReportArchive.h"
#include "reports/ReportTexts.h"
#include "reports/TaskReport.h"

#include <ostream>

namespace quarlo::cli {

int reportCommand(Context& context, Args& args) {
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() != 1)
        return context.fail("usage: report TASK");
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    const std::string& reference = words->front();
    auto loaded = loadTaskRef(**app, reference);
    if (!loaded)
        return context.fail(loaded.message());
    const auto& task = *loaded;
    if (!task->intranetMode()) {
        ZipBrowserModel browser(**app);
        if (Status unpacked = unpackTaskArchive(browser, *task); !unpacked) {
            if (unpacked.message() == reportText(741))
                return context.fail(unpacked.message() + " Use 'quarlo-cli run " + reference +
                                    "' to run it.");
            return context.fail(unpacked.message());
        }
    }
    auto written = writeTaskReports(*task);
    if (!written)
        return context.fail(written.message());
    context.out << written->summaryPath << "\n";
    return 0;
}

} // namespace quarlo::cli
