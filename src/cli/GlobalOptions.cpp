#include "cli/Commands.h"

#include "model/TQLApp.h"

namespace quarlo::cli {

namespace {

struct RangedOption {
    const char* name;
    long long low;
    long long high;
    void (TQLApp::*setter)(int);
};

const RangedOption kGlobalOptions[] = {
    {"--connections", 1, 16, &TQLApp::setConnections},
    {"--priority", 0, 10, &TQLApp::setPriority},
    {"--pause", 0, 60000, &TQLApp::setDispatchPause},
};

} // namespace

int applyGlobalOptions(Context& context, const std::vector<std::string>& words) {
    if (words.empty())
        return 0;
    Args args(words);
    std::vector<std::pair<const RangedOption*, int>> values;
    for (const auto& option : kGlobalOptions) {
        if (auto value = args.intOption(option.name)) {
            if (*value < option.low || *value > option.high)
                return context.fail(std::string(option.name) + " must lie between " +
                                    std::to_string(option.low) + " and " +
                                    std::to_string(option.high));
            values.emplace_back(&option, static_cast<int>(*value));
        }
    }
    auto rest = args.positional();
    if (!rest)
        return context.fail(rest.message());
    if (!rest->empty())
        return context.fail("unknown global option " + rest->front());
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    for (const auto& [option, value] : values)
        ((*app.value()).*(option->setter))(value);
    return 0;
}

} // namespace quarlo::cli
