#include "model/TQLApp.h"
#include "model/TQLProfile.h"
#include "platform/FileUtil.h"
#include "shell/ProfileDialogs.h"
#include "shell/TdlgSaveProfile.h"
#include "support/GuiFixture.h"
#include "support/ModalDialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace quarlo;
using namespace quarlo::test;
using shell::TdlgSaveProfile;

class ProfileDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;

    TQLProfile deepProfile() {
        TQLProfile profile = TQLProfile::defaults();
        profile.setDepth(4);
        profile.setFileTypes({".gif"});
        profile.setFilePath(m_home->path() + "task.qlt");
        return profile;
    }
    std::string readProfileFile(const std::string& name) {
        return readWholeFile(namedProfilePath(m_home->app(), name));
    }
    // Runs saveProfileAs, typing the name (when given) and pressing OK, or Cancel when the
    // name is empty; a refused name leaves the dialog open, and Cancel then closes it.
    std::optional<QString> saveAs(TQLProfile& profile, const QString& typed,
                                  QString* proposed = nullptr) {
        bool shown = false;
        whenModalShown(
            [&](QWidget& modal) {
                auto* dialog = qobject_cast<TdlgSaveProfile*>(&modal);
                QVERIFY(dialog != nullptr);
                if (proposed != nullptr)
                    *proposed = dialog->nameBox().text();
                if (typed.isEmpty()) {
                    QTest::mouseClick(&dialog->cancelButton(), Qt::LeftButton);
                    return;
                }
                dialog->nameBox().setText(typed);
                QTest::mouseClick(&dialog->okButton(), Qt::LeftButton);
                if (dialog->isVisible())
                    QTest::mouseClick(&dialog->cancelButton(), Qt::LeftButton);
            },
            &shown);
        auto saved = shell::saveProfileAs(nullptr, m_home->engine(), profile, "Site Copy");
        if (!shown)
            qWarning("the Save Profile dialog did not open");
        return saved;
    }

private slots:
    void init() { m_home = std::make_unique<ShellHome>(); }
    void cleanup() { m_home.reset(); }

    void savesUnderTheTypedName() {
        PromptRecorder prompts;
        TQLProfile profile = deepProfile();
        QString proposed;
        const auto saved = saveAs(profile, " Deep Images ", &proposed);
        QCOMPARE(proposed, QStringLiteral("Site Copy"));
        QCOMPARE(saved, std::optional<QString>("Deep Images"));
        QVERIFY(prompts.prompts().empty());
        QCOMPARE(profile.profileName(), std::string("Deep Images"));
        QCOMPARE(profile.filePath(), namedProfilePath(m_home->app(), "Deep Images"));
        const auto loaded = loadNamedProfile(m_home->app(), "Deep Images");
        QVERIFY(loaded.ok());
        QCOMPARE(loaded->depth(), 4);
        QCOMPARE(loaded->fileTypes(), std::vector<std::string>{".gif"});
    }

    void anExistingProfileIsReplacedOnlyAfterYes() {
        PromptRecorder prompts;
        TQLProfile first = TQLProfile::defaults();
        QVERIFY(saveAsNamedProfile(m_home->app(), first, "Site Copy").ok());
        const std::string original = readProfileFile("Site Copy");

        TQLProfile profile = deepProfile();
        const TQLProfile before = profile;
        prompts.setAnswer(false);
        QCOMPARE(saveAs(profile, "site copy"), std::nullopt);
        QCOMPARE(prompts.count(shell::Prompts::Kind::Question), 1);
        QCOMPARE(prompts.prompts().back().text,
                 QString::fromStdString(overwriteProfileQuestion("Site Copy")));
        QCOMPARE(readProfileFile("Site Copy"), original);
        QVERIFY(profile == before);

        // Yes replaces the listed file, not a second one that differs in case.
        prompts.setAnswer(true);
        QCOMPARE(saveAs(profile, "site copy"), std::optional<QString>("Site Copy"));
        QCOMPARE(namedProfiles(m_home->app()), std::vector<std::string>{"Site Copy"});
        QCOMPARE(loadNamedProfile(m_home->app(), "Site Copy")->depth(), 4);
    }

    void cancelAndRefusedNamesSaveNothing() {
        PromptRecorder prompts;
        TQLProfile profile = deepProfile();
        const TQLProfile before = profile;
        QCOMPARE(saveAs(profile, {}), std::nullopt);
        QCOMPARE(saveAs(profile, "../outside"), std::nullopt);
        QCOMPARE(prompts.count(shell::Prompts::Kind::Error), 1);
        QVERIFY(namedProfiles(m_home->app()).empty());
        QVERIFY(!fileExists(m_home->app().profilesFolder() + "../outside.qlp"));
        QVERIFY(profile == before);
    }

    void deleteAsksFirst() {
        PromptRecorder prompts;
        TQLProfile profile = TQLProfile::defaults();
        QVERIFY(saveAsNamedProfile(m_home->app(), profile, "Old Method").ok());

        prompts.setAnswer(false);
        QVERIFY(!shell::deleteProfile(nullptr, m_home->engine(), "Old Method"));
        QCOMPARE(prompts.prompts().back().text,
                 QStringLiteral("Are you sure you want to delete the profile: Old Method"));
        QVERIFY(fileExists(profile.filePath()));

        prompts.setAnswer(true);
        QVERIFY(shell::deleteProfile(nullptr, m_home->engine(), "Old Method"));
        QVERIFY(!fileExists(profile.filePath()));
        QVERIFY(namedProfiles(m_home->app()).empty());

        // The custom entry has no file to delete and is not asked about.
        const auto asked = prompts.prompts().size();
        QVERIFY(!shell::deleteProfile(nullptr, m_home->engine(), {}));
        QCOMPARE(prompts.prompts().size(), asked);
    }

    void saveDialogNeedsAName() {
        TdlgSaveProfile dialog(m_home->engine(), {});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Save Profile"));
        QVERIFY(!dialog.okButton().isEnabled());
        dialog.show();
        QTest::keyClicks(&dialog.nameBox(), "Images Only");
        QVERIFY(dialog.okButton().isEnabled());
        dialog.grab().save(screenshotPath("dialog_save_profile.png"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(namedProfiles(m_home->app()).empty());
    }
};

QTEST_MAIN(ProfileDialogsTest)
#include "profile_dialogs_test.moc"
