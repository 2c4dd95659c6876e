#include "shell/TdlgEditURLFilter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {
constexpr int kMinimumWidth = 420;
} // namespace

TdlgEditURLFilter::TdlgEditURLFilter(FilterKind kind, const QString& tag, QWidget* parent)
    : TdlgEditURLFilter(UrlFilterDialog::forAdd(kind, tag.toStdString()), parent) {}

TdlgEditURLFilter::TdlgEditURLFilter(FilterKind kind, const QString& tag, const QString& entry,
                                     QWidget* parent)
    : TdlgEditURLFilter(UrlFilterDialog::forEdit(kind, tag.toStdString(), entry.toStdString()),
                        parent) {}

TdlgEditURLFilter::TdlgEditURLFilter(UrlFilterDialog logic, QWidget* parent)
    : QDialog(parent), m_logic(std::move(logic)) {
    setObjectName(QStringLiteral("TdlgEditURLFilter"));
    setWindowTitle(QString::fromUtf8(m_logic.caption()));
    setMinimumWidth(kMinimumWidth);

    m_label = new QLabel(QString::fromStdString(m_logic.label()), this);
    m_label->setObjectName(QStringLiteral("lblURLFilter"));
    m_label->setWordWrap(true);
    m_filter = new QLineEdit(QString::fromStdString(m_logic.text()), this);
    m_filter->setObjectName(QStringLiteral("edURLFilter"));
    m_label->setBuddy(m_filter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_filter);
    m_buttons = addOkCancelRow(*this, *layout);

    connect(m_filter, &QLineEdit::textChanged, this, &TdlgEditURLFilter::textEdited);
    m_buttons.ok->setEnabled(m_logic.okEnabled());
    m_filter->setFocus();
}

TdlgEditURLFilter::~TdlgEditURLFilter() = default;

void TdlgEditURLFilter::textEdited(const QString& text) {
    m_logic.setText(text.toStdString());
    m_buttons.ok->setEnabled(m_logic.okEnabled());
}

QString TdlgEditURLFilter::entry() const {
    return QString::fromStdString(m_logic.entry());
}

} // namespace quarlo::shell
