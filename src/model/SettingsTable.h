#pragma once

#include "platform/SettingsStore.h"

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

// A value that holds a credential ("Proxy Authorization", or any value whose name speaks of a
// password, an authorization, a secret or a token): front ends never print it.
bool isSecretSetting(std::string_view name);
// How a secret is shown instead of its text: "(set)", or "(none)" when it is empty.
std::string maskedSecret(std::string_view value);
// The same for a stored value: a number always counts as set.
std::string maskedSecret(const RegValue& value);

} // namespace quarlo
