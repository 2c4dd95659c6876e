#pragma once

#include "platform/Result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

class RegTree;

// Key paths of the program's settings, relative to HKEY_CURRENT_USER.
inline constexpr std::string_view kProductKey = "Software\\Bristane\\Quarlo";
inline constexpr std::string_view kSettingsKey = "Software\\Bristane\\Quarlo\\Settings";
inline constexpr std::string_view kFormKey = "Software\\Bristane\\Quarlo\\Settings\\FormQuarlo";
inline constexpr std::string_view kFileTypesKey = "Software\\Bristane\\Quarlo\\File Types";

// One value of a key: a string or a DWORD, as a .reg file holds them. Other kinds found in
// a hand-edited file (hex:..., hex(2):..., ...) are Other: `text` holds their data as
// written after the "=", they are kept and written back unchanged, and typed reads of them
// give the default.
struct RegValue {
    enum class Type { String, Dword, Other };
    Type type = Type::String;
    std::string text;
    std::uint32_t dword = 0;

    bool operator==(const RegValue&) const = default;
};

struct RegEntry {
    std::string name;
    RegValue value;
};

// The user's settings, kept in one text file in the .reg export format:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Bristane\Quarlo\Settings]
//   "Name"="text"
//   "Count"=dword:0000000a
//
// Key paths are given relative to HKEY_CURRENT_USER and compared without regard to case, as
// are value names. Values keep the order in which they were first written (the enumeration
// order). Every write is write-through: the file is re-read, changed and replaced atomically
// (temporary file + rename) under an advisory lock, so two processes never tear it and a
// crash never leaves half a file. Reads see changes made by other processes. A value of
// another type than asked reads as the default. Safe to use from several threads.
class SettingsStore {
public:
    // The file need not exist; it is created (mode 0600) by the first write.
    explicit SettingsStore(std::string filePath);

    const std::string& filePath() const { return m_filePath; }

    // Typed reads with a default: missing key, missing value or other type give the default.
    int readInt(std::string_view key, std::string_view name, int def) const;
    bool readBool(std::string_view key, std::string_view name, bool def) const;
    std::string readText(std::string_view key, std::string_view name, const std::string& def) const;
    std::optional<RegValue> readValue(std::string_view key, std::string_view name) const;

    // Typed writes; the key is created when missing. Fail, of the kind of what went wrong
    // (no space, read-only, permission, ...), when the file cannot be written.
    Status writeInt(std::string_view key, std::string_view name, int value);
    Status writeBool(std::string_view key, std::string_view name, bool value);
    Status writeText(std::string_view key, std::string_view name, std::string_view value);
    Status writeValue(std::string_view key, std::string_view name, const RegValue& value);

    Status deleteValue(std::string_view key, std::string_view name);
    // Removes the key with its values and sub-keys.
    Status deleteKey(std::string_view key);

    bool keyExists(std::string_view key) const;
    // The key's values in enumeration order.
    std::vector<RegEntry> values(std::string_view key) const;
    std::vector<std::string> valueNames(std::string_view key) const;
    // Names of the direct sub-keys.
    std::vector<std::string> subKeys(std::string_view key) const;

    // Merges a .reg file (REGEDIT4 or "Windows Registry Editor Version 5.00", UTF-8 or
    // UTF-16LE with its BOM; keys under HKEY_CURRENT_USER) into the store: its values are
    // added or replaced, "[-KEY]" deletes a key and "name"=- a value. Other keys are passed
    // over. Fails when the file cannot be read or is not a .reg file.
    Status importRegFile(const std::string& regFilePath);

    // What was wrong with the file as last read, or empty. When it is not a .reg file at
    // all (no header, binary garbage) the store behaves as empty until the next write
    // replaces it; lines that cannot be read are passed over and dropped by the next write.
    // Moves whenever the store's content may have changed: a write through this store, or
    // a reread of a file another store or process changed. Reading it touches no file. No
    // two stores of the process share a generation.
    std::uint64_t generation() const { return m_generation.load(); }
    std::string loadProblem() const;

private:
    struct Impl;
    // The parsed file, read again when it changed on disk; the caller holds m_mutex.
    const Impl& current() const;
    // Runs a change on the freshly read settings under the file lock and writes the result
    // when the change says it changed something.
    Status update(const std::function<bool(RegTree&)>& change);

    std::string m_filePath;
    mutable std::mutex m_mutex;
    mutable std::shared_ptr<Impl> m_cache;
    mutable std::atomic<std::uint64_t> m_generation{0};
};

} // namespace quarlo
