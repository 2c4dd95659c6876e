#include "html/UrlFilterDialog.h"
#include "model/TQLProfile.h"
#include "shell/TdlgEditURLFilter.h"
#include "shell/UrlFiltersPage.h"
#include "support/GuiFixture.h"
#include "support/ModalDialog.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace quarlo;
using namespace quarlo::test;
using shell::TdlgEditURLFilter;
using shell::UrlFiltersPage;

using Entries = std::vector<std::string>;

class UrlFiltersPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;

    static TQLProfile sampleProfile() {
        TQLProfile profile = TQLProfile::defaults();
        profile.setUrlFiltersInclude({"[PL]news", "[RL]img"});
        profile.setUrlFiltersExclude({"plain", "[AL]cgi"});
        return profile;
    }
    static TQLProfile stored(const UrlFiltersPage& page) {
        TQLProfile profile = TQLProfile::defaults();
        page.store(profile);
        return profile;
    }
    struct Seen {
        QString label;
        QString text;
    };
    // Lets the action open the filter dialog, records what it shows, types the text and
    // presses OK or Cancel.
    static Seen answerFilterDialog(const std::function<void()>& open, const QString& typed,
                                   bool ok) {
        Seen seen;
        bool shown = false;
        whenModalShown(
            [&](QWidget& modal) {
                auto* dialog = qobject_cast<TdlgEditURLFilter*>(&modal);
                QVERIFY(dialog != nullptr);
                seen.label = dialog->label().text();
                seen.text = dialog->filterBox().text();
                dialog->filterBox().setText(typed);
                QTest::mouseClick(ok ? &dialog->okButton() : &dialog->cancelButton(),
                                  Qt::LeftButton);
            },
            &shown);
        open();
        if (!shown)
            qWarning("the URL filter dialog did not open");
        return seen;
    }
    static QString labelFor(FilterKind kind, const char* tag) {
        return QString::fromStdString(urlFilterLabel(kind, tag));
    }

