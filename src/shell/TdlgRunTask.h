#pragma once

#include "model/TaskStates.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace quarlo {
class TQLTask;
struct RunSummary;
} // namespace quarlo

namespace quarlo::shell {

// Asks how a task that already has a download list should run: the last run's summary,
// a question that says how it ended, and the four run methods with an explanation of the
// one chosen. "&Run" accepts with the chosen method.
class TdlgRunTask : public QDialog {
    Q_OBJECT
public:
    explicit TdlgRunTask(const TQLTask& task, QWidget* parent = nullptr);

    // The chosen run method.
    RunMethod runMethod() const;
    void setRunMethod(RunMethod method);

    QTableWidget& summaryTable() { return *m_table; }
    QRadioButton& choice(RunMethod method);
    QLabel& questionLabel() { return *m_question; }
    QLabel& explanationLabel() { return *m_explanation; }
    QPushButton& runButton() { return *m_run; }
    QPushButton& cancelButton() { return *m_cancel; }

private:
    QWidget* buildTable(const RunSummary& summary);
    QWidget* buildChoices();
    void showExplanation();

    QTableWidget* m_table = nullptr;
    QLabel* m_question = nullptr;
    QLabel* m_explanation = nullptr;
    QButtonGroup* m_group = nullptr;
    std::array<QRadioButton*, 4> m_choices{};
    QPushButton* m_run = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace quarlo::shell
