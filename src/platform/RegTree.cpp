#include "platform/RegTree.h"

#include "platform/TextUtil.h"

#include <algorithm>
#include <cstdio>

namespace quarlo {

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

bool isBelow(const std::string& lowerPath, const std::string& lowerParent) {
    if (lowerParent.empty())
        return !lowerPath.empty();
    return lowerPath.size() > lowerParent.size() && lowerPath[lowerParent.size()] == '\\' &&
           lowerPath.compare(0, lowerParent.size(), lowerParent) == 0;
}

std::string quoted(std::string_view text) {
    std::string result = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            result += '\\';
        result += c;
    }
    return result + "\"";
}

// A text that a quoted string cannot carry on one line is written as the string kind in
// hexadecimal, its bytes followed by the terminating zero.
std::string hexString(std::string_view text) {
    std::string result = "hex(1):";
    char byte[4];
    for (unsigned char c : text) {
        std::snprintf(byte, sizeof byte, "%02x,", c);
        result += byte;
    }
    return result + "00";
}

std::string formatValue(const RegEntry& entry) {
    std::string line = entry.name.empty() ? "@" : quoted(entry.name);
    line += '=';
    switch (entry.value.type) {
    case RegValue::Type::String:
        if (entry.value.text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            line += hexString(entry.value.text);
        else
            line += quoted(entry.value.text);
        break;
    case RegValue::Type::Dword: {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", entry.value.dword);
        line += digits;
        break;
    }
    case RegValue::Type::Other:
        line += entry.value.text;
        break;
    }
    return line;
}

} // namespace

std::string normaliseKeyPath(std::string_view path) {
    std::string result;
    for (char c : path) {
        if (c == '\\' && (result.empty() || result.back() == '\\'))
            continue;
        result += c;
    }
    if (!result.empty() && result.back() == '\\')
        result.pop_back();
    return result;
}

const RegKey* RegTree::find(std::string_view path) const {
    const std::string lower = asciiLower(path);
    for (const RegKey& key : m_keys)
        if (key.lower == lower)
            return &key;
    return nullptr;
}

RegKey* RegTree::findKey(std::string_view path) {
    return const_cast<RegKey*>(std::as_const(*this).find(path));
}

const RegEntry* RegTree::findValue(std::string_view path, std::string_view name) const {
    const RegKey* key = find(path);
    if (key == nullptr)
        return nullptr;
    for (const RegEntry& entry : key->values)
        if (equalsNoCase(entry.name, name))
            return &entry;
    return nullptr;
}

bool RegTree::exists(std::string_view path) const {
    const std::string lower = asciiLower(path);
    if (lower.empty())
        return true;
    return std::any_of(m_keys.begin(), m_keys.end(), [&](const RegKey& key) {
        return key.lower == lower || isBelow(key.lower, lower);
    });
}

std::vector<std::string> RegTree::subKeys(std::string_view path) const {
    const std::string lower = asciiLower(path);
    const std::size_t skip = lower.empty() ? 0 : lower.size() + 1;
    std::vector<std::string> names;
    std::vector<std::string> seen;
    for (const RegKey& key : m_keys) {
        if (!isBelow(key.lower, lower))
            continue;
        std::string name = key.path.substr(skip, key.path.find('\\', skip) - skip);
        std::string lowerName = asciiLower(name);
        if (containsString(seen, lowerName))
            continue;
        seen.push_back(std::move(lowerName));
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return asciiLower(a) < asciiLower(b);
    });
    return names;
}

bool RegTree::createKey(std::string_view path) {
    if (find(path) != nullptr)
        return false;
    m_keys.push_back({std::string(path), asciiLower(path), {}});
    return true;
}

bool RegTree::deleteKey(std::string_view path) {
    const std::string lower = asciiLower(path);
    return std::erase_if(m_keys, [&](const RegKey& key) {
               return key.lower == lower || isBelow(key.lower, lower);
           }) > 0;
}

bool RegTree::setValue(std::string_view path, std::string_view name, const RegValue& value) {
    createKey(path);
    RegKey& key = *findKey(path);
    for (RegEntry& entry : key.values) {
        if (!equalsNoCase(entry.name, name))
            continue;
        if (entry.value == value)
            return false;
        entry.value = value;
        return true;
    }
    key.values.push_back({std::string(name), value});
    return true;
}

bool RegTree::deleteValue(std::string_view path, std::string_view name) {
    RegKey* key = findKey(path);
    return key != nullptr && std::erase_if(key->values, [&](const RegEntry& entry) {
                                 return equalsNoCase(entry.name, name);
                             }) > 0;
}

bool RegTree::apply(const RegOp& op) {
    switch (op.kind) {
    case RegOp::Kind::CreateKey:
        return createKey(op.key);
    case RegOp::Kind::DeleteKey:
        return deleteKey(op.key);
    case RegOp::Kind::SetValue:
        return setValue(op.key, op.name, op.value);
    case RegOp::Kind::DeleteValue:
        return deleteValue(op.key, op.name);
    }
    return false;
}

std::string RegTree::format() const {
    std::string text = "REGEDIT4\r\n\r\n";
    for (const RegKey& key : m_keys) {
        text += "[";
        text += kRoot;
        if (!key.path.empty())
            text += "\\" + key.path;
        text += "]\r\n";
        for (const RegEntry& entry : key.values)
            text += formatValue(entry) + "\r\n";
        text += "\r\n";
    }
    return text;
}

} // namespace quarlo
