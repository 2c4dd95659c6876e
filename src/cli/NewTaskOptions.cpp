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
    options.user = args.option("--user");
    options.passwordFile = args.option("--password-file");
    options.insecure = args.flag("--insecure");
    options.noRobots = args.flag("--no-robots");
    return options;
}

Result<std::string> readPasswordFile(const std::string& path) {
    const std::string refused = "cannot read the password file " + path + ": ";
    if (directoryExists(path))
        return Status::failure(refused + "it is a folder");
    if (!fileExists(path))
        return Status::failure(refused + "no such file");
    const std::optional<std::string> text = readFile(path);
    if (!text)
        return Status::failure(refused + "it is not readable");
    std::string password = text->substr(0, text->find('\n'));
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (password.empty())
        return Status::failure("the password file " + path +
                               " holds no password on its first line");
    return password;
}

namespace {

// The account of the task as the account dialog sets it: a name and a password, or neither.
Status applyAccount(TQLTask& task, const NewTaskOptions& options) {
    if (options.user.has_value() != options.passwordFile.has_value())
        return Status::failure("give --user and --password-file together");
    if (!options.user)
        return {};
    if (options.user->empty())
        return Status::failure("--user needs a name");
    auto password = readPasswordFile(*options.passwordFile);
    if (!password)
        return password.status();
    task.setUserName(*options.user);
    task.setPassword(*password);
    return {};
}

} // namespace

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
    if (Status account = applyAccount(task, options); !account)
        return account;
    task.setAcceptAnyCertificate(options.insecure);
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
