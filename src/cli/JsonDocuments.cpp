#include "cli/JsonDocuments.h"

#include "cli/Json.h"
#include "cli/ProfileOptions.h"
#include "engine/Queue.h"
#include "model/SettingsTable.h"
#include "model/TQLProfile.h"
#include "model/TQLQItem.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"

#include <cmath>
#include <cstdio>

namespace quarlo::cli {

namespace {

JsonWriter& dateValue(JsonWriter& json, DateTime value) {
    if (value == 0)
        return json.null();
    const DateParts parts = splitDateTime(value);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", parts.year, parts.month,
                  parts.day, parts.hour, parts.minute, parts.second);
    return json.string(text);
}

void writeCounters(JsonWriter& json, const TaskCounters& counters) {
    json.key("bytes_downloaded").number(counters.BytesDownloaded);
    json.key("pages_found").number(counters.PagesFound);
    json.key("pages_saved").number(counters.PagesSaved);
    json.key("page_errors").number(counters.PageErrors);
    json.key("resources_found").number(counters.ResourcesFound);
    json.key("resources_saved").number(counters.ResourcesSaved);
    json.key("resource_errors").number(counters.ResourceErrors);
}

} // namespace

void writeProfileJson(JsonWriter& json, const TQLProfile& profile) {
    json.beginObject();
    json.key("name").string(profile.profileName());
    json.key("file_types").strings(profile.fileTypes());
    json.key("page_location").string(locationWord(profile.pageLocation()));
    json.key("resource_location").string(locationWord(profile.resourceLocation()));
    json.key("depth").number(profile.depth());
    json.key("aggressive_parser").number(profile.aggressiveParser());
    json.key("convert_followed_links").number(profile.convertFollowedLinks());
    json.key("convert_unfollowed_links").number(profile.convertUnfollowedLinks());
    json.key("use_start_page_title").boolean(profile.useStartPageTitle());
    json.key("url_filters_include").strings(profile.urlFiltersInclude());
    json.key("url_filters_exclude").strings(profile.urlFiltersExclude());
    json.key("page_file_size_min").number(profile.pageFileSizeMin());
    json.key("page_file_size_max").number(profile.pageFileSizeMax());
    json.key("resource_file_size_min").number(profile.resourceFileSizeMin());
    json.key("resource_file_size_max").number(profile.resourceFileSizeMax());
    json.key("obey_robots").boolean(profile.obeyRobots());
    json.endObject();
}

void writeTaskJson(JsonWriter& json, const TQLTask& task) {
    json.beginObject();
    json.key("name").string(task.taskName());
    json.key("category").string(task.category());
    json.key("file").string(task.filePath());
    json.key("url").string(task.url());
    json.key("urls").strings(task.urls());
    json.key("title").string(task.startPageTitle());
    json.key("user_name").string(task.userName());
    json.key("password").string(maskedSecret(task.password()));
    json.key("comment").string(task.comment());
    json.key("destination").string(task.destination());
    json.key("intranet_mode").boolean(task.intranetMode());
    json.key("accept_any_certificate").boolean(task.acceptAnyCertificate());
    json.key("status").number(toIniValue(task.status()));
    json.key("status_text").string(task.statusText());
    json.key("schedule").string(task.schedule());
    json.key("run_method").number(toIniValue(task.runMethod()));
    json.key("last_run");
    dateValue(json, task.lastRun());
    json.key("next_run");
    dateValue(json, task.nextRun());
    json.key("elapsed_seconds").number(std::llround(task.elapsedTime() * 86400.0));
    writeCounters(json, task.counters());
    // The copy's start page, once it has been saved.
    const std::string start = task.url().empty() ? std::string() : task.startPageLocalFile();
    json.key("start_page_file");
    if (!start.empty() && fileExists(start))
        json.string(start);
    else
        json.null();
    json.key("profile");
    writeProfileJson(json, task.profile());
    json.endObject();
}

void writeQueueEntryJson(JsonWriter& json, const TQLQItem& item, std::string_view mark) {
    json.beginObject();
    json.key("mark").string(mark);
    json.key("status").string(StatusName(item.Status));
    json.key("status_code").number(toQueueValue(item.Status));
    json.key("title").string(item.Title);
    json.key("url").string(item.URL);
    json.key("type").string(item.FileType);
    json.key("size").number(item.Size);
    json.key("last_modified").string(item.LastModified);
    json.key("result").string(item.Message);
    json.key("level").number(item.Level);
    json.key("referrer").string(item.Referrer);
    json.endObject();
}

void writeSettingsJson(JsonWriter& json, const SettingsStore& settings) {
    static constexpr std::pair<std::string_view, std::string_view> kKeys[] = {
        {"product", kProductKey}, {"settings", kSettingsKey}, {"main_window", kFormKey}};
    json.beginObject();
    for (const auto& [name, key] : kKeys) {
        json.key(name).beginObject();
        for (const RegEntry& entry : settings.values(key)) {
            json.key(entry.name);
            if (isSecretSetting(entry.name))
                json.string(maskedSecret(entry.value));
            else if (entry.value.type == RegValue::Type::Dword)
                json.number(static_cast<std::int32_t>(entry.value.dword));
            else
                json.string(entry.value.text);
        }
        json.endObject();
    }
    json.endObject();
}

const std::vector<JsonObjectHelp>& jsonObjectHelp() {
    static const std::vector<JsonObjectHelp> table = {
        {"task",
         "printed by 'task show --json'; each element of \"tasks\"",
         {"name",
          "category",
          "file",
          "url",
          "urls",
          "title",
          "user_name",
          "password",
          "comment",
          "destination",
          "intranet_mode",
          "accept_any_certificate",
          "status",
          "status_text",
          "schedule",
          "run_method",
          "last_run",
          "next_run",
          "elapsed_seconds",
          "bytes_downloaded",
          "pages_found",
          "pages_saved",
          "page_errors",
          "resources_found",
          "resources_saved",
          "resource_errors",
          "start_page_file",
          "profile"}},
        {"profile",
         "printed by 'profile show --json'; the \"profile\" of a task",
         {"name", "file_types", "page_location", "resource_location", "depth", "aggressive_parser",
          "convert_followed_links", "convert_unfollowed_links", "use_start_page_title",
          "url_filters_include", "url_filters_exclude", "page_file_size_min", "page_file_size_max",
          "resource_file_size_min", "resource_file_size_max", "obey_robots"}},
        {"task list", "printed by 'tasks --json'", {"category", "tasks"}},
        {"queue", "printed by 'queue TASK --json'", {"task", "file", "entries"}},
        {"queue entry",
         "each element of \"entries\"",
         {"mark", "status", "status_code", "title", "url", "type", "size", "last_modified",
          "result", "level", "referrer"}},
        {"settings",
         "printed by 'settings list --json'; each holds the values stored under it by name",
         {"product", "settings", "main_window"}},
    };
    return table;
}

} // namespace quarlo::cli
