#include "cli/NewTaskOptions.h"

#include "model/NewTask.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

namespace quarlo::cli {

NewTaskOptions NewTaskOptions::take(Args& args) {
    NewTaskOptions options;
    options.profile = args.option("--profile");
    options.intranet = args.option("--intranet");
    options.zip = args.option("--zip");
    options.category = args.option("--category");
    options.noRobots = args.flag("--no-robots");
    return options;
}

Result<std::unique_ptr<TQLTask>> createTask(TQLApp& app, const NewTaskOptions& options,
                                            const std::string& url,
                                            const std::vector<std::string>& urlList, bool map) {
    if (options.intranet && options.zip)
        return Status::failure("give --intranet or --zip, not both");
    NewTaskRequest request;
    request.url = url;
    request.profileName = options.profile.value_or("");
    request.intranetMode = options.intranet ? true : options.zip ? false : app.saveMode() == 1;
    request.category = options.category.value_or("");
    request.map = map;
    auto created = createTaskFromUrl(app, request);
    if (!created)
        return created;
    TQLTask& task = **created;
    if (!urlList.empty()) {
        task.setURL({});
        task.setUrls(urlList);
    }
    if (options.noRobots)
        task.profile().setObeyRobots(false);
    if (options.intranet)
        task.setDestination(withTrailingSlash(absolutePath(*options.intranet)));
    if (options.zip) {
        std::string file = absolutePath(*options.zip);
        if (extensionOf(file).empty())
            file += ".zip";
        task.setDestination(file);
    }
    return created;
}

} // namespace quarlo::cli
