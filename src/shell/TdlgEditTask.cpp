#include "shell/TdlgEditTask.h"

#include "model/TQLTask.h"
#include "shell/DialogEntryPoints.h"
#include "shell/FileTypesPage.h"
#include "shell/ShellEngine.h"
#include "shell/TdlgUserNamePassword.h"
#include "shell/UrlFiltersPage.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

constexpr int kPageRole = Qt::UserRole;

EditorMode modeOf(EditorCaption caption) {
    switch (caption) {
    case EditorCaption::EditTask:
        return EditorMode::EditTask;
    case EditorCaption::AddTask:
        return EditorMode::AddTask;
    case EditorCaption::CreateNewTask:
        break;
    }
    return EditorMode::CreateNewTask;
}

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setObjectName(QLatin1String(name));
    return made;
}

} // namespace

TdlgEditTask::TdlgEditTask(ShellEngine& engine, TQLTask& task, EditorMode mode, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_task(task), m_editor(engine.app(), task, mode) {
    setObjectName(QStringLiteral("dlgEditTask"));
    setWindowTitle(QString::fromStdString(editorTitle(mode)));
    m_account = new TdlgUserNamePassword(this);
    buildLayout();
    buildTree();
    connectControls();
    connectProfileControls();
    connectDestination();
    m_editor.show();
    showValues();
    m_tree->setCurrentItem(m_tree->topLevelItem(0));
    updateTitleBar();
}

TdlgEditTask::~TdlgEditTask() = default;

void TdlgEditTask::buildLayout() {
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("tvPages"));
    m_tree->setHeaderHidden(true);
    m_tree->setFixedWidth(190);
    m_titleBar = new QLabel(this);
    m_titleBar->setObjectName(QStringLiteral("lblTitleBar"));
    m_titleBar->setFrameShape(QFrame::StyledPanel);
    m_titleBar->setAutoFillBackground(true);
    m_titleBar->setBackgroundRole(QPalette::Dark);
    m_titleBar->setForegroundRole(QPalette::BrightText);
    QFont bold = m_titleBar->font();
    bold.setBold(true);
    m_titleBar->setFont(bold);
    m_titleBar->setMinimumHeight(24);
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("pcPages"));

    m_taskName = new QLineEdit(this);
    m_taskName->setObjectName(QStringLiteral("edTaskName"));
    m_category = new QComboBox(this);
    m_category->setObjectName(QStringLiteral("cmbCategory"));
    m_category->setEditable(true);
    m_category->setInsertPolicy(QComboBox::NoInsert);
    auto* names = new QGridLayout;
    names->addWidget(new QLabel(tr("Task Name:"), this), 0, 0);
    names->addWidget(m_taskName, 0, 1);
    names->addWidget(new QLabel(tr("Category:"), this), 1, 0);
    names->addWidget(m_category, 1, 1);
    names->setColumnStretch(1, 1);

    auto* page = new QVBoxLayout;
    page->addWidget(m_titleBar);
    page->addWidget(m_pages, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_tree);
    middle->addLayout(page, 1);

    auto* ok = button(tr("&OK"), "btnOK", this);
    ok->setDefault(true);
    auto* cancel = button(tr("&Cancel"), "btnCancel", this);
    auto* reset = button(tr("Re&set"), "btnReset", this);
    auto* runNow = button(tr("&Run Now!"), "btnRunNow", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(runNow);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(reset);
    connect(ok, &QPushButton::clicked, this, [this] { finish(false); });
    connect(runNow, &QPushButton::clicked, this, [this] { finish(true); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(reset, &QPushButton::clicked, this, &TdlgEditTask::resetClicked);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(names);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);
    resize(760, 520);
}

void TdlgEditTask::buildTree() {
    const auto add = [this](QTreeWidgetItem* parent, const QString& text, QWidget* page) {
        auto* item = parent == nullptr ? new QTreeWidgetItem(m_tree) : new QTreeWidgetItem(parent);
        item->setText(0, text);
        item->setData(0, kPageRole, m_pages->addWidget(page));
        return item;
    };
    m_fileTypes = new FileTypesPage(m_engine, this);
    m_fileTypes->setObjectName(QStringLiteral("pgFileTypes"));
    m_filters = new UrlFiltersPage(m_engine, this);
    m_filters->setObjectName(QStringLiteral("pgUrlFilters"));

    add(nullptr, tr("Download URLs"), buildUrlsPage());
    add(nullptr, tr("Save to"), buildSaveToPage());
    QTreeWidgetItem* method = add(nullptr, tr("Download Method"), buildMethodPage());
    add(method, tr("Filetypes"), m_fileTypes);
    add(method, tr("Followed Links"), buildFollowedPage());
    add(method, tr("URL Filters"), m_filters);
    QTreeWidgetItem* advanced = add(nullptr, tr("Advanced"), buildAdvancedPage());
    add(advanced, tr("Followed Links (Adv)"), buildAggressivePage());
    add(advanced, tr("Link Conversion"), buildConversionPage());
    add(nullptr, tr("Schedule"), buildSchedulePage());
    m_tree->expandAll();
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current == nullptr)
            return;
        m_pages->setCurrentIndex(current->data(0, kPageRole).toInt());
        updateTitleBar();
    });
}

bool TdlgEditTask::selectPage(const QString& nodeText) {
    const QList<QTreeWidgetItem*> found =
        m_tree->findItems(nodeText, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty())
        return false;
    m_tree->setCurrentItem(found.front());
    return true;
}

QString TdlgEditTask::titleBarText() const {
    return m_titleBar->text();
}

void TdlgEditTask::updateTitleBar() {
    const QTreeWidgetItem* node = m_tree->currentItem();
    if (node == nullptr)
        return;
    m_titleBar->setText(QString::fromStdString(
        m_editor.titleBar(node->text(0).toStdString(), node->parent() == nullptr)));
}

EditorOutcome editTask(QWidget* parent, ShellEngine& engine, TQLTask& task, EditorCaption caption) {
    TdlgEditTask dialog(engine, task, modeOf(caption), parent);
    EditorOutcome outcome;
    outcome.accepted = dialog.exec() == QDialog::Accepted;
    outcome.wroteFile = dialog.editor().wroteFile();
    return outcome;
}

} // namespace quarlo::shell
