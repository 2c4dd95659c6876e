#pragma once

#include "platform/SettingsStore.h"

#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// One key of the settings and its values in enumeration order.
struct RegKey {
    std::string path;  // relative to HKEY_CURRENT_USER, as first written
    std::string lower; // the path lower-cased, for look-ups
    std::vector<RegEntry> values;
};

// One change read from a .reg file.
struct RegOp {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    std::string key;
    std::string name;
    RegValue value;
};

// "\Software\\Quarlo\" gives "Software\Quarlo": no leading, trailing or doubled "\".
std::string normaliseKeyPath(std::string_view path);

// The keys of HKEY_CURRENT_USER held in the settings file, in file order. Key paths are
// normalised by the caller and compared without regard to case, as are value names. A key
// that only has sub-keys need not be held itself: it exists through them.
class RegTree {
public:
    const RegKey* find(std::string_view path) const;
    const RegEntry* findValue(std::string_view path, std::string_view name) const;
    // The key itself or any key below it is held.
    bool exists(std::string_view path) const;
    // Names of the direct sub-keys, sorted without regard to case.
    std::vector<std::string> subKeys(std::string_view path) const;

    // Each of these says whether anything changed.
    bool createKey(std::string_view path);
    bool deleteKey(std::string_view path); // with its sub-keys
    bool setValue(std::string_view path, std::string_view name, const RegValue& value);
    bool deleteValue(std::string_view path, std::string_view name);
    bool apply(const RegOp& op);

    // The REGEDIT4 text of the whole tree, lines ended by CR LF.
    std::string format() const;

private:
    RegKey* findKey(std::string_view path);
    std::vector<RegKey> m_keys;
};

} // namespace quarlo
