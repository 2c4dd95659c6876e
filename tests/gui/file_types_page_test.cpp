#include "html/FileTypes.h"
#include "model/TQLProfile.h"
#include "shell/FileTypesPage.h"
#include "shell/TdlgEditFileType.h"
#include "support/GuiFixture.h"
#include "support/ModalDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace quarlo;
using namespace quarlo::test;
using shell::FileTypesPage;
using shell::TdlgEditFileType;

using Types = std::vector<std::string>;

class FileTypesPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;

    FileTypes table() { return FileTypes(m_home->app().settings()); }
    static TQLProfile profileWith(const Types& types) {
        TQLProfile profile = TQLProfile::defaults();
        profile.setFileTypes(types);
        return profile;
    }
    static Types stored(const FileTypesPage& page) {
        TQLProfile profile = TQLProfile::defaults();
        page.store(profile);
        return profile.fileTypes();
    }
    // What a click on the item's check box does: the view toggles it on Space.
    static void toggle(FileTypesPage& page, QTreeWidgetItem* item) {
        QVERIFY(item != nullptr);
        page.tree().setCurrentItem(item);
        QTest::keyClick(&page.tree(), Qt::Key_Space);
    }
    // The box's click area is its mark and text, at its left end.
    static void clickAll(FileTypesPage& page) {
        QCheckBox& box = page.allBox();
        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.height() / 2, box.height() / 2));
    }
    // Opens the file type dialog with the button, fills it and presses OK (or Cancel).
    static void fillFileTypeDialog(QPushButton& button, const QString& name,
                                   const QString& extensions, bool ok, QString* caption = nullptr,
                                   QString* shownExtensions = nullptr) {
        bool seen = false;
        whenModalShown(
            [&](QWidget& modal) {
                auto* dialog = qobject_cast<TdlgEditFileType*>(&modal);
                QVERIFY(dialog != nullptr);
                if (caption != nullptr)
                    *caption = dialog->windowTitle();
                if (shownExtensions != nullptr)
                    *shownExtensions = dialog->extensionsBox().text();
                dialog->fileTypeBox().setText(name);
                dialog->extensionsBox().setText(extensions);
                QTest::mouseClick(ok ? &dialog->okButton() : &dialog->cancelButton(),
                                  Qt::LeftButton);
            },
            &seen);
        QTest::mouseClick(&button, Qt::LeftButton);
        QVERIFY(seen);
    }

