#include "cli/Commands.h"

#include "cli/Json.h"
#include "cli/JsonDocuments.h"
#include "cli/Printing.h"
#include "cli/ProfileOptions.h"
#include "cli/TaskRef.h"
#include "model/TQLApp.h"
#include "model/TQLProfile.h"
#include "model/TQLTask.h"

#include <ostream>

namespace quarlo::cli {

namespace {

int profileSave(Context& context, TQLApp& app, Args& args, const std::string& name) {
    const bool force = args.flag("--force");
    const auto from = args.option("--from");
    TQLProfile profile = TQLProfile::defaults();
    if (from) {
        auto task = loadTaskRef(app, *from);
        if (!task)
            return context.fail(task.message());
        profile = (*task)->profile();
    }
    if (Status ok = applyProfileOptions(args, profile); !ok)
        return context.fail(ok.message());
    if (auto rest = args.positional(); !rest || rest->size() != 2)
        return context.fail(rest ? "usage: profile save NAME [options]" : rest.message());
    if (profileExists(app, name) && !force)
        return context.fail(overwriteProfileQuestion(name) + " (give --force to overwrite it)");
    if (Status saved = saveAsNamedProfile(app, profile, name); !saved)
        return context.fail(saved.message());
    context.out << "Saved profile \"" << name << "\" to " << profile.filePath() << "\n";
    return 0;
}

} // namespace

int profileCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    Args peek = args;
    peek.flag("--force");
    peek.option("--from");
    peek.flag("--json");
    TQLProfile scratch;
    // Only takes the options out of the copy to find the words; 'profile save' applies them
    // to the real profile and reports what is wrong with them there.
    ignoreFailure(applyProfileOptions(peek, scratch));
    auto words = peek.positional();
    if (!words)
        return context.fail(words.message());
    const std::string verb = words->empty() ? "" : (*words)[0];
    if (verb == "list" && words->size() == 1) {
        if (args.flag("--json"))
            return context.fail("--json goes with 'profile show' only");
        for (const auto& name : namedProfiles(**app))
            context.out << name << "\n";
        return 0;
    }
    if (words->size() != 2)
        return context.fail("usage: profile list | show NAME | save NAME | delete NAME");
    const std::string& name = (*words)[1];
    if (verb == "save")
        return profileSave(context, **app, args, name);
    const bool json = verb == "show" && args.flag("--json");
    if (auto rest = args.positional(); !rest || rest->size() != 2)
        return context.fail(rest ? "usage: profile " + verb + " NAME" : rest.message());
    if (verb == "show") {
        auto profile = loadNamedProfile(**app, name);
        if (!profile)
            return context.fail(profile.message());
        if (json) {
            JsonWriter writer(context.out);
            writeProfileJson(writer, *profile);
        } else {
            printProfile(context.out, *profile);
        }
        return 0;
    }
    if (verb == "delete") {
        if (!profileExists(**app, name))
            return context.fail("no profile \"" + name + "\"");
        if (Status deleted = deleteNamedProfile(**app, name); !deleted)
            return context.fail(deleted.message());
        context.out << "Deleted profile \"" << name << "\"\n";
        return 0;
    }
    return context.fail("usage: profile list | show NAME | save NAME | delete NAME");
}

} // namespace quarlo::cli
