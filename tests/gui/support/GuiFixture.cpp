#include "support/GuiFixture.h"

#include "model/TQLProfile.h"
#include "platform/Folders.h"
#include "shell/ShellHooks.h"
#include "shell/TFormQuarlo.h"
#include "shell/TFormScheduler.h"
#include "shell/ToolPanel.h"

#include <QComboBox>
#include <QDir>
#include <QTest>
#include <QToolButton>

#include <stdexcept>

namespace quarlo::test {

PromptRecorder::PromptRecorder() {
    shell::Prompts::setHandler([this](shell::Prompts::Kind kind, const QString& text) {
        m_prompts.push_back({kind, text});
        return m_answer;
    });
}

PromptRecorder::~PromptRecorder() {
    shell::Prompts::setHandler({});
}

int PromptRecorder::count(shell::Prompts::Kind kind) const {
    return static_cast<int>(std::count_if(m_prompts.begin(), m_prompts.end(),
                                          [kind](const Prompt& p) { return p.kind == kind; }));
}

OpenRecorder::OpenRecorder() {
    shell::ShellHooks::setOpenHook([this](const QString& location) {
        m_opened << location;
        return m_succeeds;
    });
}

OpenRecorder::~OpenRecorder() {
    shell::ShellHooks::setOpenHook({});
}

ShellHome::ShellHome() {
    auto app = TQLApp::create(locateFolders());
    if (!app)
        throw std::runtime_error("TQLApp::create failed: " + app.message());
    m_app = std::move(*app);
    if (auto setup = m_app->firstRunSetup(); !setup)
        throw std::runtime_error("first-run setup failed: " + setup.message());
    m_app->setShowSummaryOnCompletion(false);
    m_app->setBeepOnCompletion(false);
    m_engine = std::make_unique<shell::ShellEngine>(*m_app, nullptr);
}

ShellHome::~ShellHome() {
    m_engine.reset();
    m_app.reset();
}

std::optional<TaskStatus> taskStatus(const TQLTask* task) {
    if (task == nullptr)
        return std::nullopt;
    std::lock_guard lock(task->mutex());
    return task->status();
}

TaskCounters taskCounters(const TQLTask& task) {
    std::lock_guard lock(task.mutex());
    return task.counters();
}

bool showMainWindow(shell::TFormQuarlo& window) {
    bool ready = false;
    QObject::connect(&window, &shell::TFormQuarlo::ready, [&ready] { ready = true; });
    window.show();
    return waitUntil([&] { return ready; });
}

void saveQuickProfile(TQLApp& app) {
    TQLProfile profile = TQLProfile::defaults();
    profile.setUseStartPageTitle(false);
    if (Status saved = saveAsNamedProfile(app, profile, "Quick"); !saved)
        throw std::runtime_error("saving the profile failed: " + saved.message());
}

QString goWithQuickProfile(shell::TFormQuarlo& window, const std::string& url, bool intranetMode) {
    shell::ToolPanel* tools = window.toolPanel();
    QTest::mouseClick(intranetMode ? tools->btnIntranetMode : tools->btnQuarloMode, Qt::LeftButton);
    // The box fills its list as it drops down.
    tools->cmbProfile->showPopup();
    tools->cmbProfile->hidePopup();
    tools->cmbProfile->setCurrentText(QStringLiteral("Quick"));
    tools->cmbURL->setEditText(QString::fromStdString(url));
    QTest::mouseClick(tools->btnGO, Qt::LeftButton);
    return window.taskManager()->selectedPath();
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    return QTest::qWaitFor(done, timeoutMs);
}

QString screenshotPath(const QString& name) {
    QDir().mkpath(QStringLiteral(QUARLO_SCREENSHOT_DIR));
    return QStringLiteral(QUARLO_SCREENSHOT_DIR) + QLatin1Char('/') + name;
}

} // namespace quarlo::test
