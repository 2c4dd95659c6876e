#include "cli/Json.h"
#include "cli/JsonDocuments.h"
#include "cli/SampleSiteServer.h"
#include "platform/IniFile.h"
#include "support/CliRunner.h"
#include "support/JsonCheck.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

using quarlo::cli::JsonWriter;
using quarlo::test::ParsedJson;
using quarlo::test::parseJson;
using quarlo::test::runCli;
using quarlo::test::TempHome;

namespace {

// "{}" and the keys of the documented object, as the parse lists an object.
std::string documentedKeys(std::string_view object) {
    for (const auto& help : quarlo::cli::jsonObjectHelp()) {
        if (help.name != object)
            continue;
        std::string list = "{}[";
        for (std::size_t i = 0; i < help.keys.size(); ++i)
            list += (i > 0 ? ", \"" : "\"") + std::string(help.keys[i]) + "\"";
        return list + "]";
    }
    return "(undocumented object " + std::string(object) + ")";
}

ParsedJson parsedOutput(const std::vector<std::string>& words) {
    const auto run = runCli(words);
    EXPECT_EQ(run.code, 0) << run.err;
    ParsedJson parsed = parseJson(run.out);
    EXPECT_TRUE(parsed.ok) << parsed.problem << "\n" << run.out;
    return parsed;
}

// Every string here must come out as valid JSON that reads back as the text, with bytes that
// are not UTF-8 read as U+FFFD. Expected values as python writes them back.
TEST(JsonWriter, AnyBytesGiveValidJsonThatReadsBack) {
    const struct {
        std::string text;
        std::string readBack;
    } cases[] = {
        {"plain", "\"plain\""},
        {"quote \" and back\\slash", R"("quote \" and back\\slash")"},
        {std::string("nul\0 bell\a tab\t line\n cr\r unit\x1f del\x7f", 36),
         R"("nul\u0000 bell\u0007 tab\t line\n cr\r unit\u001f del)"
         "\x7f\""},
        {"</script><!--&", "\"</script><!--&\""},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE2\x80\xA8", "\"café € 😀 \xE2\x80\xA8\""},
        {"lone \xC3 lead, \xFF byte", "\"lone \xEF\xBF\xBD lead, \xEF\xBF\xBD byte\""},
        {"overlong \xC0\xAF surrogate \xED\xA0\x80",
         "\"overlong \xEF\xBF\xBD\xEF\xBF\xBD surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"cut \xE2\x82", "\"cut \xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    std::ostringstream out;
    JsonWriter json(out);
    json.beginObject();
    for (std::size_t i = 0; i < std::size(cases); ++i)
        json.key("k" + std::to_string(i)).string(cases[i].text);
    json.key("bad key \xFF\x01").boolean(true);
    json.key("numbers").beginArray().number(0).number(-42);
    json.number(std::numeric_limits<std::int64_t>::max())
        .number(std::numeric_limits<std::int64_t>::min());
    json.endArray();
    json.key("empty").beginObject().endObject();
    json.key("none").beginArray().endArray();
    json.key("nested").beginArray().beginObject().key("x").null().endObject().endArray();
    json.endObject();

    const ParsedJson parsed = parseJson(out.str());
    ASSERT_TRUE(parsed.ok) << parsed.problem << "\n" << out.str();
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(parsed.at("/k" + std::to_string(i)), cases[i].readBack) << i;
    EXPECT_EQ(parsed.at("/bad key \xEF\xBF\xBD\x01"), "true");
    EXPECT_EQ(parsed.at("/numbers"), "[]4");
    EXPECT_EQ(parsed.at("/numbers/1"), "-42");
    EXPECT_EQ(parsed.at("/numbers/2"), "9223372036854775807");
    EXPECT_EQ(parsed.at("/numbers/3"), "-9223372036854775808");
    EXPECT_EQ(parsed.at("/empty"), "{}[]");
    EXPECT_EQ(parsed.at("/none"), "[]0");
    EXPECT_EQ(parsed.at("/nested/0/x"), "null");
    EXPECT_TRUE(out.str().ends_with("}\n"));
}

TEST(JsonWriter, MisuseIsRefusedNotWrittenAsBrokenJson) {
    std::ostringstream out;
    JsonWriter json(out);
    json.beginObject();
    EXPECT_THROW(json.string("value without key"), std::logic_error);
    EXPECT_THROW(json.endArray(), std::logic_error);
    json.key("k");
    EXPECT_THROW(json.endObject(), std::logic_error);
}

TEST(CliJson, TasksTaskAndProfileWithTheDocumentedKeysAndNoPassword) {
    TempHome home;
    ASSERT_EQ(runCli({"profile", "save", "Deep", "--depth", "3", "--types", ".gif,jpg", "--pages",
                      "dir", "--exclude", "ads"})
                  .code,
              0);
    ASSERT_EQ(runCli({"task", "new", "http://www.alpha.test/", "--profile", "Deep"}).code, 0);
    ASSERT_EQ(runCli({"task", "new", "http://beta.test/docs/"}).code, 0);
    const std::string taskFile = home.path() + "Tasks/General/alpha.qlt";
    quarlo::IniFile ini(taskFile);
    ini.writeString("Task", "Password", "s3cret\"pw");
    ini.writeString("Task", "User Name", "ann");
    ASSERT_TRUE(ini.save(0600));

    const ParsedJson task = parsedOutput({"task", "show", "alpha", "--json"});
    EXPECT_EQ(task.at(""), documentedKeys("task"));
    EXPECT_EQ(task.at("/profile"), documentedKeys("profile"));
    EXPECT_EQ(task.at("/name"), "\"alpha\"");
    EXPECT_EQ(task.at("/file"), "\"" + taskFile + "\"");
    EXPECT_EQ(task.at("/user_name"), "\"ann\"");
    EXPECT_EQ(task.at("/password"), "\"(set)\"");
    EXPECT_EQ(task.at("/status"), "0");
    EXPECT_EQ(task.at("/status_text"), "\"Unscheduled\"");
    EXPECT_EQ(task.at("/intranet_mode"), "false");
    EXPECT_EQ(task.at("/last_run"), "null");
    EXPECT_EQ(task.at("/pages_saved"), "0");
    EXPECT_EQ(task.at("/start_page_file"), "null");
    EXPECT_EQ(task.at("/profile/depth"), "3");
    EXPECT_EQ(task.at("/profile/page_location"), "\"dir\"");
    EXPECT_EQ(task.at("/profile/file_types/1"), "\".jpg\"");
    EXPECT_EQ(task.at("/profile/url_filters_exclude/0"), "\"ads\"");

    const ParsedJson list = parsedOutput({"tasks", "--json"});
    EXPECT_EQ(list.at(""), documentedKeys("task list"));
    EXPECT_EQ(list.at("/category"), "\"General\"");
    EXPECT_EQ(list.at("/tasks"), "[]2");
    EXPECT_EQ(list.at("/tasks/0"), documentedKeys("task"));
    EXPECT_EQ(list.at("/tasks/0/name"), "\"alpha\"");
    EXPECT_EQ(list.at("/tasks/1/url"), "\"http://beta.test/docs/\"");
    EXPECT_EQ(list.at("/tasks/1/password"), "\"(none)\"");

    const ParsedJson profile = parsedOutput({"profile", "show", "Deep", "--json"});
    EXPECT_EQ(profile.at(""), documentedKeys("profile"));
    EXPECT_EQ(profile.at("/name"), "\"Deep\"");
    EXPECT_EQ(profile.at("/use_start_page_title"), "true");

    // The password appears in no form of output.
    for (const auto& words :
         std::vector<std::vector<std::string>>{{"task", "show", "alpha"},
                                               {"task", "show", "alpha", "--json"},
                                               {"task", "show", "alpha", "--csv"},
                                               {"tasks", "--json"},
                                               {"tasks", "--csv"}}) {
        const auto run = runCli(words);
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.out.find("s3cret"), std::string::npos) << words.back();
    }
    EXPECT_NE(runCli({"task", "show", "alpha"}).out.find("Password: (set)\n"), std::string::npos);

