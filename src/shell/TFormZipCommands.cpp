// The Zip browser's commands and its answers to the user's clicks in the trees.

#include "archive/ZipTexts.h"
#include "archive/ZipTree.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "platform/Trash.h"
#include "shell/DialogEntryPoints.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"
#include "shell/TFormZip.h"
#include "shell/UnzipEntry.h"

#include <QKeyEvent>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>

namespace quarlo::shell {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void TFormZip::buildMenu() {
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("pmZip"));
    auto add = [this](const QString& caption, const char* name, auto slot) {
        QAction* action = m_menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(tr("&Add..."), "pmAdd", [this] { addFiles(); });
    add(tr("&Delete"), "pmDelete", [this] { deleteSelection(); });
    add(tr("&Unzip..."), "pmUnzip", [this] { unzip(); });
    add(tr("Rena&me"), "pmRename", [this] { startRename(); });
    m_menu->addSeparator();
    add(tr("&Close"), "pmClose", [this] { closeArchive(); });
    add(tr("&Browse"), "pmBrowse", [this] { browse(true); });
}

void TFormZip::showListMenu(const QPoint& position) {
    const bool enabled = commandsEnabled();
    const QList<QAction*> actions = m_menu->actions();
    for (QAction* action : actions)
        if (!action->isSeparator())
            action->setEnabled(action->objectName() == QStringLiteral("pmBrowse") ||
                               (action->objectName() == QStringLiteral("pmClose")
                                    ? m_model.selected() != nullptr
                                    : enabled));
    auto* source = qobject_cast<QWidget*>(sender());
    m_menu->popup((source ? source : this)->mapToGlobal(position));
}

bool TFormZip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tree && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteSelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

ZipBrowserModel::Focus TFormZip::focus() const {
    if (m_tree->hasFocus())
        return ZipBrowserModel::Focus::Tree;
    if (m_list->hasFocus())
        return ZipBrowserModel::Focus::List;
    if (m_pages->hasFocus())
        return ZipBrowserModel::Focus::Pages;
    return ZipBrowserModel::Focus::None;
}

bool TFormZip::commandsEnabled() const {
    return m_model.selected() != nullptr && (m_tree->hasFocus() || m_list->hasFocus());
}

void TFormZip::onTreeCurrentChanged(QTreeWidgetItem* current) {
    ZipNode* node = nodeOf(current);
    if (node == m_model.selected())
        return;
    if (!m_model.select(node)) {
        // Refused: the tree goes back to the node the browser still has, also after the
        // mouse press that made the change has finished selecting.
        selectionChanged(m_model.selected());
        QMetaObject::invokeMethod(
            this, [this] { selectionChanged(m_model.selected()); }, Qt::QueuedConnection);
        return;
    }
    if (m_tabs->currentWidget() == m_tree) {
        m_tree->setFocus();
        m_model.showSelection(ZipBrowserModel::Focus::Tree);
    }
    emit commandsChanged();
}

void TFormZip::onPageChosen(QTreeWidgetItem* current) {
    const int index = m_pages->indexOfTopLevelItem(current);
    if (index < 0 || !m_model.idle() || static_cast<std::size_t>(index) >= m_model.pages().size())
        return;
    const ZipPage page = m_model.pages()[static_cast<std::size_t>(index)];
    m_model.showSelection(ZipBrowserModel::Focus::Pages, &page);
}

void TFormZip::onItemEdited(QTreeWidgetItem* item) {
    ZipNode* node = nodeOf(item);
    if (node == nullptr || node->kind != ZipNode::Kind::Archive)
        return;
    const std::string name = item->text(0).trimmed().toStdString();
    if (name == node->text)
        return;
    if (!m_model.renameArchive(node, name).ok()) {
        const QSignalBlocker quiet(m_tree);
        item->setText(0, qs(node->text));
    }
}

void TFormZip::addFiles() {
    if (m_model.selected() == nullptr || !m_model.idle())
        return;
    openFileZipWizard(this, m_engine, {});
}

void TFormZip::deleteSelection() {
    ZipNode* node = m_model.selected();
    if (node == nullptr || !m_model.idle())
        return;
    const ZipBrowserModel::Focus where = focus();
    if (where == ZipBrowserModel::Focus::List) {
        const std::vector<std::size_t> rows = selectedRows();
        if (!rows.empty())
            m_model.deleteRows(rows);
        return;
    }
    if (where != ZipBrowserModel::Focus::Tree)
        return;
    if (node->kind != ZipNode::Kind::Archive) {
        if (Prompts::askYesNo(this, qs(m_model.deleteQuestion(*node))))
            m_model.deleteNode(node);
        return;
    }
    const std::string path = node->archive->archivePath;
    TQLTask* running = m_engine.runningTask();
    if (running != nullptr && !running->intranetMode() && running->destination() == path) {
        Prompts::error(
            this, tr("%1 is the archive of the running task and stays where it is.").arg(qs(path)));
        return;
    }
    if (!Prompts::askYesNo(this, tr("Move %1 to the trash?").arg(qs(path))))
        return;
    if (fileExists(path)) {
        TQLApp& app = m_engine.app();
        app.hooks().setStatusLine(zipUiText(700), -1);
        if (auto moved = moveToTrash(path, trashFolderOf(app.folders())); !moved) {
            Prompts::error(this, qs(moved.message()));
            return;
        }
    }
    m_model.closeArchive();
}

void TFormZip::unzip() {
    if (m_model.selected() == nullptr || !m_model.idle())
        return;
    QStringList entries;
    if (focus() == ZipBrowserModel::Focus::List)
        for (std::size_t row : selectedRows())
            entries << qs(m_model.rows()[row].entry());
    openUnzipDialog(this, m_engine, entries);
}

void TFormZip::startRename() {
    ZipNode* node = m_model.selected();
    if (node == nullptr || !m_model.idle())
        return;
    ZipNode* archive = node->archive->root.get();
    if (archive != node && !m_model.select(archive))
        return;
    m_tabs->setCurrentWidget(m_tree);
    if (QTreeWidgetItem* item = itemOf(archive))
        m_tree->editItem(item, 0);
}

void TFormZip::closeArchive() {
    if (m_model.selected() != nullptr && m_model.idle())
        m_model.closeArchive();
}

void TFormZip::browse(bool openWithProgram) {
    browseFrom(focus(), openWithProgram);
}

void TFormZip::browseFrom(ZipBrowserModel::Focus where, bool openWithProgram) {
    if (!m_model.idle())
        return;
    const ZipListRow* row = nullptr;
    if (QTreeWidgetItem* item = m_list->currentItem();
        item && where == ZipBrowserModel::Focus::List)
        row = &m_model.rows().at(item->data(0, Qt::UserRole).toULongLong());
    const std::string entry = m_model.browseEntry(where, row);
    if (!entry.empty())
        m_model.browse(entry, openWithProgram);
}

} // namespace quarlo::shell
