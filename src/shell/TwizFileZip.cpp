#include "shell/TwizFileZip.h"

#include "archive/ZipBrowserModel.h"
#include "archive/ZipWizard.h"
#include "model/TQLApp.h"
#include "shell/DialogEntryPoints.h"
#include "shell/Prompts.h"
#include "shell/ShellCommands.h"
#include "shell/ShellEngine.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::vector<std::string> toPaths(const QStringList& list) {
    std::vector<std::string> paths;
    for (const QString& path : list)
        paths.push_back(path.toStdString());
    return paths;
}

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

TwizFileZip::TwizFileZip(ZipWizard& wizard, ZipBrowserModel& browser, QWidget* parent)
    : QDialog(parent), m_wizard(wizard), m_browser(browser) {
    setObjectName(QStringLiteral("TwizFileZip"));
    setWindowTitle(qs(wizard.caption()));
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildArchivePage());
    m_pages->addWidget(buildFilesPage());
    m_pages->addWidget(buildCompressionPage());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buildButtons());
    resize(600, 380);

    m_fileName->setText(qs(wizard.fileName()));
    m_actions->button(static_cast<int>(wizard.action))->setChecked(true);
    m_usePaths->setChecked(wizard.usePaths);
    m_compression->setValue(wizard.compression);
    fillFileList();
    showPage(1);
}

TwizFileZip::~TwizFileZip() = default;

QWidget* TwizFileZip::buildArchivePage() {
    auto* page = new QWidget(this);
    m_fileName = new QLineEdit(page);
    m_fileName->setObjectName(QStringLiteral("edFilename"));
    auto* create = new QPushButton(tr("Create a new Zip file"), page);
    create->setObjectName(QStringLiteral("btnNewZip"));
    auto* open = new QPushButton(tr("Open an existing Zip file"), page);
    open->setObjectName(QStringLiteral("btnOpenZip"));
    connect(create, &QPushButton::clicked, this, [this] { chooseArchive(FileDialog::NewArchive); });
    connect(open, &QPushButton::clicked, this, [this] { chooseArchive(FileDialog::OpenArchive); });

    auto* actions = new QGroupBox(tr("Action:"), page);
    auto* actionLayout = new QVBoxLayout(actions);
    m_actions = new QButtonGroup(this);
    const char* names[] = {"rbAddReplace", "rbFreshen", "rbUpdate"};
    const QString texts[] = {tr("Add && replace files"), tr("Freshen existing files"),
                             tr("Update and add files")};
    for (int id = 0; id < 3; ++id) {
        auto* choice = new QRadioButton(texts[id], actions);
        choice->setObjectName(QLatin1String(names[id]));
        m_actions->addButton(choice, id);
        actionLayout->addWidget(choice);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(create);
    buttons->addWidget(open);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrappedLabel(
        tr("This wizard will help you create a zip file containing one or more compressed "
           "files."),
        page));
    layout->addSpacing(8);
    layout->addWidget(new QLabel(tr("Zip Filename: "), page));
    layout->addWidget(m_fileName);
    layout->addLayout(buttons);
    layout->addWidget(actions);
    layout->addStretch(1);
    return page;
}

QWidget* TwizFileZip::buildFilesPage() {
    auto* page = new QWidget(this);
    m_files = new QTreeWidget(page);
    m_files->setObjectName(QStringLiteral("lvFiles"));
    m_files->setRootIsDecorated(false);
    m_files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_files->setHeaderLabels({tr("Filename"), tr("Path")});
    m_files->header()->resizeSection(0, 160);
    m_files->setTextElideMode(Qt::ElideMiddle);
    auto* add = new QPushButton(tr("&Add"), page);
    add->setObjectName(QStringLiteral("btnAdd"));
    auto* remove = new QPushButton(tr("&Remove"), page);
    remove->setObjectName(QStringLiteral("btnRemove"));
    connect(add, &QPushButton::clicked, this, &TwizFileZip::addFiles);
    connect(remove, &QPushButton::clicked, this, &TwizFileZip::removeFiles);
    m_usePaths = new QCheckBox(tr("Save path names in zip file"), page);
    m_usePaths->setObjectName(QStringLiteral("cbUsePaths"));
    m_recurse = new QCheckBox(tr("Recurse Folders"), page);
    m_recurse->setObjectName(QStringLiteral("cbRecurse"));
    connect(m_recurse, &QCheckBox::toggled, this, [this](bool on) { m_wizard.recurse = on; });

    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(remove);
    side->addStretch(1);
    auto* list = new QHBoxLayout;
    list->addWidget(m_files, 1);
    list->addLayout(side);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(tr("Add Files:"), page));
    layout->addLayout(list, 1);
    layout->addWidget(m_usePaths);
    layout->addWidget(m_recurse);
    return page;
}

QWidget* TwizFileZip::buildCompressionPage() {
    auto* page = new QWidget(this);
    m_compression = new QSlider(Qt::Horizontal, page);
    m_compression->setObjectName(QStringLiteral("tbCompression"));
    m_compression->setRange(0, 9);
    m_compression->setPageStep(1);
    m_compression->setTickPosition(QSlider::TicksBelow);
    m_compression->setTickInterval(1);
    auto* scale = new QHBoxLayout;
    scale->addWidget(new QLabel(tr("None"), page));
    scale->addStretch(1);
    scale->addWidget(new QLabel(tr("Max"), page));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(tr("Zip Compression: "), page));
    layout->addWidget(m_compression);
    layout->addLayout(scale);
    layout->addStretch(1);
    return page;
}

