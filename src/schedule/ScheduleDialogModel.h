#pragma once

#include "schedule/Schedule.h"

#include <string>

namespace quarlo {

class Clock;

// The schedule dialog without its widgets: each kind keeps its own controls (the once-off
// date and time, the two boxes of "Every", the daily time, the weekly time and days), a
// change to any of them chooses that kind, and the result is worked out again at the
// clock's present time.
class ScheduleDialogModel {
public:
    // As the dialog opens: "At" today at the present time (whole seconds), boxes at "0",
    // the daily and weekly times at the present time too, no weekday checked.
    explicit ScheduleDialogModel(const Clock& clock);

    ScheduleChoice choice() const { return m_choice; }
    void choose(ScheduleChoice choice);

    DateTime onceDate() const { return m_onceDate; }
    DateTime onceTime() const { return m_onceTime; }
    void setOnceDate(DateTime date);
    void setOnceTime(DateTime time);
    // The boxes of "Every" keep only the digits of what they are given; the result then
    // corrects them (empty is 0, at most 23 hours and 59 minutes) and they take it over.
    const std::string& hours() const { return m_hours; }
    const std::string& minutes() const { return m_minutes; }
    void setHours(const std::string& text);
    void setMinutes(const std::string& text);
    DateTime dailyTime() const { return m_dailyTime; }
    void setDailyTime(DateTime time);
    DateTime weeklyTime() const { return m_weeklyTime; }
    const WeekDays& weekDays() const { return m_days; }
    void setWeeklyTime(DateTime time);
    void setWeekDay(int dayOfWeek, bool checked);

    // The description, next run and the "Schedule:" and "Next Run:" labels of the choice.
    const ScheduleResult& result() const { return m_result; }
    // Works the result out again at the present time (the clock has moved on).
    void refresh();
    // OK: the result, or message 746 while "Weekly at" has no day checked.
    Result<ScheduleResult> accept() const;

    static std::string digitsOnly(const std::string& text);

private:
    ScheduleInputs inputs() const;
    void changed(ScheduleChoice choice);

    const Clock& m_clock;
    ScheduleChoice m_choice = ScheduleChoice::At;
    DateTime m_onceDate = 0;
    DateTime m_onceTime = 0;
    std::string m_hours = "0";
    std::string m_minutes = "0";
    DateTime m_dailyTime = 0;
    DateTime m_weeklyTime = 0;
    WeekDays m_days{};
    ScheduleResult m_result;
};

} // namespace quarlo
