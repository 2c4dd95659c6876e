#pragma once

#include "schedule/ScheduleDialogModel.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

namespace quarlo {
class Clock;
}

namespace quarlo::shell {

// "Schedule Task": a once-off group and a recurring group whose controls each choose their
// kind when changed; the "Schedule:" and "Next Run:" labels follow every change. OK refuses
// a weekly schedule without a day.
class TdlgSchedule : public QDialog {
    Q_OBJECT
public:
    explicit TdlgSchedule(const Clock& clock, QWidget* parent = nullptr);

    ScheduleDialogModel& model() { return m_model; }
    // The description and next run OK accepted.
    const ScheduleResult& accepted() const { return m_accepted; }

    void accept() override;

private:
    QWidget* buildOnceGroup();
    QWidget* buildRecurringGroup();
    QWidget* buildEveryRow();
    QWidget* buildWeeklyRow();
    void connectControls();
    void showModel();

    ScheduleDialogModel m_model;
    ScheduleResult m_accepted;
    bool m_showing = false;
    QRadioButton* m_at = nullptr;
    QDateEdit* m_date = nullptr;
    QTimeEdit* m_time = nullptr;
    QRadioButton* m_every = nullptr;
    QSpinBox* m_hours = nullptr;
    QSpinBox* m_minutes = nullptr;
    QRadioButton* m_daily = nullptr;
    QTimeEdit* m_dailyTime = nullptr;
    QRadioButton* m_weekly = nullptr;
    QTimeEdit* m_weeklyTime = nullptr;
    // Monday first, as the dialog shows them.
    std::array<QCheckBox*, 7> m_days{};
    QLabel* m_scheduleLabel = nullptr;
    QLabel* m_nextRunLabel = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace quarlo::shell