QLayout* TwizFileZip::buildButtons() {
    m_back = new QPushButton(tr("< &Back"), this);
    m_back->setObjectName(QStringLiteral("btnBack"));
    m_next = new QPushButton(this);
    m_next->setObjectName(QStringLiteral("btnNext"));
    m_next->setDefault(true);
    m_cancel = new QPushButton(tr("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(m_back, &QPushButton::clicked, this, &TwizFileZip::back);
    connect(m_next, &QPushButton::clicked, this, &TwizFileZip::next);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addWidget(m_cancel);
    return buttons;
}

int TwizFileZip::page() const {
    return m_pages->currentIndex() + 1;
}

void TwizFileZip::showPage(int page) {
    m_pages->setCurrentIndex(page - 1);
    m_back->setEnabled(page > 1);
    m_next->setText(qs(ZipWizard::nextButtonText(page)));
    showArchiveChoice();
}

void TwizFileZip::next() {
    if (page() == 1) {
        m_wizard.setFileName(m_fileName->text().toStdString());
        const Status check = m_wizard.acceptFileName();
        m_fileName->setText(qs(m_wizard.fileName()));
        if (!check.ok()) {
            Prompts::error(this, qs(check.message()));
            return;
        }
    }
    if (page() == 3) {
        finish();
        return;
    }
    showPage(page() + 1);
}

void TwizFileZip::back() {
    if (page() > 1)
        showPage(page() - 1);
}

void TwizFileZip::chooseArchive(FileDialog which) {
    const QStringList chosen = ask(which);
    if (chosen.isEmpty())
        return;
    if (which == FileDialog::NewArchive)
        m_wizard.chooseNewArchive(chosen.front().toStdString());
    else
        m_wizard.chooseExistingArchive(chosen.front().toStdString());
    m_fileName->setText(qs(m_wizard.fileName()));
    m_actions->button(static_cast<int>(m_wizard.action))->setChecked(true);
    showArchiveChoice();
}

// Only "Add & replace files" makes sense for an archive that is made anew.
void TwizFileZip::showArchiveChoice() {
    for (QAbstractButton* choice : m_actions->buttons())
        choice->setEnabled(m_wizard.actionsEnabled() ||
                           m_actions->id(choice) == static_cast<int>(ZipAddAction::AddAndReplace));
}

void TwizFileZip::addFiles() {
    const QStringList chosen = ask(FileDialog::AddFiles);
    if (chosen.isEmpty())
        return;
    m_wizard.addFiles(toPaths(chosen));
    fillFileList();
}

void TwizFileZip::removeFiles() {
    std::vector<std::size_t> rows;
    for (QTreeWidgetItem* item : m_files->selectedItems())
        rows.push_back(static_cast<std::size_t>(m_files->indexOfTopLevelItem(item)));
    m_wizard.removeFiles(rows);
    fillFileList();
}

void TwizFileZip::fillFileList() {
    m_files->clear();
    for (std::size_t row = 0; row < m_wizard.files().size(); ++row) {
        const auto [name, folder] = m_wizard.fileRow(row);
        new QTreeWidgetItem(m_files, {qs(name), qs(folder)});
    }
    m_recurse->setVisible(m_wizard.recurseShown);
    m_recurse->setChecked(m_wizard.recurse);
}

void TwizFileZip::finish() {
    m_wizard.action = static_cast<ZipAddAction>(m_actions->checkedId());
    m_wizard.usePaths = m_usePaths->isChecked();
    m_wizard.recurse = m_recurse->isChecked();
    m_wizard.compression = m_compression->value();
    m_wizard.finish(m_browser);
    accept();
}

QStringList TwizFileZip::ask(FileDialog which) {
    const QString start = qs(m_wizard.zipFolder);
    if (m_chooser)
        return m_chooser(which, start);
    if (which == FileDialog::AddFiles)
        return QFileDialog::getOpenFileNames(this, tr("Add Files"), start, tr("All files (*)"));
    QFileDialog dialog(this,
                       which == FileDialog::NewArchive ? tr("New Zip File") : tr("Open Zip File"),
                       start, tr("Zip file (*.zip)"));
    if (which == FileDialog::NewArchive) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("zip"));
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

void openFileZipWizard(QWidget* parent, ShellEngine& engine, const QStringList& files) {
    ZipBrowserModel& browser = engine.zipBrowser();
    const TZipObj* current = browser.currentArchive();
    ZipWizard wizard(engine.app().settings(), current ? current->archivePath : std::string());
    if (!files.isEmpty())
        wizard.presetDropped(toPaths(files));
    TwizFileZip dialog(wizard, browser, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The browser shows what went wrong while adding.
    ignoreFailure(wizard.apply(browser));
    emit engine.filesChanged();
    // The main window records the archive among the recent ones and shows the Zip browser.
    auto* commands = dynamic_cast<ShellCommands*>(parent);
    if (commands != nullptr && browser.findArchive(wizard.fileName()) != nullptr)
        commands->openZip(qs(wizard.fileName()));
}

} // namespace quarlo::shell
