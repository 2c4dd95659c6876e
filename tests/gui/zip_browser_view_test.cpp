#include "archive/ZipBrowserModel.h"
#include "archive/ZipTexts.h"
#include "platform/FileUtil.h"
#include "platform/Trash.h"
#include "shell/ShellHooks.h"
#include "shell/TFormZip.h"
#include "support/CommandRecorder.h"
#include "support/GuiFixture.h"
#include "support/ZipTestFiles.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

using namespace quarlo;
using namespace quarlo::test;
using quarlo::shell::Prompts;
using quarlo::shell::TFormZip;

namespace {

QStringList topLevelTexts(QTreeWidget* tree) {
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts << tree->topLevelItem(i)->text(0);
    return texts;
}

QStringList childTexts(QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; item != nullptr && i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

QStringList columnTexts(QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

QTreeWidgetItem* rowNamed(QTreeWidget* list, const QString& name) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(0) == name)
            return list->topLevelItem(i);
    return nullptr;
}

void doubleClickRow(QTreeWidget* list, QTreeWidgetItem* row) {
    const QPoint at = list->visualItemRect(row).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// The files below a folder, as paths relative to it.
QStringList filesBelow(const std::string& folder) {
    QStringList files;
    if (!std::filesystem::exists(folder))
        return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files << QString::fromStdString(
                std::filesystem::relative(entry.path(), folder).generic_string());
    files.sort();
    return files;
}

// Types a name into the tree's open editor and presses Enter.
void typeName(TFormZip& view, const QString& name) {
    auto* editor = view.tree()->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr && editor->isVisible());
    editor->selectAll();
    QTest::keyClicks(editor, name);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(20);
}

// The view shown and active, so that its trees and list can take the focus.
struct ShownView {
    explicit ShownView(ShellHome& home) : view(home.engine(), commands) {
        view.resize(900, 300);
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
    }
    CommandRecorder commands;
    TFormZip view;
};

} // namespace

class ZipBrowserViewTest : public QObject {
    Q_OBJECT
private slots:
    void openingTwiceSelectsAndTheListSortsByValue();
    void deletingRowsAndNodesPrunesTheTree();
    void entriesWithoutSizeShowTheEntryCount();
    void browsingAGifExtractsItAloneAndAPageUnpacksOnce();
    void anotherArchiveIsRefusedWhileTheTimerAdds();
    void replaceAnswersReachTheExtraction();
    void renameInPlaceKeepsTheOldNameOnFailure();
    void namesReadDecodedAndColumnsFitUnlessTheUserSizedThem();
};

void ZipBrowserViewTest::openingTwiceSelectsAndTheListSortsByValue() {
    ShellHome home;
    const std::string first = home.path() + "zips/first.zip";
    const std::string second = home.path() + "zips/second.zip";
    QVERIFY(craftZip(first, {{"site/a.html", std::string(9, 'a')},
                             {"site/img/b.gif", std::string(100, 'b')},
                             {"site/c.txt", std::string(10, 'c')}}));
    QVERIFY(craftZip(second, {{"x.txt", "x"}}));
    ShownView shown(home);
    TFormZip& view = shown.view;
    QCOMPARE(view.objectName(), QStringLiteral("TFormZip"));

    ZipBrowserModel& model = view.model();
    model.openArchive(first);
    model.openArchive(second);
    QCOMPARE(topLevelTexts(view.tree()), (QStringList{"first.zip", "second.zip"}));
    QTreeWidgetItem* firstItem = view.tree()->topLevelItem(0);
    QCOMPARE(childTexts(firstItem), QStringList{"site"});
    QCOMPARE(childTexts(firstItem->child(0)), (QStringList{"a.html", "img", "c.txt"}));
    QCOMPARE(childTexts(firstItem->child(0)->child(1)), QStringList{"b.gif"});

    model.openArchive(first);
    QCOMPARE(view.tree()->topLevelItemCount(), 2);
    QCOMPARE(view.tree()->currentItem(), firstItem);
    QCOMPARE(model.currentArchive()->archivePath, first);
    // The Pages tab lists the archive's HTML pages.
    QCOMPARE(topLevelTexts(view.pagesTree()), QStringList{"a.html"});

    QTreeWidget* list = view.list();
    QCOMPARE(list->columnCount(), 6);
    QStringList headers;
    for (int c = 0; c < 6; ++c)
        headers << list->headerItem()->text(c);
    QCOMPARE(headers, (QStringList{"Name", "Size", "Packed", "Ratio", "Modified", "Path"}));
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(columnTexts(list, 0), (QStringList{"a.html", "b.gif", "c.txt"}));
    QCOMPARE(columnTexts(list, 5), (QStringList{"site/", "site/img/", "site/"}));
    // Sizes sort as numbers, and a second click turns the order round.
    QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {},
                      QPoint(list->header()->sectionViewportPosition(1) + 5, 5));
    QCOMPARE(columnTexts(list, 1), (QStringList{"9", "10", "100"}));
    QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {},
                      QPoint(list->header()->sectionViewportPosition(1) + 5, 5));
    QCOMPARE(columnTexts(list, 1), (QStringList{"100", "10", "9"}));
    QVERIFY(view.summaryText().startsWith(QStringLiteral("Total: 3 files  119 / 119 bytes")));
    // The selection's sizes follow the rows picked, whatever their order on show.
    rowNamed(list, "a.html")->setSelected(true);
    rowNamed(list, "b.gif")->setSelected(true);
    QCOMPARE(view.selectionText(), QStringLiteral("Selected 2 files  109 / 109 bytes"));

    firstItem->setExpanded(true);
    firstItem->child(0)->setExpanded(true);
    view.grab().save(screenshotPath(QStringLiteral("zip_browser_view.png")));
}

