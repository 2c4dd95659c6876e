#include "shell/TdlgEditFileType.h"

#include "html/FileTypes.h"
#include "model/TQLApp.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

constexpr int kMinimumWidth = 440;

FileTypeEdit startingEdit(ShellEngine& engine, const QString& category) {
    if (category.isEmpty())
        return FileTypeEdit::forNew();
    return FileTypeEdit::forEdit(FileTypes(engine.app().settings()), category.toStdString());
}

} // namespace

TdlgEditFileType::TdlgEditFileType(ShellEngine& engine, const QString& category, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_edit(startingEdit(engine, category)) {
    setObjectName(QStringLiteral("TdlgEditFileType"));
    setWindowTitle(QString::fromUtf8(m_edit.caption()));
    setMinimumWidth(kMinimumWidth);

    auto* prompt = new QLabel(QString::fromUtf8(FileTypeEdit::prompt()), this);
    prompt->setWordWrap(true);
    m_fileType = new QLineEdit(QString::fromStdString(m_edit.name()), this);
    m_fileType->setObjectName(QStringLiteral("edFileType"));
    m_extensions = new QLineEdit(QString::fromStdString(m_edit.extensions()), this);
    m_extensions->setObjectName(QStringLiteral("edExtensions"));

    auto* fields = new QFormLayout;
    fields->addRow(tr("File Type:"), m_fileType);
    fields->addRow(tr("File Extensions:"), m_extensions);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(fields);
    m_buttons = addOkCancelRow(*this, *layout);

    connect(m_fileType, &QLineEdit::textChanged, this, &TdlgEditFileType::updateOk);
    updateOk();
    (m_edit.editing() ? m_extensions : m_fileType)->setFocus();
}

TdlgEditFileType::~TdlgEditFileType() = default;

QString TdlgEditFileType::fileType() const {
    return m_fileType->text().trimmed();
}

void TdlgEditFileType::updateOk() {
    m_edit.setName(m_fileType->text().toStdString());
    m_buttons.ok->setEnabled(m_edit.okEnabled());
}

void TdlgEditFileType::accept() {
    m_edit.setName(m_fileType->text().toStdString());
    m_edit.setExtensions(m_extensions->text().toStdString());
    if (!m_edit.okEnabled())
        return;
    FileTypes table(m_engine.app().settings());
    if (Status saved = m_edit.save(table); !saved) {
        Prompts::error(this, QString::fromStdString(saved.message()));
        return;
    }
    QDialog::accept();
}

} // namespace quarlo::shell
