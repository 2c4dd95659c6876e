#include "archive/ZipBrowserModel.h"
#include "archive/ZipWizard.h"
#include "model/TQLApp.h"
#include "platform/SettingsStore.h"
#include "shell/TFormExtract.h"
#include "shell/UnzipEntry.h"
#include "support/Controls.h"
#include "support/GuiFixture.h"
#include "support/ModalDialog.h"
#include "support/ZipTestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <filesystem>
#include <stdexcept>

using namespace quarlo;
using namespace quarlo::test;
using shell::TFormExtract;

namespace {

struct Choice {
    QString folder; // typed; empty keeps what is shown
    bool usePaths = false;
    bool overwrite = false;
};

void unzipWith(TFormExtract& dialog, const Choice& choice) {
    if (!choice.folder.isEmpty())
        child<QLineEdit>(dialog, "edExtractTo").setText(choice.folder);
    child<QCheckBox>(dialog, "cbUsePaths").setChecked(choice.usePaths);
    child<QCheckBox>(dialog, "cbOverwrite").setChecked(choice.overwrite);
    QTest::mouseClick(&child<QPushButton>(dialog, "btnUnzip"), Qt::LeftButton);
}

} // namespace

class UnzipDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;
    std::unique_ptr<PromptRecorder> m_prompts;
    std::string m_archive;

    ZipBrowserModel& browser() { return m_home->engine().zipBrowser(); }
    SettingsStore& settings() { return m_home->app().settings(); }
    std::string out(const std::string& relative) { return m_home->path() + "out/" + relative; }
    QString folder() { return QString::fromStdString(out("")); }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_prompts = std::make_unique<PromptRecorder>();
        m_archive = m_home->path() + "zips/site.zip";
        QVERIFY(craftZip(m_archive, {{"d/one.txt", "1"}, {"two.txt", "2"}}));
        browser().openArchive(m_archive);
    }
    void cleanup() {
        m_prompts.reset();
        m_home.reset();
    }

    void allFilesWithPathsAndTheFolderRemembered() {
        QVERIFY(settings().writeBool(kSettingsKey, "Last Unzip Folder", true));
        whenDialogShown<TFormExtract>([&](TFormExtract& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Unzip"));
            QVERIFY(child<QRadioButton>(dialog, "rbAllFiles").isChecked());
            QVERIFY(!child<QPushButton>(dialog, "btnUnzip").isEnabled());
            child<QLineEdit>(dialog, "edExtractTo").setText(folder());
            QVERIFY(child<QPushButton>(dialog, "btnUnzip").isEnabled());
            unzipWith(dialog, {{}, true, false});
        });
        shell::openUnzipDialog(nullptr, m_home->engine(), {});
        QCOMPARE(readWholeFile(out("d/one.txt")), std::string("1"));
        QCOMPARE(readWholeFile(out("two.txt")), std::string("2"));
        QCOMPARE(settings().readText(kSettingsKey, "Unzip Folder", ""), out(""));
        QVERIFY(settings().readBool(kSettingsKey, "Extract Use Paths", false));

        // The next time starts in that folder; a selected entry is extracted alone, over
        // the file already there, without its path.
        makeFile(out("one.txt"), "mine");
        QVERIFY(browser().select(browser().currentArchive()->entries["d/one.txt"]));
        whenDialogShown<TFormExtract>([&](TFormExtract& dialog) {
            QCOMPARE(child<QLineEdit>(dialog, "edExtractTo").text(), folder());
            QVERIFY(child<QCheckBox>(dialog, "cbUsePaths").isChecked());
            QVERIFY(child<QRadioButton>(dialog, "rbSelectedFiles").isChecked());
            auto& tree = child<QTreeView>(dialog, "tvFolders");
            QVERIFY(tree.currentIndex().isValid());
            waitUntil(
                [&] {
                    return tree.viewport()->rect().contains(tree.visualRect(tree.currentIndex()));
                },
                2000);
            QVERIFY(dialog.grab().save(screenshotPath("dialog_unzip.png")));
            unzipWith(dialog, {{}, false, true});
        });
        shell::openUnzipDialog(nullptr, m_home->engine(), {});
        QCOMPARE(readWholeFile(out("one.txt")), std::string("1"));
        QVERIFY(!std::filesystem::exists(out("d/two.txt")));
        QVERIFY(settings().readBool(kSettingsKey, "Extract Overwrite", false));
    }

    void selectedRowsWithoutOverwritingAndNoFolderRemembered() {
        makeFile(out("two.txt"), "mine");
        whenDialogShown<TFormExtract>([&](TFormExtract& dialog) {
            QVERIFY(child<QRadioButton>(dialog, "rbSelectedFiles").isChecked());
            unzipWith(dialog, {folder(), false, false});
        });
        shell::openUnzipDialog(nullptr, m_home->engine(), {QStringLiteral("two.txt")});
        QCOMPARE(readWholeFile(out("two.txt")), std::string("mine"));
        QVERIFY(!std::filesystem::exists(out("one.txt")));
        QVERIFY(!std::filesystem::exists(out("d")));
        QCOMPARE(settings().readText(kSettingsKey, "Unzip Folder", "(none)"),
                 std::string("(none)"));

        whenDialogShown<TFormExtract>([&](TFormExtract& dialog) {
            QVERIFY(child<QLineEdit>(dialog, "edExtractTo").text().isEmpty());
        });
        shell::openUnzipDialog(nullptr, m_home->engine(), {});
    }

    void cancelStoresNothingAndTheTreeFillsTheFolder() {
        whenDialogShown<TFormExtract>([&](TFormExtract& dialog) {
            auto& tree = child<QTreeView>(dialog, "tvFolders");
            auto* model = qobject_cast<QFileSystemModel*>(tree.model());
            QVERIFY(model != nullptr);
            const QModelIndex zips = model->index(QString::fromStdString(m_home->path() + "zips"));
            QVERIFY(zips.isValid());
            emit tree.clicked(zips);
            QCOMPARE(child<QLineEdit>(dialog, "edExtractTo").text(),
                     QString::fromStdString(m_home->path() + "zips"));
            child<QCheckBox>(dialog, "cbOverwrite").setChecked(true);
            QTest::mouseClick(&child<QPushButton>(dialog, "btnCancel"), Qt::LeftButton);
        });
        shell::openUnzipDialog(nullptr, m_home->engine(), {});
        QVERIFY(!settings().readValue(kSettingsKey, "Extract Overwrite").has_value());
        QVERIFY(!std::filesystem::exists(m_home->path() + "zips/two.txt"));
    }
};

QTEST_MAIN(UnzipDialogTest)
#include "unzip_dialog_test.moc"