void ZipBrowserViewTest::deletingRowsAndNodesPrunesTheTree() {
    ShellHome home;
    PromptRecorder prompts;
    const std::string archive = home.path() + "zips/site.zip";
    QVERIFY(craftZip(archive, {{"host/index.html", "<html></html>"},
                               {"host/img/logo.gif", "GIF89a"},
                               {"host/img/dot.gif", "GIF89a"},
                               {"readme.txt", "read me"}}));
    ShownView shown(home);
    TFormZip& view = shown.view;
    ZipBrowserModel& model = view.model();
    ZipNode* root = model.openArchive(archive);
    QTreeWidgetItem* rootItem = view.itemOf(root);
    QTreeWidgetItem* host = rootItem->child(0);
    QTreeWidgetItem* img = host->child(1);
    QCOMPARE(img->text(0), QStringLiteral("img"));

    // Rows of the list go without a question; the emptied folder goes with its last file.
    QVERIFY(model.select(root->archive->folders.at("host/img/")));
    QCOMPARE(columnTexts(view.list(), 0), (QStringList{"logo.gif", "dot.gif"}));
    view.list()->setFocus();
    QVERIFY(view.commandsEnabled());
    view.list()->selectAll();
    view.deleteSelection();
    QVERIFY(prompts.prompts().empty());
    QCOMPARE(childTexts(host), QStringList{"index.html"});
    QCOMPARE(outsideEntryNames(archive),
             (std::vector<std::string>{"host/index.html", "readme.txt"}));

    // A tree node asks first; No keeps it, Yes deletes it and the archive node stays.
    view.tree()->setCurrentItem(host->child(0));
    QCOMPARE(model.selected()->text, std::string("index.html"));
    view.tree()->setFocus();
    prompts.setAnswer(false);
    view.deleteSelection();
    QCOMPARE(prompts.count(Prompts::Kind::Question), 1);
    QCOMPARE(prompts.prompts().back().text,
             QString::fromStdString(zipUiText(701) + "index.html" + zipUiText(702)));
    QCOMPARE(outsideEntryNames(archive).size(), 2u);
    prompts.setAnswer(true);
    view.tree()->setFocus();
    view.deleteSelection();
    QCOMPARE(outsideEntryNames(archive), std::vector<std::string>{"readme.txt"});
    QCOMPARE(topLevelTexts(view.tree()), QStringList{"site.zip"});
    QCOMPARE(childTexts(view.tree()->topLevelItem(0)), QStringList{"readme.txt"});

    // The archive node sends the file to the trash and closes the archive.
    view.tree()->setCurrentItem(view.tree()->topLevelItem(0));
    view.tree()->setFocus();
    view.deleteSelection();
    QVERIFY(!fileExists(archive));
    QVERIFY(fileExists(trashFolderOf(home.app().folders()) + "files/site.zip"));
    QCOMPARE(view.tree()->topLevelItemCount(), 0);
    QCOMPARE(view.list()->topLevelItemCount(), 0);
}

void ZipBrowserViewTest::entriesWithoutSizeShowTheEntryCount() {
    ShellHome home;
    const std::string archive = home.path() + "zips/empty.zip";
    QVERIFY(craftZip(archive, {{"a.txt", ""}, {"b.txt", ""}, {"c/d.txt", ""}}));
    ShownView shown(home);
    shown.view.model().openArchive(archive);
    QCOMPARE(shown.view.summaryText(), QStringLiteral("Total: 3 files  "));
    shown.view.list()->topLevelItem(0)->setSelected(true);
    QCOMPARE(shown.view.selectionText(), QStringLiteral("Selected 1 files "));
}