    const struct {
        std::vector<std::string> words;
        std::string message;
    } refused[] = {
        {{"tasks", "--csv", "--json"}, "not both"},
        {{"task", "show", "alpha", "--csv", "--json"}, "not both"},
        {{"task", "delete", "alpha", "--json"}, "usage: task"},
        {{"profile", "list", "--json"}, "--json goes with"},
        {{"settings", "get", "Connections", "--json"}, "--json goes with"},
        {{"queue", "mark", "alpha", "--download", "--all", "--json"}, "--json goes with"},
    };
    for (const auto& c : refused) {
        const auto run = runCli(c.words);
        EXPECT_EQ(run.code, 2) << c.words.back();
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST(CliJson, SettingsAreNumbersAndTextsWithCredentialsMasked) {
    TempHome home;
    ASSERT_EQ(runCli({"settings", "set", "Connections", "7"}).code, 0);
    ASSERT_EQ(runCli({"settings", "set", "Proxy Authorization", "ann:pw0rd"}).code, 0);
    ASSERT_EQ(runCli({"settings", "set", "Access Token", "t0ken", "--string"}).code, 0);
    ASSERT_EQ(runCli({"settings", "set", "Proxy Address", "proxy.test"}).code, 0);

    const ParsedJson settings = parsedOutput({"settings", "list", "--json"});
    EXPECT_EQ(settings.at(""), documentedKeys("settings"));
    EXPECT_EQ(settings.at("/settings/Connections"), "7");
    EXPECT_EQ(settings.at("/settings/Proxy Address"), "\"proxy.test\"");
    EXPECT_EQ(settings.at("/settings/Proxy Authorization"), "\"(set)\"");
    EXPECT_EQ(settings.at("/settings/Access Token"), "\"(set)\"");
    EXPECT_EQ(settings.at("/product/Version"), "\"3.0 Beta 4\"");

    const auto list = runCli({"settings", "list"});
    EXPECT_NE(list.out.find("Proxy Authorization = (set)\n"), std::string::npos);
    EXPECT_NE(list.out.find("Proxy Address = proxy.test\n"), std::string::npos);
    for (const auto& words :
         std::vector<std::vector<std::string>>{{"settings", "list"},
                                               {"settings", "list", "--json"},
                                               {"settings", "get", "proxy authorization"},
                                               {"settings", "get", "Access Token"}}) {
        const auto run = runCli(words);
        EXPECT_EQ(run.out.find("pw0rd"), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("t0ken"), std::string::npos) << run.out;
    }
    EXPECT_EQ(runCli({"settings", "get", "Proxy Authorization"}).out, "(set)\n");
}

// The JSON queue of a mirrored site says what the tab-separated one says, row for row.
TEST(CliJson, QueueEntriesMatchTheTextRows) {
    TempHome home;
    quarlo::cli::SampleSiteServer site(QUARLO_SOURCE_DATA "/sample-site");
    ASSERT_TRUE(site.start());
    ASSERT_EQ(
        runCli({"--pause", "0", "get", site.rootUrl(), "--intranet", home.path() + "copy"}).code,
        0);
    const ParsedJson queue = parsedOutput({"queue", "127_0", "--json"});
    EXPECT_EQ(queue.at(""), documentedKeys("queue"));
    EXPECT_EQ(queue.at("/task"), "\"127_0\"");

    std::istringstream text(runCli({"queue", "127_0"}).out);
    std::string row;
    std::getline(text, row); // the header
    std::size_t entry = 0;
    for (; std::getline(text, row); ++entry) {
        std::vector<std::string> columns;
        std::istringstream fields(row);
        for (std::string field; std::getline(fields, field, '\t');)
            columns.push_back(field);
        columns.resize(10);
        const std::string path = "/entries/" + std::to_string(entry);
        EXPECT_EQ(queue.at(path), documentedKeys("queue entry"));
        EXPECT_EQ(queue.at(path + "/mark"), "\"" + columns[0] + "\"");
        EXPECT_EQ(queue.at(path + "/status"), "\"" + columns[1] + "\"");
        EXPECT_EQ(queue.at(path + "/url"), "\"" + columns[3] + "\"");
        EXPECT_EQ(queue.at(path + "/size"), columns[5]); // a number, not a text
        EXPECT_EQ(queue.at(path + "/level"), columns[8]);
    }
    EXPECT_GT(entry, 10u);
    EXPECT_EQ(queue.at("/entries"), "[]" + std::to_string(entry));
    EXPECT_EQ(queue.at("/entries/0/status_code"), "10"); // the start page, parsed
}

} // namespace
