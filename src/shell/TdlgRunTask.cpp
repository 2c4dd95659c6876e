#include "shell/TdlgRunTask.h"

#include "model/RunRequest.h"
#include "model/TQLTask.h"
#include "shell/DialogEntryPoints.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace quarlo::shell {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The choices in the order of kRunMethodCaptions; each button's id is its method's number.
constexpr RunMethod kChoices[] = {RunMethod::Restart, RunMethod::Resume, RunMethod::SmartUpdate,
                                  RunMethod::SmartRecovery};

std::size_t choiceIndex(RunMethod method) {
    return static_cast<std::size_t>(toIniValue(method));
}

} // namespace

TdlgRunTask::TdlgRunTask(const TQLTask& task, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgRunTask"));
    const RunDialogModel model = runDialogModel(task);
    setWindowTitle(qs(model.title));

    auto* layout = new QVBoxLayout(this);
    m_question = new QLabel(qs(model.question), this);
    m_question->setObjectName(QStringLiteral("lblQuestion"));
    m_question->setWordWrap(true);
    layout->addWidget(m_question);
    layout->addWidget(buildTable(model.summary));
    layout->addWidget(buildChoices());

    choice(RunMethod::SmartRecovery).setEnabled(model.recoveryAllowed);
    setRunMethod(model.initialMethod);

    auto* buttons = new QDialogButtonBox(this);
    m_run = buttons->addButton(tr("&Run"), QDialogButtonBox::AcceptRole);
    m_run->setObjectName(QStringLiteral("btnRun"));
    m_run->setDefault(true);
    m_cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(440);
}

QWidget* TdlgRunTask::buildTable(const RunSummary& summary) {
    const int rows = static_cast<int>(RunSummary::kRows.size());
    const int columns = static_cast<int>(RunSummary::kColumns.size());
    m_table = new QTableWidget(rows, columns, this);
    m_table->setObjectName(QStringLiteral("grdSummary"));
    for (int c = 0; c < columns; ++c)
        m_table->setHorizontalHeaderItem(c, new QTableWidgetItem(tr(RunSummary::kColumns[c])));
    for (int r = 0; r < rows; ++r) {
        m_table->setVerticalHeaderItem(r, new QTableWidgetItem(tr(RunSummary::kRows[r])));
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem(qs(summary.cell(r, c)));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            item->setFlags(Qt::ItemIsEnabled);
            m_table->setItem(r, c, item);
        }
    }
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int height = m_table->horizontalHeader()->sizeHint().height() + 2 * m_table->frameWidth();
    for (int r = 0; r < rows; ++r)
        height += m_table->verticalHeader()->sectionSizeHint(r);
    m_table->setFixedHeight(height);
    return m_table;
}

QWidget* TdlgRunTask::buildChoices() {
    auto* box = new QGroupBox(this);
    auto* layout = new QVBoxLayout(box);
    m_group = new QButtonGroup(this);
    for (const RunMethod method : kChoices) {
        const char* caption = kRunMethodCaptions[choiceIndex(method)];
        auto* choice = new QRadioButton(tr(caption), box);
        choice->setObjectName(QStringLiteral("rb") + QLatin1String(caption));
        m_group->addButton(choice, toIniValue(method));
        m_choices[choiceIndex(method)] = choice;
        layout->addWidget(choice);
    }
    m_explanation = new QLabel(box);
    m_explanation->setObjectName(QStringLiteral("lblExplanation"));
    m_explanation->setWordWrap(true);
    m_explanation->setMinimumHeight(m_explanation->fontMetrics().lineSpacing() * 2);
    m_explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_explanation);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            showExplanation();
    });
    return box;
}

void TdlgRunTask::showExplanation() {
    m_explanation->setText(qs(runMethodExplanation(runMethod())));
}

RunMethod TdlgRunTask::runMethod() const {
    return runMethodFromIniValue(m_group->checkedId()).value_or(RunMethod::Resume);
}

void TdlgRunTask::setRunMethod(RunMethod method) {
    if (QAbstractButton* choice = m_group->button(toIniValue(method));
        choice && choice->isEnabled())
        choice->setChecked(true);
    showExplanation();
}

QRadioButton& TdlgRunTask::choice(RunMethod method) {
    return *m_choices.at(choiceIndex(method));
}

std::optional<RunMethod> chooseRunMethod(QWidget* parent, TQLTask& task) {
    std::error_code error;
    if (!std::filesystem::exists(task.queueFilePath(), error))
        return RunMethod::Restart;
    TdlgRunTask dialog(task, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.runMethod();
}

} // namespace quarlo::shell