void ZipBrowserViewTest::browsingAGifExtractsItAloneAndAPageUnpacksOnce() {
    ShellHome home;
    const std::string archive = home.path() + "zips/site.zip";
    QVERIFY(craftZip(archive, {{"host/index.html", "<html>home</html>"},
                               {"host/logo.gif", "GIF89a"},
                               {"host/notes.txt", "notes"}}));
    ShownView shown(home);
    TFormZip& view = shown.view;
    QSignalSpy browsed(&home.engine().hooks(), &shell::ShellHooks::browserRequested);
    view.model().openArchive(archive);
    const std::string temp = withTrailingSlash(home.app().tempFolder());

    doubleClickRow(view.list(), rowNamed(view.list(), "logo.gif"));
    QVERIFY(browsed.wait());
    QCOMPARE(browsed.last().at(0).toString(), QString::fromStdString(temp + "host/logo.gif"));
    QCOMPARE(filesBelow(temp), QStringList{"host/logo.gif"});

    doubleClickRow(view.list(), rowNamed(view.list(), "index.html"));
    QVERIFY(waitUntil([&] { return browsed.size() == 2; }));
    QCOMPARE(browsed.last().at(0).toString(), QString::fromStdString(temp + "host/index.html"));
    QCOMPARE(filesBelow(temp), (QStringList{"host/index.html", "host/logo.gif", "host/notes.txt"}));
    // Once unpacked, a page does not unpack the archive again.
    std::filesystem::remove(temp + "host/notes.txt");
    doubleClickRow(view.list(), rowNamed(view.list(), "index.html"));
    QVERIFY(waitUntil([&] { return browsed.size() == 3; }));
    QVERIFY(!fileExists(temp + "host/notes.txt"));
}

void ZipBrowserViewTest::anotherArchiveIsRefusedWhileTheTimerAdds() {
    ShellHome home;
    const std::string first = home.path() + "zips/first.zip";
    const std::string second = home.path() + "zips/second.zip";
    QVERIFY(craftZip(first, {{"f.txt", "f"}}));
    QVERIFY(craftZip(second, {{"s/one.txt", "1"}, {"s/two.txt", "2"}}));
    ShownView shown(home);
    TFormZip& view = shown.view;
    ZipBrowserModel& model = view.model();
    model.openArchive(first);
    ZipNode* secondRoot = model.openArchive(second);
    QTreeWidgetItem* firstItem = view.tree()->topLevelItem(0);
    QTreeWidgetItem* secondItem = view.itemOf(secondRoot);
    auto click = [&](QTreeWidgetItem* item) {
        QTest::mouseClick(view.tree()->viewport(), Qt::LeftButton, {},
                          view.tree()->visualItemRect(item).center());
        QTest::qWait(20);
    };

    model.setTimerAdding(true);
    click(firstItem);
    QCOMPARE(model.selected(), secondRoot);
    QCOMPARE(view.tree()->currentItem(), secondItem);
    QCOMPARE(columnTexts(view.list(), 0), (QStringList{"one.txt", "two.txt"}));
    // Within the archive being added to, the selection may move.
    secondItem->setExpanded(true);
    click(secondItem->child(0));
    QCOMPARE(model.selected(), secondRoot->children.front().get());

    model.setTimerAdding(false);
    click(firstItem);
    QCOMPARE(model.selected()->archive->archivePath, first);
    QCOMPARE(columnTexts(view.list(), 0), QStringList{"f.txt"});
}

void ZipBrowserViewTest::replaceAnswersReachTheExtraction() {
    ShellHome home;
    const std::string archive = home.path() + "zips/site.zip";
    QVERIFY(craftZip(archive, {{"a.txt", "new a"}, {"b.txt", "new b"}, {"c.txt", "new c"}}));
    const std::string target = home.path() + "out/";
    auto prepareTarget = [&] {
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            makeFile(target + name, "old");
    };
    ShownView shown(home);
    ZipBrowserModel& model = shown.view.model();
    model.openArchive(archive);
    QStringList questions;
    Prompts::Choice answer = Prompts::Choice::No;
    Prompts::setChoiceHandler([&](const QString& text) {
        questions << text;
        return answer;
    });
    auto extract = [&](Prompts::Choice choice) {
        prepareTarget();
        questions.clear();
        answer = choice;
        model.extractTo(target, {"*.*"}, false, ZipOverwrite::xowAsk);
        QStringList contents;
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            contents << QString::fromStdString(readWholeFile(target + name));
        return contents;
    };

    QCOMPARE(extract(Prompts::Choice::No), (QStringList{"old", "old", "old"}));
    QCOMPARE(questions.size(), 3);
    QCOMPARE(questions.front(),
             QString::fromStdString(zipReplaceQuestion(target + "a.txt", "a.txt")));
    QCOMPARE(extract(Prompts::Choice::Yes), (QStringList{"new a", "new b", "new c"}));
    QCOMPARE(questions.size(), 3);
    QCOMPARE(extract(Prompts::Choice::All), (QStringList{"new a", "new b", "new c"}));
    QCOMPARE(questions.size(), 1);
    QCOMPARE(extract(Prompts::Choice::Cancel), (QStringList{"old", "old", "old"}));
    QCOMPARE(questions.size(), 1);
    Prompts::setChoiceHandler({});
}

