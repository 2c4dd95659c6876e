#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// The values the program keeps in its settings store, with the type each is written as.
// Front ends use it to write a known value with its own type and to list what is known.
struct KnownSetting {
    enum class Type { Integer, Boolean, Text };
    std::string_view key; // key path relative to HKEY_CURRENT_USER
    std::string_view name;
    Type type;
    std::string_view description;
};

const std::vector<KnownSetting>& knownSettings();
// Finds a value by name (without regard to case); the "Settings" key is searched first.
std::optional<KnownSetting> findKnownSetting(std::string_view name);

} // namespace quarlo
