#include "platform/SettingsStore.h"

#include "platform/FileLock.h"

#include "platform/FileUtil.h"
#include "platform/RegParser.h"
#include "platform/RegTree.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

namespace {

// Tells whether the file changed since it was last read. The file is replaced by rename at
// every write, so the inode changes too, not only the time and size.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileStamp& other) const {
        return exists == other.exists && device == other.device && inode == other.inode &&
               size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

FileStamp stampOf(const struct stat& st) {
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

FileStamp stampOfPath(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? stampOf(st) : FileStamp{};
}

// Holds an exclusive flock on the lock file beside the settings file while it lives.

// Names and key paths end up on one line of the file: a line break would end it.
std::string oneLine(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return result;
}

std::string keyPath(std::string_view key) {
    return normaliseKeyPath(oneLine(key));
}

// Generations are numbered across every store of the process, so that a cache keyed by a
// store's address and generation never takes a new store for the one freed before it.
std::uint64_t nextGeneration() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

} // namespace

struct SettingsStore::Impl {
    RegTree tree;
    FileStamp stamp;
    std::string problem;
};

SettingsStore::SettingsStore(std::string filePath) : m_filePath(std::move(filePath)) {}

const SettingsStore::Impl& SettingsStore::current() const {
    const FileStamp now = stampOfPath(m_filePath);
    if (m_cache && m_cache->stamp == now)
        return *m_cache;
    auto fresh = std::make_shared<Impl>();
    // The stamp is taken before the read: a replacement in between is seen at the next call.
    fresh->stamp = now;
    if (now.exists) {
        const auto content = readFile(m_filePath);
        if (!content) {
            fresh->problem = "the settings file " + m_filePath + " cannot be read";
        } else {
            const RegParse parsed = parseRegText(*content);
            for (const RegOp& op : parsed.ops)
                fresh->tree.apply(op);
            if (!parsed.problem.empty())
                fresh->problem = "the settings file " + m_filePath + ": " + parsed.problem;
        }
    }
    m_cache = std::move(fresh);
    m_generation = nextGeneration();
    return *m_cache;
}

Status SettingsStore::update(const std::function<bool(RegTree&)>& change) {
    std::lock_guard lock(m_mutex);
    const std::string folder = folderOf(m_filePath);
    if (!folder.empty() && !directoryExists(folder)) {
        if (Status made = forceDirectories(folder); !made)
            return made;
    }
    FileLock fileLock(m_filePath + ".lock");
    if (!fileLock.held())
        return Status::fromErrno(fileLock.error(), "Unable to lock " + m_filePath + ".lock");
    m_cache.reset(); // another process may have written within the same time stamp
    RegTree tree = current().tree;
    if (!change(tree))
        return {};
    if (Status written = writeFileAtomic(m_filePath, tree.format(), 0600); !written)
        return written;
    auto fresh = std::make_shared<Impl>();
    fresh->tree = std::move(tree);
    fresh->stamp = stampOfPath(m_filePath);
    m_cache = std::move(fresh);
    m_generation = nextGeneration();
    return {};
}

std::optional<RegValue> SettingsStore::readValue(std::string_view key,
                                                 std::string_view name) const {
    std::lock_guard lock(m_mutex);
    const RegEntry* entry = current().tree.findValue(keyPath(key), oneLine(name));
    if (entry == nullptr)
        return std::nullopt;
    return entry->value;
}

int SettingsStore::readInt(std::string_view key, std::string_view name, int def) const {
    const auto value = readValue(key, name);
    if (!value || value->type != RegValue::Type::Dword)
        return def;
    return static_cast<int>(value->dword);
}

bool SettingsStore::readBool(std::string_view key, std::string_view name, bool def) const {
    const auto value = readValue(key, name);
    if (!value || value->type != RegValue::Type::Dword)
        return def;
    return value->dword != 0;
}

std::string SettingsStore::readText(std::string_view key, std::string_view name,
                                    const std::string& def) const {
    auto value = readValue(key, name);
    if (!value || value->type != RegValue::Type::String)
        return def;
    return std::move(value->text);
}

Status SettingsStore::writeValue(std::string_view key, std::string_view name,
                                 const RegValue& value) {
    RegValue stored = value;
    if (stored.type == RegValue::Type::Other)
        stored.text = oneLine(stored.text);
    const std::string path = keyPath(key);
    const std::string valueName = oneLine(name);
    return update([&](RegTree& tree) { return tree.setValue(path, valueName, stored); });
}

Status SettingsStore::writeInt(std::string_view key, std::string_view name, int value) {
    RegValue stored;
    stored.type = RegValue::Type::Dword;
    stored.dword = static_cast<std::uint32_t>(value);
    return writeValue(key, name, stored);
}

Status SettingsStore::writeBool(std::string_view key, std::string_view name, bool value) {
    return writeInt(key, name, value ? 1 : 0);
}

Status SettingsStore::writeText(std::string_view key, std::string_view name,
                                std::string_view value) {
    RegValue stored;
    stored.text = std::string(value);
    return writeValue(key, name, stored);
}

Status SettingsStore::deleteValue(std::string_view key, std::string_view name) {
    const std::string path = keyPath(key);
    const std::string valueName = oneLine(name);
    return update([&](RegTree& tree) { return tree.deleteValue(path, valueName); });
}

Status SettingsStore::deleteKey(std::string_view key) {
    const std::string path = keyPath(key);
    if (path.empty())
        return Status::failure("The root of the settings is never deleted");
    return update([&](RegTree& tree) { return tree.deleteKey(path); });
}

bool SettingsStore::keyExists(std::string_view key) const {
    std::lock_guard lock(m_mutex);
    return current().tree.exists(keyPath(key));
}

std::vector<RegEntry> SettingsStore::values(std::string_view key) const {
    std::lock_guard lock(m_mutex);
    const RegKey* found = current().tree.find(keyPath(key));
    return found ? found->values : std::vector<RegEntry>{};
}

std::vector<std::string> SettingsStore::valueNames(std::string_view key) const {
    std::vector<std::string> names;
    for (auto& entry : values(key))
        names.push_back(std::move(entry.name));
    return names;
}

std::vector<std::string> SettingsStore::subKeys(std::string_view key) const {
    std::lock_guard lock(m_mutex);
    return current().tree.subKeys(keyPath(key));
}

Status SettingsStore::importRegFile(const std::string& regFilePath) {
    errno = 0;
    const auto content = readFile(regFilePath);
    if (!content)
        return Status::failure("Unable to read " + regFilePath, errorCodeOfErrno(errno));
    RegParse parsed = parseRegText(*content);
    if (!parsed.recognised)
        return Status::failure(regFilePath + ": " + parsed.problem, ErrorCode::Corrupt);
    return update([&](RegTree& tree) {
        bool changed = false;
        for (const RegOp& op : parsed.ops)
            changed = tree.apply(op) || changed;
        return changed;
    });
}

std::string SettingsStore::loadProblem() const {
    std::lock_guard lock(m_mutex);
    return current().problem;
}

} // namespace quarlo
