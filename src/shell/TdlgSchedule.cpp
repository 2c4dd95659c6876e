#include "shell/TdlgSchedule.h"

#include "model/TQLTask.h"
#include "schedule/Clock.h"
#include "shell/DialogEntryPoints.h"
#include "shell/Prompts.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

// The check boxes left to right and the day of week each stands for.
constexpr std::array<const char*, 7> kDayCaptions = {"Mon", "Tue", "Wed", "Thu",
                                                     "Fri", "Sat", "Sun"};
constexpr std::array<int, 7> kDayOfWeek = {1, 2, 3, 4, 5, 6, 0};

QTime qtime(DateTime value) {
    const DateParts p = splitDateTime(value);
    return QTime(p.hour, p.minute, p.second);
}

QDate qdate(DateTime value) {
    const DateParts p = splitDateTime(value);
    return QDate(p.year, p.month, p.day);
}

DateTime timeOf(const QTime& time) {
    return makeDateTime(1899, 12, 30, time.hour(), time.minute(), time.second()).value_or(0);
}

DateTime dateOf(const QDate& date) {
    return makeDateTime(date.year(), date.month(), date.day()).value_or(0);
}

QTimeEdit* timePicker(const QString& name, QWidget* parent) {
    auto* picker = new QTimeEdit(parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return picker;
}

QSpinBox* numberBox(const QString& name, QWidget* parent) {
    // Up-down from 0; wider values may be typed so that the correction shows.
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, 99);
    return box;
}

} // namespace

TdlgSchedule::TdlgSchedule(const Clock& clock, QWidget* parent) : QDialog(parent), m_model(clock) {
    setObjectName(QStringLiteral("dlgSchedule"));
    setWindowTitle(tr("Schedule Task"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildOnceGroup());
    layout->addWidget(buildRecurringGroup());

    auto* results = new QGridLayout;
    results->addWidget(new QLabel(tr("Schedule:"), this), 0, 0);
    m_scheduleLabel = new QLabel(this);
    m_scheduleLabel->setObjectName(QStringLiteral("lblSchedule"));
    results->addWidget(m_scheduleLabel, 0, 1);
    m_nextRunLabel = new QLabel(this);
    m_nextRunLabel->setObjectName(QStringLiteral("lblNextRun"));
    results->addWidget(m_nextRunLabel, 1, 0, 1, 2);
    results->setColumnStretch(1, 1);
    layout->addLayout(results);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("btnOK"));
    m_ok->setDefault(true);
    m_cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TdlgSchedule::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    showModel();
    connectControls();
    setMinimumWidth(460);
}

