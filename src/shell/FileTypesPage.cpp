#include "shell/FileTypesPage.h"

#include "html/FileTypes.h"
#include "model/TQLApp.h"
#include "model/TQLProfile.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"
#include "shell/TdlgEditFileType.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <limits>

namespace quarlo::shell {

namespace {

constexpr int kGroupRole = Qt::UserRole;
constexpr int kExtensionRole = Qt::UserRole + 1;

Qt::CheckState checkStateOf(GroupMark mark) {
    switch (mark) {
    case GroupMark::Checked:
        return Qt::Checked;
    case GroupMark::Mixed:
        return Qt::PartiallyChecked;
    case GroupMark::None:
    case GroupMark::Unchecked:
        break;
    }
    return Qt::Unchecked;
}

} // namespace

FileTypesPage::FileTypesPage(ShellEngine& engine, QWidget* parent)
    : QWidget(parent), m_engine(engine) {
    m_all = new QCheckBox(tr("All"), this);
    m_all->setObjectName(QStringLiteral("cbAllFileTypes"));
    m_treeView = new QTreeWidget(this);
    m_treeView->setObjectName(QStringLiteral("tvFileTypes"));
    m_treeView->setHeaderHidden(true);
    m_treeView->setColumnCount(1);
    m_new = new QPushButton(tr("&New..."), this);
    m_new->setObjectName(QStringLiteral("btnNewFileType"));
    m_edit = new QPushButton(tr("&Edit..."), this);
    m_edit->setObjectName(QStringLiteral("btnEditFileType"));
    m_delete = new QPushButton(tr("&Delete"), this);
    m_delete->setObjectName(QStringLiteral("btnDeleteFileType"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_new);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    auto* treeAndButtons = new QHBoxLayout;
    treeAndButtons->addWidget(m_treeView, 1);
    treeAndButtons->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_all);
    layout->addLayout(treeAndButtons, 1);
    layout->addWidget(buildSizeLimits());

    connect(m_all, &QCheckBox::clicked, this, &FileTypesPage::allClicked);
    connect(m_treeView, &QTreeWidget::itemChanged, this, &FileTypesPage::itemChanged);
    connect(m_treeView, &QTreeWidget::currentItemChanged, this, &FileTypesPage::updateButtons);
    connect(m_new, &QPushButton::clicked, this, &FileTypesPage::newFileType);
    connect(m_edit, &QPushButton::clicked, this, &FileTypesPage::editFileType);
    connect(m_delete, &QPushButton::clicked, this, &FileTypesPage::deleteFileType);
    updateButtons();
}

FileTypesPage::~FileTypesPage() = default;

QWidget* FileTypesPage::buildSizeLimits() {
    auto* group = new QGroupBox(tr("File sizes in KB (0: no limit); others are skipped"), this);
    auto* grid = new QGridLayout(group);
    const QString names[4] = {QStringLiteral("sePageSizeMin"), QStringLiteral("sePageSizeMax"),
                              QStringLiteral("seMediaSizeMin"), QStringLiteral("seMediaSizeMax")};
    grid->addWidget(new QLabel(tr("Minimum"), group), 0, 1);
    grid->addWidget(new QLabel(tr("Maximum"), group), 0, 2);
    grid->addWidget(new QLabel(tr("Pages:"), group), 1, 0);
    grid->addWidget(new QLabel(tr("Media files:"), group), 2, 0);
    for (int i = 0; i < 4; ++i) {
        m_sizes[i] = new QSpinBox(group);
        m_sizes[i]->setObjectName(names[i]);
        m_sizes[i]->setRange(0, std::numeric_limits<int>::max());
        grid->addWidget(m_sizes[i], 1 + i / 2, 1 + i % 2);
        connect(m_sizes[i], &QSpinBox::valueChanged, this, [this] {
            if (!m_filling)
                emit changed();
        });
    }
    grid->setColumnStretch(3, 1);
    return group;
}

void FileTypesPage::load(const TQLProfile& profile) {
    m_model.build(FileTypes(m_engine.app().settings()).categories());
    m_model.setProfileTypes(profile.fileTypes());
    fillTree();
    m_filling = true;
    m_sizes[0]->setValue(profile.pageFileSizeMin());
    m_sizes[1]->setValue(profile.pageFileSizeMax());
    m_sizes[2]->setValue(profile.resourceFileSizeMin());
    m_sizes[3]->setValue(profile.resourceFileSizeMax());
    m_filling = false;
}

void FileTypesPage::store(TQLProfile& profile) const {
    profile.setFileTypes(m_model.profileTypes());
    profile.setPageFileSizeMin(m_sizes[0]->value());
    profile.setPageFileSizeMax(m_sizes[1]->value());
    profile.setResourceFileSizeMin(m_sizes[2]->value());
    profile.setResourceFileSizeMax(m_sizes[3]->value());
}

void FileTypesPage::fillTree() {
    m_filling = true;
    m_treeView->clear();
    const auto& groups = m_model.groups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        auto* groupItem = new QTreeWidgetItem(m_treeView);
        groupItem->setText(0, QString::fromStdString(groups[g].name));
        groupItem->setData(0, kGroupRole, static_cast<int>(g));
        groupItem->setData(0, kExtensionRole, -1);
        // A group without extensions has nothing to tick and shows no mark.
        if (!groups[g].extensions.empty())
            groupItem->setFlags(groupItem->flags() | Qt::ItemIsUserCheckable);
        for (std::size_t e = 0; e < groups[g].extensions.size(); ++e) {
            auto* child = new QTreeWidgetItem(groupItem);
            child->setText(0, QString::fromStdString(groups[g].extensions[e]));
            child->setData(0, kGroupRole, static_cast<int>(g));
            child->setData(0, kExtensionRole, static_cast<int>(e));
            child->setFlags(child->flags() | Qt::ItemIsUserCheckable);
        }
    }
    m_filling = false;
    showMarks();
    updateButtons();
}

