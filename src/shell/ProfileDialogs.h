#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quarlo {
class TQLProfile;
}

namespace quarlo::shell {

class ShellEngine;

// "Save Profile": asks for a name (the current one proposed) and saves the profile under it
// in the Profiles folder, asking before it replaces one. The saved name, or nothing when
// cancelled or refused (the reason shown).
std::optional<QString> saveProfileAs(QWidget* parent, ShellEngine& engine, TQLProfile& profile,
                                     const QString& proposedName);

// Asks whether to delete the named profile and deletes its file on Yes; true when deleted.
bool deleteProfile(QWidget* parent, ShellEngine& engine, const QString& name);

} // namespace quarlo::shell
