#include "cli/Commands.h"

#include "cli/NewTaskOptions.h"
#include "cli/SampleSiteServer.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <ostream>

namespace quarlo::cli {

int demoCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    if (auto words = args.positional(); !words || !words->empty())
        return context.fail(words ? "usage: demo" : words.message());
    const std::string site = (*app)->resourceFolder() + "sample-site/";
    if (!directoryExists(site))
        return context.fail("the sample site is missing: " + site);
    SampleSiteServer server(site);
    if (!server.start())
        return context.fail("cannot serve the sample site on 127.0.0.1");
    context.out << "Serving the sample site from " << site << " at " << server.rootUrl() << "\n";

    NewTaskOptions options;
    options.intranet = (*app)->dataFolder() + "demo/";
    auto created = createTask(**app, options, server.rootUrl());
    if (!created)
        return context.fail(created.message());
    context.out << "Mirroring it into " << *options.intranet << "\n";
    return mirrorInForeground(context, **app, std::move(*created));
}

} // namespace quarlo::cli
