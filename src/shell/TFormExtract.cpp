#include "shell/TFormExtract.h"

#include "archive/ZipBrowserModel.h"
#include "archive/ZipWizard.h"
#include "model/TQLApp.h"
#include "shell/ShellEngine.h"
#include "shell/UnzipEntry.h"

#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TFormExtract::TFormExtract(ExtractSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setObjectName(QStringLiteral("TFormExtract"));
    setWindowTitle(tr("Unzip"));
    buildControls();
    m_usePaths->setChecked(settings.usePaths);
    m_overwrite->setChecked(settings.overwrite);
    (settings.allFiles ? m_allFiles : m_selectedFiles)->setChecked(true);
    m_folder->setText(qs(settings.folder));
    m_unzip->setEnabled(!m_folder->text().isEmpty());
    if (!settings.folder.empty())
        selectFolder(qs(settings.folder));

    connect(m_folder, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_unzip->setEnabled(!text.isEmpty()); });
    connect(m_tree, &QTreeView::clicked, this, &TFormExtract::folderChosen);
    connect(m_tree, &QTreeView::activated, this, &TFormExtract::folderChosen);
    connect(m_unzip, &QPushButton::clicked, this, &TFormExtract::unzip);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFormExtract::~TFormExtract() = default;

void TFormExtract::buildControls() {
    m_unzip = new QPushButton(tr("&Unzip"), this);
    m_unzip->setObjectName(QStringLiteral("btnUnzip"));
    m_unzip->setDefault(true);
    m_cancel = new QPushButton(tr("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));

    auto* columns = new QHBoxLayout;
    columns->addLayout(buildTargetColumn(), 1);
    columns->addLayout(buildChoicesColumn());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    resize(560, 380);
}

QLayout* TFormExtract::buildTargetColumn() {
    m_folder = new QLineEdit(this);
    m_folder->setObjectName(QStringLiteral("edExtractTo"));
    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setRootPath(QDir::rootPath());
    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("tvFolders"));
    m_tree->setModel(m_folders);
    m_tree->setHeaderHidden(true);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        m_tree->hideColumn(column);

    auto* label = new QLabel(tr("Unzip To:"), this);
    label->setBuddy(m_folder);
    auto* column = new QVBoxLayout;
    column->addWidget(label);
    column->addWidget(m_folder);
    column->addWidget(m_tree, 1);
    return column;
}

QLayout* TFormExtract::buildChoicesColumn() {
    m_allFiles = new QRadioButton(tr("All Files"), this);
    m_allFiles->setObjectName(QStringLiteral("rbAllFiles"));
    m_selectedFiles = new QRadioButton(tr("Selected Files"), this);
    m_selectedFiles->setObjectName(QStringLiteral("rbSelectedFiles"));
    auto* files = new QGroupBox(tr("Files:"), this);
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->addWidget(m_allFiles);
    filesLayout->addWidget(m_selectedFiles);

    m_usePaths = new QCheckBox(tr("Use path names"), this);
    m_usePaths->setObjectName(QStringLiteral("cbUsePaths"));
    m_overwrite = new QCheckBox(tr("Overwrite existing files"), this);
    m_overwrite->setObjectName(QStringLiteral("cbOverwrite"));
    auto* options = new QGroupBox(tr("Options:"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(m_usePaths);
    optionsLayout->addWidget(m_overwrite);

    auto* column = new QVBoxLayout;
    column->addWidget(m_unzip);
    column->addWidget(m_cancel);
    column->addSpacing(12);
    column->addWidget(files);
    column->addWidget(options);
    column->addStretch(1);
    return column;
}

// Shows a folder in the tree without writing it back, so that the typed form stays.
void TFormExtract::selectFolder(const QString& folder) {
    const QModelIndex index = m_folders->index(QDir::cleanPath(folder));
    if (!index.isValid())
        return;
    const QSignalBlocker blocker(m_tree->selectionModel());
    m_tree->setCurrentIndex(index);
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_tree->expand(parent);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
    // The folders are read in the background; the rows above it move as they arrive.
    connect(m_folders, &QFileSystemModel::directoryLoaded, m_tree, [this] {
        if (m_tree->currentIndex().isValid())
            m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
}

void TFormExtract::folderChosen(const QModelIndex& index) {
    if (index.isValid())
        m_folder->setText(m_folders->filePath(index));
}

void TFormExtract::unzip() {
    if (m_folder->text().isEmpty())
        return;
    m_settings.folder = m_folder->text().toStdString();
    m_settings.usePaths = m_usePaths->isChecked();
    m_settings.overwrite = m_overwrite->isChecked();
    m_settings.allFiles = m_allFiles->isChecked();
    accept();
}

void openUnzipDialog(QWidget* parent, ShellEngine& engine, const QStringList& entries) {
    ZipBrowserModel& browser = engine.zipBrowser();
    if (browser.currentArchive() == nullptr)
        return;
    ExtractSettings settings = ExtractSettings::read(engine.app().settings());
    const ZipNode* selected = browser.selected();
    settings.allFiles =
        entries.isEmpty() && (selected == nullptr || selected->kind == ZipNode::Kind::Archive);
    for (const QString& entry : entries)
        settings.selection.push_back(entry.toStdString());
    TFormExtract dialog(settings, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    engine.app().reportSettingsFailure(settings.store(engine.app().settings()));
    // The browser shows what went wrong while extracting.
    ignoreFailure(settings.run(browser));
    emit engine.filesChanged();
}

} // namespace quarlo::shell
