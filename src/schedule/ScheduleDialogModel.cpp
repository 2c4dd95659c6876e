#include "schedule/ScheduleDialogModel.h"

#include "schedule/Clock.h"

namespace quarlo {

ScheduleDialogModel::ScheduleDialogModel(const Clock& clock) : m_clock(clock) {
    const ScheduleInputs initial = initialScheduleInputs(m_clock.now());
    m_onceDate = initial.date;
    m_onceTime = initial.time;
    m_dailyTime = initial.time;
    m_weeklyTime = initial.time;
    m_hours = initial.hours;
    m_minutes = initial.minutes;
    m_choice = initial.choice;
    refresh();
}

void ScheduleDialogModel::choose(ScheduleChoice choice) {
    changed(choice);
}

void ScheduleDialogModel::setOnceDate(DateTime date) {
    m_onceDate = date;
    changed(ScheduleChoice::At);
}

void ScheduleDialogModel::setOnceTime(DateTime time) {
    m_onceTime = time;
    changed(ScheduleChoice::At);
}

void ScheduleDialogModel::setHours(const std::string& text) {
    m_hours = digitsOnly(text);
    changed(ScheduleChoice::Every);
}

void ScheduleDialogModel::setMinutes(const std::string& text) {
    m_minutes = digitsOnly(text);
    changed(ScheduleChoice::Every);
}

void ScheduleDialogModel::setDailyTime(DateTime time) {
    m_dailyTime = time;
    changed(ScheduleChoice::Daily);
}

void ScheduleDialogModel::setWeeklyTime(DateTime time) {
    m_weeklyTime = time;
    changed(ScheduleChoice::Weekly);
}

void ScheduleDialogModel::setWeekDay(int dayOfWeek, bool checked) {
    if (dayOfWeek < 0 || dayOfWeek >= static_cast<int>(m_days.size()))
        return;
    m_days[static_cast<std::size_t>(dayOfWeek)] = checked;
    changed(ScheduleChoice::Weekly);
}

void ScheduleDialogModel::changed(ScheduleChoice choice) {
    m_choice = choice;
    refresh();
}

ScheduleInputs ScheduleDialogModel::inputs() const {
    ScheduleInputs in;
    in.choice = m_choice;
    in.date = m_onceDate;
    in.hours = m_hours;
    in.minutes = m_minutes;
    in.days = m_days;
    switch (m_choice) {
    case ScheduleChoice::At:
        in.time = m_onceTime;
        break;
    case ScheduleChoice::Daily:
        in.time = m_dailyTime;
        break;
    case ScheduleChoice::Weekly:
        in.time = m_weeklyTime;
        break;
    case ScheduleChoice::Every:
        break;
    }
    return in;
}

void ScheduleDialogModel::refresh() {
    // The boxes hold digits only, so working the result out cannot fail.
    auto computed = computeSchedule(inputs(), m_clock.now());
    if (!computed.ok())
        return;
    m_result = *computed;
    if (m_choice == ScheduleChoice::Every) {
        m_hours = m_result.hours;
        m_minutes = m_result.minutes;
    }
}

Result<ScheduleResult> ScheduleDialogModel::accept() const {
    return acceptSchedule(inputs(), m_clock.now());
}

std::string ScheduleDialogModel::digitsOnly(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

} // namespace quarlo
