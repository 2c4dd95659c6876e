#include "engine/Queue.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "reports/Browse.h"
#include "shell/ExploreModel.h"
#include "shell/ShellHooks.h"
#include "shell/TFormExplore.h"
#include "support/CommandRecorder.h"
#include "support/GuiFixture.h"
#include "support/TempHome.h"
#include "support/ZipTestFiles.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <mutex>

using namespace quarlo;
using namespace quarlo::test;
using shell::ExploreModel;
using shell::TFormExplore;

namespace {

struct Entry {
    const char* path;
    bool page;
    QueueStatus status;
    QueueMode mode;
};

// Rows 0..9 of the test queue: every status the explorer shows differently.
const Entry kEntries[] = {
    {"index.html", true, QueueStatus::Parsed, QueueMode::Download},  // 0
    {"a.gif", false, QueueStatus::Saved, QueueMode::Download},       // 1
    {"missing.html", true, QueueStatus::Error, QueueMode::Download}, // 2
    {"b.gif", false, QueueStatus::Error, QueueMode::Download},       // 3
    {"new.html", true, QueueStatus::None, QueueMode::Download},      // 4
    {"off.html", true, QueueStatus::None, QueueMode::Unmarked},      // 5
    {"c.gif", false, QueueStatus::Downloading, QueueMode::Update},   // 6
    {"d.html", true, QueueStatus::Downloaded, QueueMode::Download},  // 7
    {"map.html", true, QueueStatus::None, QueueMode::Map},           // 8
    {"updated.html", true, QueueStatus::Updated, QueueMode::Update}, // 9
};
constexpr int kRows = static_cast<int>(std::size(kEntries));

std::string urlOf(const char* path) {
    return std::string("http://h.test/") + path;
}

// Adds an entry with its counters as a run would have left them.
void addEntry(TQLTask& task, const Entry& entry) {
    TQLQItem item;
    item.URL = urlOf(entry.path);
    item.FileType = entry.page ? "HTML" : "Images";
    item.Level = 1;
    item.Title = std::string("Title of ") + entry.path;
    // Titles are kept as the page wrote them, character references and all.
    if (std::string_view(entry.path) == "index.html")
        item.Title = "Fish &amp; Chips&#39; caf&eacute; &lt;1&gt; <b>&#x263A;";
    item.Referrer = urlOf("index.html");
    AddItem(task, item);
    item.Status = entry.status;
    item.Mode = entry.mode;
    TaskCounters& counters = task.counters();
    if (entry.status == QueueStatus::Error) {
        item.Message = "404 Not Found";
        ++(entry.page ? counters.PageErrors : counters.ResourceErrors);
    } else if (entry.status >= QueueStatus::Saved) {
        item.Size = 100;
        counters.BytesDownloaded += item.Size;
        ++(entry.page ? counters.PagesSaved : counters.ResourcesSaved);
    }
    StoreItem(item);
}

// A task with the test queue, saved with its queue file; returns the task file.
std::string saveTask(TQLApp& app, const std::string& name, bool intranet = false) {
    TQLTask task(app);
    if (!task.setLocation("General", name))
        return {};
    task.setURL(urlOf("index.html"));
    task.setIntranetMode(intranet);
    std::lock_guard lock(task.mutex());
    for (const Entry& entry : kEntries)
        addEntry(task, entry);
    return SaveQueue(task) ? task.filePath() : std::string();
}

// The entry as the task's files hold it, read by a task object of its own.
std::unique_ptr<TQLQItem> storedItem(TQLApp& app, const std::string& taskFile, int row) {
    auto task = TQLTask::loadFromFile(app, taskFile);
    if (!LoadQueue(*task))
        return nullptr;
    auto item = LoadItem(*task, static_cast<std::size_t>(row));
    if (item)
        item->Task = nullptr;
    return item;
}

} // namespace

class ExplorerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;
    std::unique_ptr<CommandRecorder> m_commands;
    std::unique_ptr<TFormExplore> m_form;
    std::string m_taskFile;

    TQLApp& app() { return m_home->app(); }
    ExploreModel& model() { return m_form->model(); }
    QString cell(int row, int column) {
        return model().data(model().index(row, column), Qt::DisplayRole).toString();
    }
    int icon(int row) {
        return model().data(model().index(row, 0), ExploreModel::MarkIconRole).toInt();
    }
    // The current task becomes a fresh object for the file, whose queue is still empty.
    void makeCurrent(const std::string& taskFile) {
        app().setCurrentTask(TQLTask::loadFromFile(app(), taskFile));
        m_form->refill();
    }
    void focusRow(int row) {
        m_form->view().setCurrentIndex(model().index(row, ExploreModel::StatusColumn));
    }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_commands = std::make_unique<CommandRecorder>();
        m_form = std::make_unique<TFormExplore>(m_home->engine(), *m_commands);
        m_form->resize(900, 400);
        m_taskFile = saveTask(app(), "Site");
        QVERIFY(!m_taskFile.empty());
    }

    void cleanup() {
        m_form.reset();
        m_commands.reset();
        app().setCurrentTask(nullptr);
        m_home.reset();
    }

    void emptyWithoutCurrentTask() {
        m_form->refill();
        QCOMPARE(model().rowCount(), 0);
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Explore"));
        m_form->updateMenu();
        for (QAction* group : m_form->groupActions())
            QVERIFY(!group->isEnabled());
    }

    void rowsComeFromTheQueueFile() {
        makeCurrent(m_taskFile);
        QCOMPARE(model().rowCount(), kRows);
        QCOMPARE(model().columnCount(), 10);
        QCOMPARE(model().headerData(8, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Level"));
        QCOMPARE(cell(0, ExploreModel::StatusColumn), QStringLiteral("Parsed"));
        QCOMPARE(cell(2, ExploreModel::StatusColumn), QStringLiteral("Error"));
        QCOMPARE(cell(2, ExploreModel::ResultColumn), QStringLiteral("404 Not Found"));
        QCOMPARE(cell(1, ExploreModel::URLColumn), QStringLiteral("http://h.test/a.gif"));
        QCOMPARE(cell(1, ExploreModel::TypeColumn), QStringLiteral("Images"));
        QCOMPARE(cell(1, ExploreModel::SizeColumn), QStringLiteral("100"));
        QCOMPARE(cell(4, ExploreModel::TitleColumn), QStringLiteral("Title of new.html"));
        QCOMPARE(cell(0, ExploreModel::TitleColumn),
                 QString::fromUtf8("Fish & Chips' café <1> <b>\u263A"));
        QCOMPARE(cell(4, ExploreModel::ReferrerColumn), QStringLiteral("http://h.test/index.html"));
        QCOMPARE(cell(6, ExploreModel::StatusColumn), QStringLiteral("Downloading"));
        QCOMPARE(cell(9, ExploreModel::StatusColumn), QStringLiteral("Updated"));
        QVERIFY(!model().index(kRows, 0).isValid());
    }

    void colourAndMarkFollowTheStatus() {
        makeCurrent(m_taskFile);
        auto colour = [this](int row) {
            return model().data(model().index(row, ExploreModel::URLColumn), Qt::ForegroundRole);
        };
        QCOMPARE(colour(0).value<QColor>(), QColor(0, 0, 128)); // Parsed
        QCOMPARE(colour(1).value<QColor>(), QColor(0, 0, 128)); // Saved
        QCOMPARE(colour(2).value<QColor>(), QColor(128, 0, 0)); // Error
        QCOMPARE(colour(4).value<QColor>(), QColor(128, 128, 128));
        QCOMPARE(colour(6).value<QColor>(), QColor(0, 128, 0));
        QVERIFY(!colour(7).isValid()); // Downloaded: the default colour
        QVERIFY(!colour(9).isValid()); // Updated

        const int expected[kRows] = {5, 5, 4, 4, 1, 0, 3, ExploreModel::kNoIcon, 2, 5};
        for (int row = 0; row < kRows; ++row)
            QCOMPARE(icon(row), expected[row]);
        // The six icons differ from each other; status 4 shows none.
        QList<QImage> images;
        for (int row : {0, 2, 4, 5, 6, 8}) {
            const QIcon shown =
                model().data(model().index(row, 0), Qt::DecorationRole).value<QIcon>();
            QVERIFY(!shown.isNull());
            const QImage image = shown.pixmap(16, 16).toImage();
            for (const QImage& other : images)
                QVERIFY(image != other);
            images << image;
        }
        QVERIFY(model().data(model().index(7, 0), Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(ExploreModel::markIconOf(QueueStatus::Updating, QueueMode::Map), 2);
        QCOMPARE(ExploreModel::markIconOf(QueueStatus::Zipped, QueueMode::Unmarked), 5);
    }

    void clickOnMarkTogglesAWaitingEntry() {
        makeCurrent(m_taskFile);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QTreeView& view = m_form->view();
        auto clickMark = [&view, this](int row) {
            const QRect rect = view.visualRect(model().index(row, ExploreModel::MarkColumn));
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rect.center());
        };
        clickMark(5);
        QCOMPARE(icon(5), 1);
        QCOMPARE(storedItem(app(), m_taskFile, 5)->Mode, QueueMode::Download);
        clickMark(5);
        QCOMPARE(icon(5), 0);
        QCOMPARE(storedItem(app(), m_taskFile, 5)->Mode, QueueMode::Unmarked);
        // A saved entry keeps its mark; a click elsewhere in the row toggles nothing.
        clickMark(0);
        QCOMPARE(storedItem(app(), m_taskFile, 0)->Mode, QueueMode::Download);
        const QRect url = view.visualRect(model().index(4, ExploreModel::URLColumn));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, url.center());
        QCOMPARE(icon(4), 1);
    }

    void groupItemsNeedAFocusedRow() {
        makeCurrent(m_taskFile);
        m_form->updateMenu();
        for (QAction* group : m_form->groupActions())
            QVERIFY(!group->isEnabled());
        focusRow(3);
        m_form->updateMenu();
        QCOMPARE(m_form->groupActions().size(), std::size_t(5));
        for (QAction* group : m_form->groupActions())
            QVERIFY(group->isEnabled());
        QCOMPARE(m_form->markAction(MarkCommand::DownloadAllErrors)->objectName(),
                 QStringLiteral("markDownloadErrors"));
    }

    void downloadAllErrorsResetsErrorsAndCounters() {
        makeCurrent(m_taskFile);
        TQLTask* task = app().currentTask();
        QCOMPARE(task->counters().PageErrors, std::int64_t{1});
        QCOMPARE(task->counters().ResourceErrors, std::int64_t{1});
        QSignalSpy counters(&m_home->engine().hooks(), &shell::ShellHooks::countersChanged);
        focusRow(0);
        m_form->markAction(MarkCommand::DownloadAllErrors)->trigger();
        QCOMPARE(task->counters().PageErrors, std::int64_t{0});
        QCOMPARE(task->counters().ResourceErrors, std::int64_t{0});
        QCOMPARE(task->counters().PagesSaved, std::int64_t{2}); // untouched
        for (int row : {2, 3}) {
            QCOMPARE(cell(row, ExploreModel::StatusColumn), QStringLiteral("None"));
            QCOMPARE(cell(row, ExploreModel::ResultColumn), QString());
            QCOMPARE(icon(row), 1);
            const auto stored = storedItem(app(), m_taskFile, row);
            QCOMPARE(stored->Status, QueueStatus::None);
            QVERIFY(stored->Message.empty());
        }
        m_home->engine().hooks().flush();
        QVERIFY(counters.count() >= 1);
        // The task file holds the new counters too.
        QCOMPARE(TQLTask::loadFromFile(app(), m_taskFile)->counters().PageErrors, std::int64_t{0});
    }

    void updateAllSkipsEntriesUpToSaved() {
        makeCurrent(m_taskFile);
        const std::int64_t savedPages = app().currentTask()->counters().PagesSaved;
        m_form->runCommand(MarkCommand::UpdateAll);
        for (int row : {0, 9}) {
            QCOMPARE(icon(row), 3);
            QCOMPARE(cell(row, ExploreModel::StatusColumn), QStringLiteral("None"));
        }
        QCOMPARE(cell(1, ExploreModel::StatusColumn), QStringLiteral("Saved"));
        QCOMPARE(cell(7, ExploreModel::StatusColumn), QStringLiteral("Downloaded"));
        QCOMPARE(icon(4), 1);
        QCOMPARE(app().currentTask()->counters().PagesSaved, savedPages - 2);
        QCOMPARE(storedItem(app(), m_taskFile, 9)->Mode, QueueMode::Update);
    }

    void unmarkAllLeavesEntriesOutsideNone() {
        makeCurrent(m_taskFile);
        m_form->runCommand(MarkCommand::UnmarkAll);
        QCOMPARE(icon(4), 0);
        QCOMPARE(icon(8), 0);
        QCOMPARE(icon(2), 4); // an error keeps its mode
        QCOMPARE(storedItem(app(), m_taskFile, 2)->Mode, QueueMode::Download);
        QCOMPARE(storedItem(app(), m_taskFile, 6)->Mode, QueueMode::Update);
        QCOMPARE(cell(6, ExploreModel::StatusColumn), QStringLiteral("Downloading"));
    }

    void selectedCommandsTakeTheSelectedRows() {
        makeCurrent(m_taskFile);
        QItemSelectionModel* selection = m_form->view().selectionModel();
        for (int row : {1, 5})
            selection->select(model().index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_form->markAction(MarkCommand::MapSelected)->trigger();
        QCOMPARE(icon(5), 2);
        QCOMPARE(icon(1), 5); // a resource is never mapped
        m_form->markAction(MarkCommand::DownloadSelected)->trigger();
        QCOMPARE(icon(1), 1);
        QCOMPARE(cell(1, ExploreModel::StatusColumn), QStringLiteral("None"));
        QCOMPARE(icon(5), 1);
    }

    void browseOnlineOpensTheURL() {
        makeCurrent(m_taskFile);
        OpenRecorder opened;
        focusRow(3);
        m_form->browseOnlineAction()->trigger();
        QCOMPARE(opened.opened(), QStringList{QStringLiteral("http://h.test/b.gif")});
    }

    void offlineNeedsTheArchive() {
        makeCurrent(m_taskFile); // Zip mode, never run
        PromptRecorder prompts;
        OpenRecorder opened;
        focusRow(0);
        m_form->browseOfflineAction()->trigger();
        m_form->showOfflineInBrowser(0);
        QCOMPARE(prompts.count(shell::Prompts::Kind::Information), 2);
        QCOMPARE(prompts.prompts().front().text, QString::fromLatin1(kNotRunMessage));
        QVERIFY(opened.opened().isEmpty());
        QVERIFY(m_commands->shown().isEmpty());
    }

    void offlineUnpacksTheArchive() {
        TempDir output;
        const std::string archive = output.path() + "site.zip";
        {
            auto task = TQLTask::loadFromFile(app(), m_taskFile);
            task->setDestination(archive);
            QVERIFY(task->save());
        }
        makeCurrent(m_taskFile);
        std::string local;
        {
            TQLTask* task = app().currentTask();
            std::lock_guard lock(task->mutex());
            local = LocalName(*LoadItem(*task, 0));
        }
        const std::string temp = app().tempFolder();
        QVERIFY(local.rfind(temp, 0) == 0);
        QVERIFY(craftZip(archive, {{local.substr(temp.size()), "<html>zipped</html>"}}));
        PromptRecorder prompts;
        m_form->showOfflineInBrowser(0);
        QCOMPARE(m_commands->shown(), QStringList{QString::fromStdString(local)});
        QCOMPARE(readWholeFile(local), std::string("<html>zipped</html>"));
        QVERIFY(prompts.prompts().empty());
    }

    void offlineShowsTheLocalFile() {
        TempDir site;
        const std::string taskFile = saveTask(app(), "Intranet", true);
        {
            auto task = TQLTask::loadFromFile(app(), taskFile);
            task->setDestination(site.path());
            QVERIFY(task->save());
        }
        makeCurrent(taskFile);
        std::string local;
        {
            TQLTask* task = app().currentTask();
            std::lock_guard lock(task->mutex());
            auto item = LoadItem(*task, 0);
            local = LocalName(*item);
        }
        QVERIFY(local.rfind(site.path(), 0) == 0);
        std::filesystem::create_directories(std::filesystem::path(local).parent_path());
        writeWholeFile(local, "<html></html>");
        PromptRecorder prompts;
        OpenRecorder opened;
        focusRow(0);
        m_form->browseOfflineAction()->trigger();
        QCOMPARE(opened.opened(), QStringList{QString::fromStdString(local)});
        m_form->showOfflineInBrowser(0);
        QCOMPARE(m_commands->shown(), QStringList{QString::fromStdString(local)});
        // An entry that was never downloaded has no file to show.
        m_form->showOfflineInBrowser(4);
        QCOMPARE(m_commands->shown().size(), 1);
        QCOMPARE(prompts.count(shell::Prompts::Kind::Information), 1);
    }

    void followsTheQueueAndTheCurrentTask() {
        makeCurrent(m_taskFile);
        TQLTask* task = app().currentTask();
        {
            std::lock_guard lock(task->mutex());
            TQLQItem item;
            item.URL = urlOf("late.html");
            item.FileType = "HTML";
            AddItem(*task, item);
        }
        app().hooks().refreshExplorer();
        m_home->engine().hooks().flush();
        QCOMPARE(model().rowCount(), kRows + 1);
        QCOMPARE(cell(kRows, ExploreModel::URLColumn), QStringLiteral("http://h.test/late.html"));

        // Another current task: the rows of its queue.
        const std::string other = saveTask(app(), "Other");
        app().setCurrentTask(TQLTask::loadFromFile(app(), other));
        QCOMPARE(model().task(), nullptr); // the old task is gone: nothing is read from it
        QVERIFY(!model().data(model().index(0, 1), Qt::DisplayRole).isValid());
        m_home->engine().hooks().flush();
        QCOMPARE(model().task(), app().currentTask());
        QCOMPARE(model().rowCount(), kRows);

        app().setCurrentTask(nullptr);
        QVERIFY(!model().data(model().index(0, 1), Qt::DisplayRole).isValid());
        m_form->clear();
        QCOMPARE(model().rowCount(), 0);
    }
};

QTEST_MAIN(ExplorerTest)
#include "explorer_test.moc"