private slots:
    void init() { m_home = std::make_unique<ShellHome>(); }
    void cleanup() { m_home.reset(); }

    void loadFillsBothListsAndStoreGivesThemBack() {
        UrlFiltersPage page(m_home->engine());
        QSignalSpy changed(&page, &UrlFiltersPage::changed);
        page.load(sampleProfile());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(page.list(FilterKind::Include).count(), 2);
        QCOMPARE(page.list(FilterKind::Exclude).item(1)->text(), QStringLiteral("[AL]cgi"));
        for (FilterKind kind : {FilterKind::Include, FilterKind::Exclude}) {
            QVERIFY(!page.editButton(kind).isEnabled());
            QVERIFY(!page.removeButton(kind).isEnabled());
        }
        const TQLProfile back = stored(page);
        QCOMPARE(back.urlFiltersInclude(), (Entries{"[PL]news", "[RL]img"}));
        QCOMPARE(back.urlFiltersExclude(), (Entries{"plain", "[AL]cgi"}));

        page.list(FilterKind::Exclude).setCurrentRow(0);
        QVERIFY(page.editButton(FilterKind::Exclude).isEnabled());
        QVERIFY(page.removeButton(FilterKind::Exclude).isEnabled());
        QVERIFY(!page.editButton(FilterKind::Include).isEnabled());

        // Loading another profile empties the lists and reports nothing either.
        page.load(TQLProfile::defaults());
        QCOMPARE(page.list(FilterKind::Exclude).count(), 0);
        QVERIFY(!page.removeButton(FilterKind::Exclude).isEnabled());
        QCOMPARE(changed.count(), 0);
    }

    void addMenusInsertTheirTagsBeforeTheTypedText() {
        UrlFiltersPage page(m_home->engine());
        page.resize(480, 420);
        page.load(sampleProfile());
        QSignalSpy changed(&page, &UrlFiltersPage::changed);
        QSignalSpy added(&page, &UrlFiltersPage::filterAdded);

        QStringList captions;
        for (FilterKind kind : {FilterKind::Include, FilterKind::Exclude}) {
            QCOMPARE(page.addButton(kind).menu(), &page.addMenu(kind));
            for (QAction* action : page.addMenu(kind).actions())
                captions << action->text();
        }
        QCOMPARE(
            captions,
            (QStringList{"All links must contain...", "Page links must contain...",
                         "Resource links must contain...", "All links must not contain...",
                         "Page links must not contain...", "Resource links must not contain..."}));

        QAction* excludeResources = page.addMenu(FilterKind::Exclude).actions().at(2);
        Seen seen = answerFilterDialog([&] { excludeResources->trigger(); }, "tmp", true);
        QCOMPARE(seen.label, labelFor(FilterKind::Exclude, "[RL]"));
        QCOMPARE(seen.text, QString());
        QCOMPARE(stored(page).urlFiltersExclude(), (Entries{"plain", "[AL]cgi", "[RL]tmp"}));
        QCOMPARE(page.list(FilterKind::Exclude).currentRow(), 2);
        QCOMPARE(added.count(), 1);
        QCOMPARE(changed.count(), 1);

        QAction* includeAll = page.addMenu(FilterKind::Include).actions().at(0);
        seen = answerFilterDialog([&] { includeAll->trigger(); }, "shop", false);
        QCOMPARE(seen.label, labelFor(FilterKind::Include, "[AL]"));
        QCOMPARE(stored(page).urlFiltersInclude(), (Entries{"[PL]news", "[RL]img"}));
        QCOMPARE(changed.count(), 1);

        answerFilterDialog([&] { includeAll->trigger(); }, "shop", true);
        QCOMPARE(stored(page).urlFiltersInclude(), (Entries{"[PL]news", "[RL]img", "[AL]shop"}));
        QCOMPARE(added.count(), 2);
        page.grab().save(screenshotPath("page_url_filters.png"));
    }

    void editReplacesAndRemoveDeletesTheSelectedEntry() {
        UrlFiltersPage page(m_home->engine());
        page.load(sampleProfile());
        QSignalSpy changed(&page, &UrlFiltersPage::changed);
        QSignalSpy added(&page, &UrlFiltersPage::filterAdded);
        QListWidget& include = page.list(FilterKind::Include);

        include.setCurrentRow(1);
        Seen seen = answerFilterDialog(
            [&] { QTest::mouseClick(&page.editButton(FilterKind::Include), Qt::LeftButton); },
            "[RL]images", true);
        QCOMPARE(seen.text, QStringLiteral("[RL]img")); // the whole entry, tag included
        QCOMPARE(seen.label, labelFor(FilterKind::Include, "[RL]"));
        QCOMPARE(stored(page).urlFiltersInclude(), (Entries{"[PL]news", "[RL]images"}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(added.count(), 0);

        // Cancel, or OK with the text unchanged, changes nothing.
        answerFilterDialog(
            [&] { QTest::mouseClick(&page.editButton(FilterKind::Include), Qt::LeftButton); },
            "[RL]other", false);
        answerFilterDialog(
            [&] { QTest::mouseClick(&page.editButton(FilterKind::Include), Qt::LeftButton); },
            "[RL]images", true);
        QCOMPARE(changed.count(), 1);

        // An entry without a tag opens with the first tag its list holds.
        QListWidget& exclude = page.list(FilterKind::Exclude);
        exclude.setCurrentRow(0);
        seen = answerFilterDialog(
            [&] { QTest::mouseClick(&page.editButton(FilterKind::Exclude), Qt::LeftButton); },
            "plainer", true);
        QCOMPARE(seen.label, labelFor(FilterKind::Exclude, "[AL]"));
        QCOMPARE(exclude.item(0)->text(), QStringLiteral("plainer"));

        exclude.setCurrentRow(1);
        QTest::mouseClick(&page.removeButton(FilterKind::Exclude), Qt::LeftButton);
        QCOMPARE(stored(page).urlFiltersExclude(), (Entries{"plainer"}));
        QCOMPARE(changed.count(), 3);
        QCOMPARE(added.count(), 0);
        exclude.setCurrentRow(0);
        QTest::mouseClick(&page.removeButton(FilterKind::Exclude), Qt::LeftButton);
        QCOMPARE(exclude.count(), 0);
        QVERIFY(!page.removeButton(FilterKind::Exclude).isEnabled());
        QVERIFY(!page.editButton(FilterKind::Exclude).isEnabled());
    }

    void filterDialogNeedsTextAndReturnsTheEntry() {
        TdlgEditURLFilter adding(FilterKind::Include, "[PL]");
        QCOMPARE(adding.windowTitle(), QStringLiteral("Add URL Filter"));
        QCOMPARE(adding.label().text(), labelFor(FilterKind::Include, "[PL]"));
        QCOMPARE(adding.filterBox().objectName(), QStringLiteral("edURLFilter"));
        QVERIFY(!adding.okButton().isEnabled());
        adding.show();
        QTest::keyClicks(&adding.filterBox(), "news");
        QVERIFY(adding.okButton().isEnabled());
        adding.grab().save(screenshotPath("dialog_add_url_filter.png"));
        QCOMPARE(adding.entry(), QStringLiteral("[PL]news"));
        QTest::keyClick(&adding.filterBox(), Qt::Key_Return);
        QCOMPARE(adding.result(), int(QDialog::Accepted));

        TdlgEditURLFilter editing(FilterKind::Exclude, "[AL]", "[AL]cgi");
        QCOMPARE(editing.filterBox().text(), QStringLiteral("[AL]cgi"));
        editing.show();
        editing.grab().save(screenshotPath("dialog_edit_url_filter.png"));
        editing.filterBox().clear();
        QVERIFY(!editing.okButton().isEnabled());
        editing.filterBox().setText("[PL]cgi");
        QCOMPARE(editing.entry(), QStringLiteral("[PL]cgi"));
        QTest::keyClick(&editing, Qt::Key_Escape);
        QCOMPARE(editing.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(UrlFiltersPageTest)
#include "url_filters_page_test.moc"