void ZipBrowserViewTest::renameInPlaceKeepsTheOldNameOnFailure() {
    ShellHome home;
    const std::string archive = home.path() + "zips/site.zip";
    QVERIFY(craftZip(archive, {{"host/a.txt", "a"}}));
    ShownView shown(home);
    TFormZip& view = shown.view;
    QSignalSpy recent(&view, &TFormZip::recentZipChanged);
    QSignalSpy messages(&home.engine().hooks(), &shell::ShellHooks::messageRequested);
    ZipNode* root = view.model().openArchive(archive);
    QTreeWidgetItem* rootItem = view.itemOf(root);
    // Rename from a file node edits the archive node.
    QVERIFY(view.model().select(root->archive->entries.at("host/a.txt")));
    view.tree()->setFocus();
    view.startRename();
    QCOMPARE(view.tree()->currentItem(), rootItem);
    typeName(view, QStringLiteral("renamed.zip"));
    const std::string renamed = home.path() + "zips/renamed.zip";
    QVERIFY(fileExists(renamed));
    QVERIFY(!fileExists(archive));
    QCOMPARE(root->archive->archivePath, renamed);
    QCOMPARE(recent.size(), 2); // opened, then renamed
    QCOMPARE(recent.last().at(1).toString(), QString::fromStdString(renamed));

    view.startRename();
    typeName(view, QStringLiteral("no/such/folder.zip"));
    QCOMPARE(rootItem->text(0), QStringLiteral("renamed.zip"));
    QVERIFY(fileExists(renamed));
    QVERIFY(waitUntil([&] { return messages.size() == 1; }));
    QVERIFY(messages.last().at(1).toString().startsWith(QStringLiteral("Unable to rename file")));
}

void ZipBrowserViewTest::namesReadDecodedAndColumnsFitUnlessTheUserSizedThem() {
    ShellHome home;
    const std::string archive = home.path() + "zips/site.zip";
    const QString longName = QStringLiteral("a-page-name-long-enough-to-need-a-wide-column.html");
    QVERIFY(craftZip(archive, {{"127.0.0.1/caf%C3%A9.html", "<html></html>"},
                               {"127.0.0.1/sub%20dir/a%2Fb.html", "<html></html>"},
                               {"127.0.0.1/" + longName.toStdString(), "x"}}));
    ShownView shown(home);
    TFormZip& view = shown.view;
    ZipBrowserModel& model = view.model();
    model.openArchive(archive);

    // Read decoded wherever a person reads them; a name that would read as something else
    // (a "/" inside a name) stays as stored, and so do the entries themselves.
    QTreeWidgetItem* host = view.tree()->topLevelItem(0)->child(0);
    QCOMPARE(childTexts(host),
             (QStringList{QString::fromUtf8("caf\u00e9.html"), "sub dir", longName}));
    QCOMPARE(childTexts(host->child(1)), QStringList{"a%2Fb.html"});
    QTreeWidget* list = view.list();
    QCOMPARE(columnTexts(list, 0),
             (QStringList{QString::fromUtf8("caf\u00e9.html"), "a%2Fb.html", longName}));
    QCOMPARE(columnTexts(list, 5), (QStringList{"127.0.0.1/", "127.0.0.1/sub dir/", "127.0.0.1/"}));
    QCOMPARE(topLevelTexts(view.pagesTree()),
             (QStringList{QString::fromUtf8("caf\u00e9.html"), "a%2Fb.html", longName}));
    QCOMPARE(QString::fromStdString(model.rows()[0].entry()),
             QStringLiteral("127.0.0.1/caf%C3%A9.html"));

    // The Name column is as wide as its longest name ...
    QHeaderView* header = list->header();
    const int needed = list->fontMetrics().horizontalAdvance(longName);
    QVERIFY(waitUntil([&] { return header->sectionSize(0) >= needed; }, 2000));
    // ... until the user gives it a width: that stays through the next listing.
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    header->resizeSection(0, 90);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    view.tree()->setCurrentItem(host);
    QTest::qWait(50);
    QCOMPARE(header->sectionSize(0), 90);
    QVERIFY(header->sectionSize(5) >= list->fontMetrics().horizontalAdvance("127.0.0.1/sub dir/"));
}

QTEST_MAIN(ZipBrowserViewTest)
#include "zip_browser_view_test.moc"
