#include "cli/Commands.h"

#include "cli/Json.h"
#include "cli/JsonDocuments.h"
#include "model/SettingsTable.h"
#include "model/TQLApp.h"

#include <charconv>
#include <optional>
#include <ostream>
#include <strings.h>

namespace quarlo::cli {

namespace {

// A credential is shown only as set or not.
std::string describe(const std::string& name, const RegValue& value) {
    if (isSecretSetting(name))
        return maskedSecret(value);
    switch (value.type) {
    case RegValue::Type::Dword:
        return std::to_string(static_cast<std::int32_t>(value.dword));
    case RegValue::Type::String:
        return value.text;
    default:
        return value.text + " (a value of another kind)";
    }
}

std::optional<int> parseInt(const std::string& text) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<bool> parseBool(const std::string& text) {
    for (const char* yes : {"1", "true", "yes", "on"})
        if (::strcasecmp(text.c_str(), yes) == 0)
            return true;
    for (const char* no : {"0", "false", "no", "off"})
        if (::strcasecmp(text.c_str(), no) == 0)
            return false;
    return std::nullopt;
}

// Settings whose setters apply rules of their own go through the application object.
// The settings the application adjusts before storing them; nothing for the others.
std::optional<Status> setThroughApp(TQLApp& app, const std::string& name,
                                    const std::string& value) {
    if (::strcasecmp(name.c_str(), "Downloads Folder") == 0)
        return app.setDownloadsFolder(value);
    if (::strcasecmp(name.c_str(), "Local Intranet Folder") == 0)
        return app.setIntranetFolder(value);
    if (::strcasecmp(name.c_str(), "Temp Folder") == 0)
        return app.setTempFolder(value);
    if (::strcasecmp(name.c_str(), "User Agent") == 0)
        return app.setUserAgent(value);
    return std::nullopt;
}

int settingsGet(Context& context, TQLApp& app, const std::vector<std::string>& words) {
    if (words.size() != 2)
        return context.fail("usage: settings get NAME");
    const auto known = findKnownSetting(words[1]);
    const std::string_view key = known ? known->key : kSettingsKey;
    const std::string name = known ? std::string(known->name) : words[1];
    const auto value = app.settings().readValue(key, name);
    if (!value)
        return context.fail(name + " is not set (the program uses its default)");
    context.out << describe(name, *value) << "\n";
    return 0;
}

int settingsSet(Context& context, TQLApp& app, const std::vector<std::string>& words, bool asDword,
                bool asString) {
    if (words.size() != 3 || (asDword && asString))
        return context.fail("usage: settings set NAME VALUE [--dword | --string]");
    const std::string& value = words[2];
    const auto known = findKnownSetting(words[1]);
    KnownSetting::Type type = KnownSetting::Type::Text;
    if (known)
        type = known->type;
    else if (asDword)
        type = KnownSetting::Type::Integer;
    else if (!asString)
        return context.fail("\"" + words[1] +
                            "\" is not a known setting: give --dword or --string to write it");
    const std::string name = known ? std::string(known->name) : words[1];
    const std::string_view key = known ? known->key : kSettingsKey;
    Status written;
    std::optional<Status> throughApp;
    if (type == KnownSetting::Type::Integer) {
        const auto number = parseInt(value);
        if (!number)
            return context.fail(name + " takes a whole number, not \"" + value + "\"");
        written = app.settings().writeInt(key, name, *number);
    } else if (type == KnownSetting::Type::Boolean) {
        const auto flag = parseBool(value);
        if (!flag)
            return context.fail(name + " takes 1 or 0 (true or false), not \"" + value + "\"");
        written = app.settings().writeBool(key, name, *flag);
    } else if (known && (throughApp = setThroughApp(app, name, value))) {
        written = *throughApp;
    } else {
        written = app.settings().writeText(key, name, value);
    }
    if (!written)
        return context.fail(written.message());
    return 0;
}

int settingsList(Context& context, TQLApp& app, bool json) {
    if (json) {
        JsonWriter writer(context.out);
        writeSettingsJson(writer, app.settings());
        return 0;
    }
    for (const std::string_view key : {kProductKey, kSettingsKey, kFormKey})
        for (const auto& entry : app.settings().values(key))
            context.out << entry.name << " = " << describe(entry.name, entry.value) << "\n";
    return 0;
}

} // namespace

int settingsCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    const bool asDword = args.flag("--dword");
    const bool asString = args.flag("--string");
    const bool json = args.flag("--json");
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    const std::string verb = words->empty() ? "" : words->front();
    if (json && verb != "list")
        return context.fail("--json goes with 'settings list' only");
    if (verb == "set")
        return settingsSet(context, **app, *words, asDword, asString);
    if (verb == "get")
        return settingsGet(context, **app, *words);
    if (verb == "list" && words->size() == 1)
        return settingsList(context, **app, json);
    return context.fail(
        "usage: settings get NAME | settings set NAME VALUE | settings list [--json]");
}

} // namespace quarlo::cli