QWidget* TdlgSchedule::buildOnceGroup() {
    auto* group = new QGroupBox(tr("Schedule (Once-off): "), this);
    auto* row = new QHBoxLayout(group);
    m_at = new QRadioButton(tr("At"), group);
    m_at->setObjectName(QStringLiteral("rbAt"));
    m_date = new QDateEdit(group);
    m_date->setObjectName(QStringLiteral("dtpDate"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    m_time = timePicker(QStringLiteral("dtpTime"), group);
    row->addWidget(m_at);
    row->addWidget(m_date);
    row->addWidget(m_time);
    row->addStretch();
    return group;
}

QWidget* TdlgSchedule::buildRecurringGroup() {
    auto* group = new QGroupBox(tr("Schedule (recurring): "), this);
    auto* rows = new QVBoxLayout(group);
    rows->addWidget(buildEveryRow());
    auto* daily = new QHBoxLayout;
    m_daily = new QRadioButton(tr("Daily at"), group);
    m_daily->setObjectName(QStringLiteral("rbDaily"));
    m_dailyTime = timePicker(QStringLiteral("dtpDaily"), group);
    daily->addWidget(m_daily);
    daily->addWidget(m_dailyTime);
    daily->addStretch();
    rows->addLayout(daily);
    rows->addWidget(buildWeeklyRow());
    return group;
}

QWidget* TdlgSchedule::buildEveryRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_every = new QRadioButton(tr("Every"), row);
    m_every->setObjectName(QStringLiteral("rbEvery"));
    m_hours = numberBox(QStringLiteral("edHours"), row);
    m_minutes = numberBox(QStringLiteral("edMinutes"), row);
    layout->addWidget(m_every);
    layout->addWidget(m_hours);
    layout->addWidget(new QLabel(tr("Hours"), row));
    layout->addWidget(m_minutes);
    layout->addWidget(new QLabel(tr("Minutes"), row));
    layout->addStretch();
    return row;
}

QWidget* TdlgSchedule::buildWeeklyRow() {
    auto* row = new QWidget(this);
    auto* layout = new QGridLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_weekly = new QRadioButton(tr("Weekly at"), row);
    m_weekly->setObjectName(QStringLiteral("rbWeekly"));
    m_weeklyTime = timePicker(QStringLiteral("dtpWeekly"), row);
    layout->addWidget(m_weekly, 0, 0);
    layout->addWidget(m_weeklyTime, 0, 1);
    auto* days = new QHBoxLayout;
    for (std::size_t i = 0; i < kDayCaptions.size(); ++i) {
        m_days[i] = new QCheckBox(tr(kDayCaptions[i]), row);
        m_days[i]->setObjectName(QStringLiteral("cb") + QLatin1String(kDayCaptions[i]));
        days->addWidget(m_days[i]);
    }
    days->addStretch();
    layout->addLayout(days, 1, 0, 1, 3);
    layout->setColumnStretch(2, 1);
    return row;
}

void TdlgSchedule::connectControls() {
    // Changes made by showModel itself are not the user's.
    auto user = [this](auto change) {
        return [this, change](auto... values) {
            if (!m_showing) {
                change(values...);
                showModel();
            }
        };
    };
    connect(m_at, &QRadioButton::clicked, this,
            user([this](bool) { m_model.choose(ScheduleChoice::At); }));
    connect(m_every, &QRadioButton::clicked, this,
            user([this](bool) { m_model.choose(ScheduleChoice::Every); }));
    connect(m_daily, &QRadioButton::clicked, this,
            user([this](bool) { m_model.choose(ScheduleChoice::Daily); }));
    connect(m_weekly, &QRadioButton::clicked, this,
            user([this](bool) { m_model.choose(ScheduleChoice::Weekly); }));
    connect(m_date, &QDateEdit::dateChanged, this,
            user([this](QDate date) { m_model.setOnceDate(dateOf(date)); }));
    connect(m_time, &QTimeEdit::timeChanged, this,
            user([this](QTime time) { m_model.setOnceTime(timeOf(time)); }));
    connect(m_hours, &QSpinBox::textChanged, this,
            user([this](const QString& text) { m_model.setHours(text.toStdString()); }));
    connect(m_minutes, &QSpinBox::textChanged, this,
            user([this](const QString& text) { m_model.setMinutes(text.toStdString()); }));
    connect(m_dailyTime, &QTimeEdit::timeChanged, this,
            user([this](QTime time) { m_model.setDailyTime(timeOf(time)); }));
    connect(m_weeklyTime, &QTimeEdit::timeChanged, this,
            user([this](QTime time) { m_model.setWeeklyTime(timeOf(time)); }));
    for (std::size_t i = 0; i < m_days.size(); ++i)
        connect(m_days[i], &QCheckBox::toggled, this,
                user([this, i](bool on) { m_model.setWeekDay(kDayOfWeek[i], on); }));
}

void TdlgSchedule::showModel() {
    m_showing = true;
    const ScheduleChoice choice = m_model.choice();
    m_at->setChecked(choice == ScheduleChoice::At);
    m_every->setChecked(choice == ScheduleChoice::Every);
    m_daily->setChecked(choice == ScheduleChoice::Daily);
    m_weekly->setChecked(choice == ScheduleChoice::Weekly);
    m_date->setDate(qdate(m_model.onceDate()));
    m_time->setTime(qtime(m_model.onceTime()));
    m_dailyTime->setTime(qtime(m_model.dailyTime()));
    m_weeklyTime->setTime(qtime(m_model.weeklyTime()));
    // A box being typed in keeps its text while it already says the same number.
    if (m_hours->text().toStdString() != m_model.hours())
        m_hours->setValue(std::stoi("0" + m_model.hours()));
    if (m_minutes->text().toStdString() != m_model.minutes())
        m_minutes->setValue(std::stoi("0" + m_model.minutes()));
    for (std::size_t i = 0; i < m_days.size(); ++i)
        m_days[i]->setChecked(m_model.weekDays()[static_cast<std::size_t>(kDayOfWeek[i])]);
    const ScheduleResult& result = m_model.result();
    m_scheduleLabel->setText(QString::fromStdString(result.scheduleLabel));
    m_nextRunLabel->setText(result.nextRunLabel.empty()
                                ? tr(" Next Run:")
                                : QString::fromStdString(result.nextRunLabel));
    m_showing = false;
}

void TdlgSchedule::accept() {
    const auto accepted = m_model.accept();
    if (!accepted.ok()) {
        Prompts::warning(this, QString::fromStdString(accepted.message()));
        return;
    }
    m_accepted = *accepted;
    QDialog::accept();
}

bool editSchedule(QWidget* parent, ShellEngine&, TQLTask& task) {
    TdlgSchedule dialog(SystemClock::instance(), parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.accepted().nextRun)
        return false;
    task.setSchedule(dialog.accepted().description);
    task.setNextRun(*dialog.accepted().nextRun);
    return true;
}

} // namespace quarlo::shell
