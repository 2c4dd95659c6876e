#include "archive/ZipBrowserModel.h"
#include "archive/ZipTexts.h"
#include "archive/ZipWizard.h"
#include "model/TQLApp.h"
#include "platform/SettingsStore.h"
#include "shell/DialogEntryPoints.h"
#include "shell/TwizFileZip.h"
#include "support/Controls.h"
#include "support/GuiFixture.h"
#include "support/ModalDialog.h"
#include "support/ZipTestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <stdexcept>

using namespace quarlo;
using namespace quarlo::test;
using shell::TwizFileZip;

namespace {

std::vector<std::string> sortedEntries(const std::string& archive) {
    std::vector<std::string> names = outsideEntryNames(archive);
    std::sort(names.begin(), names.end());
    return names;
}

// Answers the file dialogs with the same paths whatever is asked.
TwizFileZip::FileChooser answering(const QStringList& paths) {
    return [paths](TwizFileZip::FileDialog, const QString&) { return paths; };
}

} // namespace

class FileZipWizardTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;
    std::unique_ptr<PromptRecorder> m_prompts;
    std::string m_dir;

    ZipBrowserModel& browser() { return m_home->engine().zipBrowser(); }
    SettingsStore& settings() { return m_home->app().settings(); }
    QString path(const std::string& relative) { return QString::fromStdString(m_dir + relative); }
    std::string contentOf(const std::string& archive, const std::string& entry) {
        const std::string out = m_dir + "check/";
        browser().openArchive(archive);
        browser().extractTo(out, {entry}, false, ZipOverwrite::xowAlways);
        return readWholeFile(out + entry);
    }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_prompts = std::make_unique<PromptRecorder>();
        m_dir = m_home->path() + "work/";
        makeFile(m_dir + "site/index.html", "<p>index</p>");
        makeFile(m_dir + "site/img/a.gif", "GIF89a");
        makeFile(m_dir + "other.txt", "other v1", 1500000000);
    }
    void cleanup() {
        m_prompts.reset();
        m_home.reset();
    }

    void pagesNameCheckAndScreenshots() {
        ZipWizard wizard(settings(), "");
        wizard.presetDropped({m_dir + "site", m_dir + "other.txt"});
        TwizFileZip dialog(wizard, browser());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto& name = child<QLineEdit>(dialog, "edFilename");
        auto& nextButton = child<QPushButton>(dialog, "btnNext");
        QVERIFY(name.text().endsWith('/'));
        QVERIFY(!child<QPushButton>(dialog, "btnBack").isEnabled());
        QCOMPARE(nextButton.text(), QStringLiteral("&Next >"));

        name.setText(path("backup/site"));
        QVERIFY(dialog.grab().save(screenshotPath("dialog_file_zip_wizard_1.png")));
        click(dialog, "btnNext");
        QCOMPARE(dialog.page(), 2);
        QCOMPARE(name.text(), path("backup/site.zip"));
        QVERIFY(child<QPushButton>(dialog, "btnBack").isEnabled());
        QVERIFY(dialog.grab().save(screenshotPath("dialog_file_zip_wizard_2.png")));
        click(dialog, "btnNext");
        QCOMPARE(dialog.page(), 3);
        QCOMPARE(nextButton.text(), QStringLiteral("&Finish"));
        child<QSlider>(dialog, "tbCompression").setValue(7);
        QVERIFY(dialog.grab().save(screenshotPath("dialog_file_zip_wizard_3.png")));

        click(dialog, "btnBack");
        click(dialog, "btnBack");
        QCOMPARE(dialog.page(), 1);
        name.setText(QStringLiteral(".zip"));
        click(dialog, "btnNext");
        QCOMPARE(dialog.page(), 1);
        QCOMPARE(m_prompts->count(shell::Prompts::Kind::Error), 1);
        const QString refused = m_prompts->prompts().back().text;
        QCOMPARE(refused, QString::fromStdString(zipUiText(736) + "\n" + zipUiText(737)));
        QVERIFY(dialog.isVisible());
        QVERIFY(!settings().readValue(kSettingsKey, "Compression").has_value());
    }

    void droppedFilesFillTheListAndAFolderTicksRecurse() {
        ZipWizard wizard(settings(), "");
        wizard.presetDropped({m_dir + "site", m_dir + "other.txt"});
        TwizFileZip dialog(wizard, browser());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("File Zip Wizard - 2 files dropped."));
        auto& list = child<QTreeWidget>(dialog, "lvFiles");
        QCOMPARE(list.topLevelItemCount(), 2);
        QCOMPARE(list.topLevelItem(0)->text(0), QStringLiteral("other.txt"));
        QCOMPARE(list.topLevelItem(0)->text(1), path(""));
        QCOMPARE(list.topLevelItem(1)->text(0), QString());
        QCOMPARE(list.topLevelItem(1)->text(1), path("site/"));
        auto& recurse = child<QCheckBox>(dialog, "cbRecurse");
        QVERIFY(!recurse.isHidden());
        QVERIFY(recurse.isChecked());

        list.topLevelItem(0)->setSelected(true);
        click(dialog, "btnRemove");
        QCOMPARE(list.topLevelItemCount(), 1);
        QCOMPARE(list.topLevelItem(0)->text(1), path("site/"));

        ZipWizard plain(settings(), "");
        QCOMPARE(TwizFileZip(plain, browser()).windowTitle(), QStringLiteral("File Zip Wizard"));
        ZipWizard single(settings(), "");
        single.presetDropped({m_dir + "other.txt"});
        TwizFileZip one(single, browser());
        QCOMPARE(one.windowTitle(), QStringLiteral("File Zip Wizard - 1 file dropped."));
        QVERIFY(child<QCheckBox>(one, "cbRecurse").isHidden());
    }

    void finishAddsWithTheChosenAction() {
        const std::string archive = m_dir + "backup/site.zip";
        whenDialogShown<TwizFileZip>([&](TwizFileZip& wizard) {
            child<QLineEdit>(wizard, "edFilename").setText(path("backup/site"));
            click(wizard, "btnNext");
            QVERIFY(child<QCheckBox>(wizard, "cbRecurse").isChecked());
            click(wizard, "btnNext");
            child<QSlider>(wizard, "tbCompression").setValue(9);
            click(wizard, "btnNext");
        });
        shell::openFileZipWizard(nullptr, m_home->engine(), {path("site"), path("other.txt")});
        QCOMPARE(sortedEntries(archive),
                 (std::vector<std::string>{"a.gif", "index.html", "other.txt"}));
        QVERIFY(archiveTestsSound(archive));
        QVERIFY(browser().findArchive(archive) != nullptr);
        QCOMPARE(settings().readInt(kSettingsKey, "Compression", -1), 9);

        // Freshen replaces what the archive holds and adds nothing new.
        makeFile(m_dir + "other.txt", "other v2", 1500000100);
        makeFile(m_dir + "new.txt", "new");
        whenDialogShown<TwizFileZip>([&](TwizFileZip& wizard) {
            wizard.setFileChooser(answering({QString::fromStdString(archive)}));
            click(wizard, "btnOpenZip");
            auto& freshen = child<QRadioButton>(wizard, "rbFreshen");
            QVERIFY(freshen.isEnabled());
            freshen.setChecked(true);
            click(wizard, "btnNext");
            wizard.setFileChooser(answering({path("other.txt"), path("new.txt")}));
            click(wizard, "btnAdd");
            QCOMPARE(child<QTreeWidget>(wizard, "lvFiles").topLevelItemCount(), 2);
            click(wizard, "btnNext");
            click(wizard, "btnNext");
        });
        shell::openFileZipWizard(nullptr, m_home->engine(), {});
        QCOMPARE(settings().readInt(kSettingsKey, "Action", -1), 1);
        QCOMPARE(sortedEntries(archive),
                 (std::vector<std::string>{"a.gif", "index.html", "other.txt"}));
        QCOMPARE(contentOf(archive, "other.txt"), std::string("other v2"));
    }

    void anExistingFileIsReplacedOnlyByFinish() {
        const std::string archive = m_dir + "kept.zip";
        QVERIFY(craftZip(archive, {{"old.txt", "old"}}));
        QVERIFY(settings().writeInt(kSettingsKey, "Action", 2));
        whenDialogShown<TwizFileZip>([&](TwizFileZip& wizard) {
            wizard.setFileChooser(answering({QString::fromStdString(archive)}));
            click(wizard, "btnNewZip");
            QCOMPARE(child<QLineEdit>(wizard, "edFilename").text(),
                     QString::fromStdString(archive));
            QVERIFY(child<QRadioButton>(wizard, "rbAddReplace").isChecked());
            QVERIFY(!child<QRadioButton>(wizard, "rbUpdate").isEnabled());
            QCOMPARE(outsideEntryNames(archive), std::vector<std::string>{"old.txt"});
            click(wizard, "btnNext");
            click(wizard, "btnCancel");
        });
        shell::openFileZipWizard(nullptr, m_home->engine(), {path("other.txt")});
        QCOMPARE(outsideEntryNames(archive), std::vector<std::string>{"old.txt"});
        QVERIFY(browser().archives().empty());
        QCOMPARE(settings().readInt(kSettingsKey, "Action", -1), 2);
        QVERIFY(!settings().readValue(kSettingsKey, "Compression").has_value());

        whenDialogShown<TwizFileZip>([&](TwizFileZip& wizard) {
            wizard.setFileChooser(answering({QString::fromStdString(archive)}));
            click(wizard, "btnNewZip");
            for (int page = 1; page <= 3; ++page)
                click(wizard, "btnNext");
        });
        shell::openFileZipWizard(nullptr, m_home->engine(), {path("other.txt")});
        QCOMPARE(outsideEntryNames(archive), std::vector<std::string>{"other.txt"});
        QCOMPARE(settings().readInt(kSettingsKey, "Action", -1), 0);
    }
};

QTEST_MAIN(FileZipWizardTest)
#include "file_zip_wizard_test.moc"
