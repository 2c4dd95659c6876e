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
    {"--limit-rate", 0, 1000000, &TQLApp::setMaxRate},
};

using OptionValues = std::vector<std::pair<const RangedOption*, int>>;

Result<OptionValues> parseGlobalOptions(const std::vector<std::string>& words) {
    Args args(words);
    OptionValues values;
    for (const auto& option : kGlobalOptions) {
        if (auto value = args.intOption(option.name)) {
            if (*value < option.low || *value > option.high)
                return Status::failure(std::string(option.name) + " must lie between " +
                                       std::to_string(option.low) + " and " +
                                       std::to_string(option.high));
            values.emplace_back(&option, static_cast<int>(*value));
        }
    }
    auto rest = args.positional();
    if (!rest)
        return rest.status();
    if (!rest->empty())
        return Status::failure("unknown global option " + rest->front());
    return values;
}

} // namespace

std::size_t globalOptionWords(const std::vector<std::string>& args) {
    std::size_t count = 0;
    while (count < args.size() && args[count].rfind("--", 0) == 0 && args[count] != "--help" &&
           args[count] != "--version") {
        bool takesValue = false;
        for (const auto& option : kGlobalOptions)
            takesValue = takesValue || args[count] == option.name;
        count += takesValue && count + 1 < args.size() ? 2 : 1;
    }
    return count;
}

Status checkGlobalOptions(const std::vector<std::string>& words) {
    return parseGlobalOptions(words).status();
}

int applyGlobalOptions(Context& context, const std::vector<std::string>& words) {
    if (words.empty())
        return 0;
    auto values = parseGlobalOptions(words);
    if (!values)
        return context.fail(values.message());
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    for (const auto& [option, value] : *values)
        ((*app.value()).*(option->setter))(value);
    return 0;
}

} // namespace quarlo::cli
