#include "shell/TdlgSaveProfile.h"

#include "shell/Prompts.h"
#include "shell/ShellEngine.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {
constexpr int kMinimumWidth = 340;
} // namespace

TdlgSaveProfile::TdlgSaveProfile(ShellEngine& engine, const QString& proposedName, QWidget* parent)
    : QDialog(parent), m_engine(engine) {
    setObjectName(QStringLiteral("TdlgSaveProfile"));
    setWindowTitle(QString::fromUtf8(saveProfileCaption()));
    setMinimumWidth(kMinimumWidth);

    auto* prompt = new QLabel(QString::fromUtf8(saveProfilePrompt()), this);
    m_name = new QLineEdit(proposedName, this);
    m_name->setObjectName(QStringLiteral("edProfileName"));
    m_name->selectAll();

    auto* fields = new QFormLayout;
    fields->addRow(QString::fromUtf8(saveProfileNameLabel()), m_name);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(fields);
    m_buttons = addOkCancelRow(*this, *layout);

    connect(m_name, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_buttons.ok->setEnabled(!text.isEmpty()); });
    m_buttons.ok->setEnabled(!proposedName.isEmpty());
    m_name->setFocus();
}

TdlgSaveProfile::~TdlgSaveProfile() = default;

void TdlgSaveProfile::accept() {
    if (m_name->text().isEmpty())
        return;
    auto target = profileSaveTarget(m_engine.app(), m_name->text().toStdString());
    if (!target) {
        Prompts::error(this, QString::fromStdString(target.message()));
        return;
    }
    m_target = *target;
    QDialog::accept();
}

} // namespace quarlo::shell