void FileTypesPage::showMarks() {
    m_filling = true;
    m_all->setChecked(m_model.allTypes());
    m_treeView->setEnabled(!m_model.allTypes());
    for (int g = 0; g < m_treeView->topLevelItemCount(); ++g) {
        QTreeWidgetItem* groupItem = m_treeView->topLevelItem(g);
        const GroupMark mark = m_model.groupMark(static_cast<std::size_t>(g));
        if (mark != GroupMark::None)
            groupItem->setCheckState(0, checkStateOf(mark));
        for (int e = 0; e < groupItem->childCount(); ++e) {
            QTreeWidgetItem* child = groupItem->child(e);
            const bool ticked = m_model.isChecked(child->text(0).toStdString());
            child->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
        }
    }
    m_filling = false;
}

FileTypeNode FileTypesPage::nodeOf(const QTreeWidgetItem* item) const {
    FileTypeNode node;
    node.group = static_cast<std::size_t>(item->data(0, kGroupRole).toInt());
    const int extension = item->data(0, kExtensionRole).toInt();
    if (extension >= 0)
        node.extension = static_cast<std::size_t>(extension);
    return node;
}

QTreeWidgetItem* FileTypesPage::itemOf(const QString& group, const QString& extension) const {
    for (int g = 0; g < m_treeView->topLevelItemCount(); ++g) {
        QTreeWidgetItem* groupItem = m_treeView->topLevelItem(g);
        if (groupItem->text(0).compare(group, Qt::CaseInsensitive) != 0)
            continue;
        if (extension.isEmpty())
            return groupItem;
        for (int e = 0; e < groupItem->childCount(); ++e) {
            if (groupItem->child(e)->text(0).compare(extension, Qt::CaseInsensitive) == 0)
                return groupItem->child(e);
        }
    }
    return nullptr;
}

void FileTypesPage::itemChanged(QTreeWidgetItem* item) {
    if (m_filling || item == nullptr)
        return;
    const FileTypeNode node = nodeOf(item);
    const bool ticked = item->checkState(0) != Qt::Unchecked;
    if (node.extension)
        m_model.setExtensionChecked(m_model.nodeText(node), ticked);
    else
        m_model.setGroupChecked(node.group, ticked);
    showMarks();
    emit changed();
}

void FileTypesPage::allClicked(bool checked) {
    if (m_filling)
        return;
    m_model.setAllTypes(checked);
    showMarks();
    emit changed();
}

void FileTypesPage::updateButtons() {
    const QTreeWidgetItem* current = m_treeView->currentItem();
    m_edit->setEnabled(current != nullptr);
    m_delete->setEnabled(current != nullptr && m_model.canDelete(nodeOf(current)));
}

void FileTypesPage::newFileType() {
    TdlgEditFileType dialog(m_engine, {}, this);
    if (dialog.exec() == QDialog::Accepted)
        tableChanged(dialog.fileType());
}

void FileTypesPage::editFileType() {
    const QTreeWidgetItem* current = m_treeView->currentItem();
    if (current == nullptr)
        return;
    const QString group = QString::fromStdString(m_model.groupName(nodeOf(current)));
    TdlgEditFileType dialog(m_engine, group, this);
    if (dialog.exec() == QDialog::Accepted)
        tableChanged(dialog.fileType());
}

void FileTypesPage::deleteFileType() {
    const QTreeWidgetItem* current = m_treeView->currentItem();
    if (current == nullptr)
        return;
    const FileTypeNode node = nodeOf(current);
    if (!m_model.canDelete(node))
        return;
    if (!Prompts::askYesNo(this, QString::fromStdString(m_model.deleteQuestion(node))))
        return;
    FileTypes table(m_engine.app().settings());
    if (Status deleted = m_model.deleteFromTable(table, node); !deleted)
        Prompts::error(this, QString::fromStdString(deleted.message()));
    tableChanged(QString::fromStdString(m_model.groupName(node)));
}

void FileTypesPage::tableChanged(const QString& selectGroup) {
    const std::vector<std::string> before = m_model.profileTypes();
    m_model.rebuild(FileTypes(m_engine.app().settings()).categories());
    fillTree();
    if (QTreeWidgetItem* item = itemOf(selectGroup))
        m_treeView->setCurrentItem(item);
    if (m_model.profileTypes() != before)
        emit changed();
}

} // namespace quarlo::shell
