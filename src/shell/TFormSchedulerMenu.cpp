#include "shell/TFormScheduler.h"

#include "reports/TaskMenu.h"
#include "shell/ShellCommands.h"
#include "shell/ShellEngine.h"
#include "shell/TaskTreeView.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace quarlo::shell {

QAction* TFormScheduler::addAction(QMenu* menu, const char* name, const QString& caption) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    // The shortcuts work while the tree has the focus, also when the menu is not open.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    if (menu != nullptr)
        menu->addAction(action);
    m_actions << action;
    return action;
}

void TFormScheduler::buildMenu() {
    m_popTask = new QMenu(this);
    m_popTask->setObjectName(QStringLiteral("popTask"));
    m_popTask->setTitle(tr("&Task"));
    const auto subMenu = [this](const char* name, const QString& caption) {
        QMenu* menu = m_popTask->addMenu(caption);
        menu->menuAction()->setObjectName(QLatin1String(name));
        m_actions << menu->menuAction();
        return menu;
    };

    QMenu* download = subMenu("actTasksDownload", tr("&Download"));
    QAction* run = addAction(download, "actTasksRun", tr("&Run..."));
    run->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(run, &QAction::triggered, this, [this] { runSelected(); });
    QAction* stop = addAction(download, "actTasksStop", tr("&Stop"));
    stop->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(stop, &QAction::triggered, this, [this] { m_commands.stopCurrentTask(); });
    download->addSeparator();
    QAction* schedule = addAction(download, "actTasksSchedule", QLatin1String(kScheduleCaption));
    connect(schedule, &QAction::triggered, this, [this] { scheduleSelected(); });

    QMenu* newMenu = subMenu("actTasksNew", tr("&New"));
    QAction* newTask = addAction(newMenu, "actTasksNewTask", tr("&Task..."));
    connect(newTask, &QAction::triggered, this,
            [this] { m_commands.newTask(QString(), QString(), false); });
    QAction* category = addAction(newMenu, "actTasksNewCategory", tr("&Category"));
    connect(category, &QAction::triggered, this, [this] { newCategory(); });

    QAction* remove = addAction(m_popTask, "actTasksDelete", tr("&Delete"));
    connect(remove, &QAction::triggered, this, [this] { deleteSelected(); });

    QMenu* browse = subMenu("actTasksBrowse", tr("&Browse"));
    connect(addAction(browse, "actTasksBrowseOnline", tr("Online")), &QAction::triggered, this,
            [this] { browseSelected(BrowseWhere::Online); });
    connect(addAction(browse, "actTasksBrowseOffline", tr("Offline")), &QAction::triggered, this,
            [this] { browseSelected(BrowseWhere::DefaultProgram); });

    QMenu* reports = subMenu("actTasksReports", tr("&Reports"));
    connect(addAction(reports, "actTasksSummary", tr("Task Summary")), &QAction::triggered, this,
            [this] { showReport(ReportPage::Summary); });
    connect(addAction(reports, "actTasksPageIndex", tr("Page Index")), &QAction::triggered, this,
            [this] { showReport(ReportPage::PageIndex); });
    connect(addAction(reports, "actTasksImageIndex", tr("Image Index")), &QAction::triggered, this,
            [this] { showReport(ReportPage::ImageIndex); });
    reports->addSeparator();
    connect(addAction(reports, "actTasksCreateReports", tr("Create Reports")), &QAction::triggered,
            this, [this] { createReportsForSelected(); });

    connect(addAction(m_popTask, "actTasksExplore", tr("&Explore")), &QAction::triggered, this,
            [this] { exploreSelected(); });
    connect(addAction(m_popTask, "actTasksProperties", tr("&Properties...")), &QAction::triggered,
            this, [this] { editSelected(); });

    // Run and Stop answer their shortcuts in the tree.
    m_tvTasks->addAction(run);
    m_tvTasks->addAction(stop);
    connect(m_popTask, &QMenu::aboutToShow, this, [this] { updateActions(); });
    updateActions();
}

QAction* TFormScheduler::taskAction(const QString& name) const {
    for (QAction* action : m_actions)
        if (action->objectName() == name)
            return action;
    return nullptr;
}

void TFormScheduler::updateActions() {
    const TaskTreeItem item = selectedItem();
    const TaskMenuState state = item.path.empty()
                                    ? taskMenuState(false, TaskStatus::Unscheduled)
                                    : taskMenuStateFor(m_engine.app(), item.path, item.isFile);
    const std::pair<const char*, bool> enabling[] = {
        {"actTasksDownload", state.download},
        {"actTasksRun", state.run},
        {"actTasksStop", state.stop},
        {"actTasksSchedule", state.schedule},
        {"actTasksBrowse", state.browse},
        {"actTasksProperties", state.properties},
        {"actTasksExplore", state.explore},
        {"actTasksReports", state.reports},
        {"actTasksNew", state.newItem},
        {"actTasksNewTask", state.newTask},
        {"actTasksNewCategory", state.newCategory},
        {"actTasksDelete", state.deleteItem},
    };
    for (const auto& [name, enabled] : enabling)
        taskAction(QLatin1String(name))->setEnabled(enabled);
    taskAction(QStringLiteral("actTasksSchedule"))
        ->setText(QString::fromStdString(state.scheduleCaption));
}

} // namespace quarlo::shell