private slots:
    void init() { m_home = std::make_unique<ShellHome>(); }
    void cleanup() { m_home.reset(); }

    void loadShowsTheProfileWithoutReportingAChange() {
        FileTypesPage page(m_home->engine());
        QSignalSpy changed(&page, &FileTypesPage::changed);
        page.load(profileWith({".gif", ".JPG"}));
        QCOMPARE(changed.count(), 0);
        QVERIFY(!page.allBox().isChecked());
        QVERIFY(page.tree().isEnabled());
        QCOMPARE(page.tree().topLevelItem(0)->text(0), QStringLiteral("HTML"));
        QCOMPARE(page.itemOf("HTML")->checkState(0), Qt::Unchecked);
        QCOMPARE(page.itemOf("Images")->checkState(0), Qt::PartiallyChecked);
        QCOMPARE(page.itemOf("Images", ".jpg")->checkState(0), Qt::Checked);
        QCOMPARE(page.itemOf("Images", ".png")->checkState(0), Qt::Unchecked);
        QCOMPARE(stored(page), (Types{".gif", ".jpg"}));

        page.load(profileWith({}));
        QCOMPARE(changed.count(), 0);
        QVERIFY(page.allBox().isChecked());
        QVERIFY(!page.tree().isEnabled());
        QVERIFY(stored(page).empty());
        page.grab().save(screenshotPath("page_file_types_all.png"));
    }

    void tickingTypesAndGroupsIsAChange() {
        FileTypesPage page(m_home->engine());
        page.resize(420, 360);
        page.load(profileWith({".gif"}));
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QSignalSpy changed(&page, &FileTypesPage::changed);

        toggle(page, page.itemOf("Audio", ".mp3"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(page.itemOf("Audio")->checkState(0), Qt::PartiallyChecked);
        QCOMPARE(stored(page), (Types{".gif", ".mp3"}));

        // A group sets all of its extensions alike; once more clears them.
        toggle(page, page.itemOf("Images"));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(page.itemOf("Images")->checkState(0), Qt::Checked);
        QCOMPARE(page.itemOf("Images", ".svg")->checkState(0), Qt::Checked);
        toggle(page, page.itemOf("Images"));
        QCOMPARE(page.itemOf("Images")->checkState(0), Qt::Unchecked);
        QCOMPARE(stored(page), (Types{".mp3"}));

        // The last extension of a group ticked makes the group whole.
        toggle(page, page.itemOf("Audio"));
        toggle(page, page.itemOf("Audio", ".wav"));
        QCOMPARE(page.itemOf("Audio")->checkState(0), Qt::PartiallyChecked);
        toggle(page, page.itemOf("Audio", ".wav"));
        QCOMPARE(page.itemOf("Audio")->checkState(0), Qt::Checked);
        page.grab().save(screenshotPath("page_file_types.png"));

        // "All" stores the empty list and disables the tree; the ticks come back after.
        const Types ticked = stored(page);
        const int before = changed.count();
        clickAll(page);
        QCOMPARE(changed.count(), before + 1);
        QVERIFY(!page.tree().isEnabled());
        QVERIFY(stored(page).empty());
        clickAll(page);
        QVERIFY(page.tree().isEnabled());
        QCOMPARE(stored(page), ticked);
    }

    void builtInTypesCannotBeDeletedOthersAfterAQuestion() {
        PromptRecorder prompts;
        FileTypesPage page(m_home->engine());
        page.load(profileWith({".mp3", ".wav"}));
        QSignalSpy changed(&page, &FileTypesPage::changed);
        for (const auto& [group, extension] :
             {std::pair{"HTML", ""}, {"HTML", ".shtml"}, {"Images", ""}, {"Images", ".jpeg"}}) {
            page.tree().setCurrentItem(page.itemOf(group, extension));
            QVERIFY2(!page.deleteButton().isEnabled(), group);
            QVERIFY(page.editButton().isEnabled());
        }
        page.tree().setCurrentItem(page.itemOf("Images", ".png"));
        QVERIFY(page.deleteButton().isEnabled());

        page.tree().setCurrentItem(page.itemOf("Audio", ".mp3"));
        prompts.setAnswer(false);
        QTest::mouseClick(&page.deleteButton(), Qt::LeftButton);
        QCOMPARE(prompts.count(shell::Prompts::Kind::Question), 1);
        QVERIFY(prompts.prompts().back().text.contains(".mp3"));
        QVERIFY(table().extensionsOf("Audio").starts_with(".mp3;"));
        QCOMPARE(changed.count(), 0);

        prompts.setAnswer(true);
        QTest::mouseClick(&page.deleteButton(), Qt::LeftButton);
        QVERIFY(table().extensionsOf("Audio").starts_with(".wav;"));
        QVERIFY(page.itemOf("Audio", ".mp3") == nullptr);
        QCOMPARE(page.tree().currentItem(), page.itemOf("Audio"));
        // The deleted type was ticked, so the profile's list changed.
        QCOMPARE(changed.count(), 1);
        QCOMPARE(stored(page), (Types{".wav"}));

        QTest::mouseClick(&page.deleteButton(), Qt::LeftButton);
        QVERIFY(prompts.prompts().back().text.contains("Audio"));
        QVERIFY(page.itemOf("Audio") == nullptr);
        QVERIFY(table().extensionsOf("Audio").empty());
        QCOMPARE(prompts.count(shell::Prompts::Kind::Error), 0);
    }

    void newAndEditOpenTheFileTypeDialogAndRebuildTheTree() {
        PromptRecorder prompts;
        FileTypesPage page(m_home->engine());
        page.load(profileWith({".ogg"}));
        QSignalSpy changed(&page, &FileTypesPage::changed);

        QString caption;
        fillFileTypeDialog(page.newButton(), "Fonts", ".TTF;woff", true, &caption);
        QCOMPARE(caption, QStringLiteral("New File Type"));
        QCOMPARE(table().extensionsOf("Fonts"), std::string(".ttf;.woff;"));
        QVERIFY(page.itemOf("Fonts", ".woff") != nullptr);
        QCOMPARE(page.tree().currentItem(), page.itemOf("Fonts"));
        QCOMPARE(changed.count(), 0); // the profile's list is the same

        // Edit from an extension opens its group.
        page.tree().setCurrentItem(page.itemOf("Audio", ".ogg"));
        QString shown;
        fillFileTypeDialog(page.editButton(), "Audio", ".ogg;.opus", true, &caption, &shown);
        QCOMPARE(caption, QStringLiteral("Edit File Type"));
        QVERIFY(shown.startsWith(".mp3;.wav;.ogg;"));
        QCOMPARE(page.itemOf("Audio")->childCount(), 2);
        QCOMPARE(page.itemOf("Audio")->checkState(0), Qt::PartiallyChecked);

        fillFileTypeDialog(page.editButton(), "Sound", "", false);
        QVERIFY(page.itemOf("Sound") == nullptr);
        QCOMPARE(table().extensionsOf("Audio"), std::string(".ogg;.opus;"));
        QCOMPARE(stored(page), (Types{".ogg"}));
    }

    void fileTypeDialogWritesTheTable() {
        PromptRecorder prompts;
        TdlgEditFileType added(m_home->engine(), {});
        QCOMPARE(added.windowTitle(), QStringLiteral("New File Type"));
        QVERIFY(!added.okButton().isEnabled());
        added.fileTypeBox().setText("Sound");
        added.extensionsBox().setText(".mp3;.wav");
        QVERIFY(added.okButton().isEnabled());
        added.show();
        added.grab().save(screenshotPath("dialog_new_file_type.png"));
        QTest::mouseClick(&added.okButton(), Qt::LeftButton);
        QCOMPARE(added.result(), int(QDialog::Accepted));
        QCOMPARE(table().extensionsOf("Sound"), std::string(".mp3;.wav;"));

        TdlgEditFileType edited(m_home->engine(), "Sound");
        QCOMPARE(edited.windowTitle(), QStringLiteral("Edit File Type"));
        QCOMPARE(edited.fileTypeBox().text(), QStringLiteral("Sound"));
        QCOMPARE(edited.extensionsBox().text(), QStringLiteral(".mp3;.wav;"));
        edited.show();
        edited.grab().save(screenshotPath("dialog_edit_file_type.png"));
        edited.extensionsBox().setText(".aiff");
        QTest::keyClick(&edited, Qt::Key_Escape);
        QCOMPARE(edited.result(), int(QDialog::Rejected));
        QCOMPARE(table().extensionsOf("Sound"), std::string(".mp3;.wav;"));

        // A name the table cannot hold is refused and the dialog stays open.
        TdlgEditFileType broken(m_home->engine(), {});
        broken.show();
        broken.fileTypeBox().setText(QStringLiteral("Tab\tName"));
        QTest::mouseClick(&broken.okButton(), Qt::LeftButton);
        QCOMPARE(prompts.count(shell::Prompts::Kind::Error), 1);
        QVERIFY(broken.isVisible());
    }
};

QTEST_MAIN(FileTypesPageTest)
#include "file_types_page_test.moc"
