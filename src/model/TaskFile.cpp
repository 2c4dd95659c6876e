// Reading and writing of the task file: the "Task" section, the "URLs" section and the
// task's own profile in the "Profile" section of the same file.
#include "model/TQLTask.h"

#include "html/UrlFunctions.h"
#include "model/IniFields.h"
#include "model/Names.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

namespace {

constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// The counters in the order of their keys.
struct CounterKey {
    const char* key;
    std::int64_t TaskCounters::*field;
};
constexpr CounterKey kCounterKeys[] = {
    {"Total Bytes", &TaskCounters::BytesDownloaded},    {"Total Pages", &TaskCounters::PagesFound},
    {"Total Resources", &TaskCounters::ResourcesFound}, {"Pages Saved", &TaskCounters::PagesSaved},
    {"Resources Saved", &TaskCounters::ResourcesSaved}, {"Page Errors", &TaskCounters::PageErrors},
    {"Resource Errors", &TaskCounters::ResourceErrors},
};

// A run method this program does not know is refused: the next run restarts.
RunMethod readRunMethod(const IniFieldReader& fields) {
    const std::int64_t value = fields.integer("Run Method", 0, kInt64Min, kInt64Max);
    if (const std::optional<RunMethod> method = runMethodFromIniValue(value))
        return *method;
    fields.refuse("Run Method");
    return RunMethod::Restart;
}

} // namespace

void TQLTask::load() {
    m_unreadableKeys.clear();
    const IniFile ini(m_filePath);
    readTaskSection(ini);
    readUrls(ini);
    m_profile = TQLProfile();
    m_profile.setFilePath(m_filePath);
    m_profile.readFrom(ini, &m_unreadableKeys);
    m_category = categoryOfPath(m_filePath);
}

Status TQLTask::checkFile(const std::string& path) {
    auto refused = [&path](const std::string& reason) {
        return Status::failure("cannot read task file " + path + ": " + reason);
    };
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return refused(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return refused("it is a folder");
    if (::access(path.c_str(), R_OK) != 0)
        return refused(std::strerror(errno));
    if (info.st_size == 0)
        return refused("the file is empty");
    const IniFile ini(path);
    if (!ini.hasSection(kTaskSection))
        return refused("it is not a task file (it has no [Task] section)");
    if (ini.readString(kTaskSection, "URL").empty() && ini.readString(kUrlsSection, "URL0").empty())
        return refused("it names no URL to download");
    return {};
}

void TQLTask::readTaskSection(const IniFile& ini) {
    const IniFieldReader fields(ini, kTaskSection, &m_unreadableKeys);
    const std::string fileName = FileNameNoExt(m_filePath);
    m_taskName = fields.text("Task Name");
    // The name also names the queue file beside the task file: one that would lead out of
    // the folder is not taken.
    if (m_taskName.empty()) {
        m_taskName = fileName;
    } else if (!checkItemName(m_taskName, "task")) {
        fields.refuse("Task Name");
        m_taskName = fileName;
    }
    m_url = fields.text("URL");
    m_startPageTitle = fields.text("Start Page Title");
    m_server = fields.text("Server");
    m_canUpdate = fields.boolean("Can Update", false);
    m_userName = fields.text("User Name");
    m_password = fields.text("Password");
    m_comment = fields.text("Comment");
    m_destination = fields.text("Destination");
    m_intranetMode = fields.boolean("Intranet Mode", false);
    m_status = taskStatusFromIniValue(
        static_cast<std::int32_t>(fields.integer("Status", 0, kInt32Min, kInt32Max)));
    m_schedule = fields.text("Schedule");
    m_runMethod = readRunMethod(fields);
    m_counters = TaskCounters{};
    for (const CounterKey& counter : kCounterKeys)
        m_counters.*counter.field = fields.integer(counter.key, 0, kInt64Min, kInt64Max);
    m_elapsedTime = fields.date("Elapsed Time");
    m_lastRun = fields.date("Last Run");
    m_nextRun = fields.date("Next Run");
    m_acceptAnyCertificate = fields.boolean("Accept Any Certificate", false);
}

void TQLTask::readUrls(const IniFile& ini) {
    m_urls.clear();
    for (std::size_t i = 0;; ++i) {
        std::string url = ini.readString(kUrlsSection, "URL" + std::to_string(i));
        if (url.empty())
            break;
        m_urls.push_back(std::move(url));
    }
}

std::string TQLTask::categoryOfPath(const std::string& path) const {
    const std::string tasks = m_app.tasksFolder();
    const std::string folder = folderOf(path);
    if (folder.size() <= tasks.size() || folder.compare(0, tasks.size(), tasks) != 0)
        return {};
    return withoutTrailingSlash(folder.substr(tasks.size()));
}

Status TQLTask::save() {
    // Said as a failure to write the file, with the folder's reason (left in errno).
    if (!forceDirectories(folderOf(m_filePath)))
        return Status::fromErrno(errno, "Unable to write to " + m_filePath);
    IniFile ini(m_filePath);
    writeTaskSection(ini);
    writeUrls(ini);
    m_profile.setFilePath(m_filePath);
    m_profile.writeTo(ini);
    // The file holds the account's password: readable by its owner only.
    if (Status saved = ini.save(0600); !saved)
        return saved;
    return updateActiveList();
}

void TQLTask::writeTaskSection(IniFile& ini) const {
    const char* s = kTaskSection;
    ini.writeString(s, "Task Name", m_taskName);
    ini.writeString(s, "URL", m_url);
    ini.writeString(s, "Start Page Title", m_startPageTitle);
    ini.writeString(s, "Server", m_server);
    ini.writeBool(s, "Can Update", m_canUpdate);
    ini.writeString(s, "User Name", m_userName);
    ini.writeString(s, "Password", m_password);
    ini.writeString(s, "Comment", m_comment);
    ini.writeString(s, "Destination", m_destination);
    ini.writeBool(s, "Intranet Mode", m_intranetMode);
    ini.writeInt(s, "Status", toIniValue(m_status));
    ini.writeString(s, "Schedule", m_schedule);
    ini.writeInt(s, "Run Method", toIniValue(m_runMethod));
    for (const CounterKey& counter : kCounterKeys)
        ini.writeInt(s, counter.key, m_counters.*counter.field);
    ini.writeString(s, "Elapsed Time", formatTaskDate(m_elapsedTime));
    ini.writeString(s, "Last Run", formatTaskDate(m_lastRun));
    ini.writeString(s, "Next Run", formatTaskDate(m_nextRun));
    ini.writeBool(s, "Accept Any Certificate", m_acceptAnyCertificate);
}

void TQLTask::writeUrls(IniFile& ini) const {
    // Keys of a longer list written before would otherwise be read back as entries.
    for (const std::string& key : ini.keys(kUrlsSection))
        ini.eraseKey(kUrlsSection, key);
    // Reading stops at the first empty entry, so empty entries are left out.
    std::size_t index = 0;
    for (const std::string& url : m_urls) {
        if (!url.empty())
            ini.writeString(kUrlsSection, "URL" + std::to_string(index++), url);
    }
}

Status TQLTask::updateActiveList() {
    ActiveTasks& active = m_app.activeTasks();
    if (isActive())
        return active.add(m_filePath);
    return active.remove(m_filePath);
}

} // namespace quarlo
