#include "shell/ProfileDialogs.h"

#include "model/TQLApp.h"
#include "model/TQLProfile.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"
#include "shell/TdlgSaveProfile.h"

namespace quarlo::shell {

std::optional<QString> saveProfileAs(QWidget* parent, ShellEngine& engine, TQLProfile& profile,
                                     const QString& proposedName) {
    TdlgSaveProfile dialog(engine, proposedName, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const ProfileSaveTarget& target = dialog.target();
    if (target.exists &&
        !Prompts::askYesNo(parent, QString::fromStdString(overwriteProfileQuestion(target.name))))
        return std::nullopt;
    // The caller's profile keeps its name and path unless the file was written.
    TQLProfile saved = profile;
    if (Status written = saveAsNamedProfile(engine.app(), saved, target.name); !written) {
        Prompts::error(parent, QString::fromStdString(written.message()));
        return std::nullopt;
    }
    profile = saved;
    return QString::fromStdString(target.name);
}

bool deleteProfile(QWidget* parent, ShellEngine& engine, const QString& name) {
    if (name.isEmpty())
        return false;
    if (!Prompts::askYesNo(parent,
                           QString::fromStdString(deleteProfileQuestion(name.toStdString()))))
        return false;
    if (Status deleted = deleteNamedProfile(engine.app(), name.toStdString()); !deleted) {
        Prompts::error(parent, QString::fromStdString(deleted.message()));
        return false;
    }
    return true;
}

} // namespace quarlo::shell
