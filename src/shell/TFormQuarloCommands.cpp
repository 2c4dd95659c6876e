#include "archive/ZipBrowserModel.h"
#include "archive/ZipTree.h"
#include "html/UrlFunctions.h"
#include "model/MainWindowRules.h"
#include "model/NewTask.h"
#include "model/RecentList.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "shell/DialogEntryPoints.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"
#include "shell/ShellHooks.h"
#include "shell/TFormBrowser.h"
#include "shell/TFormExplore.h"
#include "shell/TFormQuarlo.h"
#include "shell/TFormScheduler.h"
#include "shell/TFormStatus.h"
#include "shell/ToolPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QToolButton>

#include <filesystem>

namespace quarlo::shell {

void TFormQuarlo::showInBrowser(const QString& location, bool reload) {
    if (!m_browser->isVisible()) {
        m_browser->show();
        updateLinks();
    }
    m_browser->showLocation(location, reload);
}

void TFormQuarlo::refreshInBrowser(const QString& location) {
    if (!m_browser->isHidden())
        m_browser->refreshLocation(location);
}

QString TFormQuarlo::browserLocation() const {
    return m_browser->location();
}

void TFormQuarlo::newTask(const QString& url, const QString& profile, bool map) {
    TQLApp& app = m_engine.app();
    NewTaskRequest request;
    request.url = url.trimmed().toStdString();
    request.profileName = profile.toStdString();
    request.map = map;
    request.intranetMode = m_tools->btnIntranetMode->isChecked();
    const bool named = !request.profileName.empty() && request.profileName != "Custom";
    if (named) {
        if (auto valid = ValidateURL(request.url); !valid) {
            Prompts::error(this, QString::fromStdString(valid.message()));
            return;
        }
    }
    if (!request.intranetMode) {
        showZipBrowser();
        const TZipObj* archive = m_engine.zipBrowser().currentArchive();
        if (m_tools->btnAddToSelectedZip->isChecked() && archive != nullptr)
            request.selectedZip = archive->archivePath;
    }
    auto created = createTaskFromUrl(app, request);
    if (!created) {
        Prompts::error(this, QString::fromStdString(created.message()));
        return;
    }
    TQLTask& task = **created;
    if (named) {
        if (auto saved = task.scheduleNow(); !saved) {
            Prompts::error(this, QString::fromStdString(saved.message()));
            return;
        }
    } else if (!editTask(this, m_engine, task, EditorCaption::CreateNewTask).accepted) {
        return;
    }
    if (!request.url.empty()) {
        m_engine.app().reportSettingsFailure(m_recentUrls->add(request.url));
        fillAddressBox();
    }
    showTasks();
    m_tasks->showPath(QString::fromStdString(task.filePath()));
}

void TFormQuarlo::goClicked() {
    newTask(m_tools->cmbURL->currentText(), m_tools->cmbProfile->currentText(), false);
}

void TFormQuarlo::pasteUrl() {
    std::string text = QApplication::clipboard()->text().trimmed().toStdString();
    if (text.empty() || !NormalizeURL(text))
        return;
    m_tools->cmbURL->setEditText(QString::fromStdString(text));
    newTask(QString::fromStdString(text), {}, false);
}

void TFormQuarlo::explore(const QString& taskFile) {
    TQLApp& app = m_engine.app();
    TQLTask* current = app.currentTask();
    if (current == nullptr || current->filePath() != taskFile.toStdString()) {
        if (m_engine.isRunning()) {
            Prompts::warning(this, tr("A task is downloading; its queue is the one shown."));
        } else {
            app.setCurrentTask(TQLTask::loadFromFile(app, taskFile.toStdString()));
            m_status->attach();
        }
    }
    if (!m_exploreDock->isVisible())
        toggleExplore();
    m_explore->refill();
}

void TFormQuarlo::stopCurrentTask() {
    m_engine.stopRun();
}

void TFormQuarlo::showTaskPath(const QString& path) {
    showTasks();
    m_tasks->showPath(path);
}

void TFormQuarlo::forgetCurrentTask() {
    if (m_engine.isRunning())
        return;
    if (m_explore != nullptr)
        m_explore->clear();
    m_engine.app().setCurrentTask(nullptr);
    m_status->attach();
}

void TFormQuarlo::handleParameter(const QString& parameter, bool secondStart) {
    if (secondStart)
        qInfo("Parameter from a second start: %s", qUtf8Printable(parameter));
    switch (classifyLaunchParameter(parameter.toStdString(), secondStart)) {
    case LaunchRequest::NewTask:
        m_tools->cmbURL->setEditText(parameter);
        newTask(parameter, {}, false);
        break;
    case LaunchRequest::AddTask:
        showTasks();
        m_tasks->addTaskFromFile(QFileInfo(parameter).absoluteFilePath());
        break;
    case LaunchRequest::OpenZip:
        openZip(QFileInfo(parameter).absoluteFilePath());
        break;
    case LaunchRequest::None:
        break;
    }
    if (secondStart) {
        showNormal();
        raise();
        activateWindow();
    }
}

bool TFormQuarlo::dropUrl(const QMimeData* mime) {
    QString url;
    if (mime->hasUrls() && !mime->urls().isEmpty() && !mime->urls().first().isLocalFile())
        url = mime->urls().first().toString();
    else if (mime->hasText())
        url = mime->text().trimmed();
    if (url.isEmpty())
        return false;
    m_tools->cmbURL->setEditText(url);
    newTask(url, {}, false);
    return true;
}

bool TFormQuarlo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tools->cmbURL->lineEdit()) {
        if (event->type() == QEvent::DragEnter) {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            if (drag->mimeData()->hasUrls() || drag->mimeData()->hasText())
                drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            if (dropUrl(drop->mimeData()))
                drop->acceptProposedAction();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormQuarlo::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFormQuarlo::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    if (files.size() > 1) {
        openFileZipWizard(this, m_engine, files);
        return;
    }
    const QString suffix = QFileInfo(files.first()).suffix().toLower();
    if (suffix == QStringLiteral("zip"))
        openZip(files.first());
    else if (suffix == QStringLiteral("qlt"))
        handleParameter(files.first(), true);
}

} // namespace quarlo::shell
