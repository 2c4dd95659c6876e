#include "model/LaunchHelp.h"
#include "model/TQLApp.h"
#include "platform/BuildVersion.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"
#include "shell/ShellEngine.h"
#include "shell/SingleInstance.h"
#include "shell/TFormQuarlo.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <QTimer>

#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

using namespace quarlo;

std::atomic<bool> g_closeRequested{false};

extern "C" void onCloseSignal(int) {
    g_closeRequested = true;
}

// SIGTERM and SIGINT close the window as the user would, so the run stops, the Temp folder
// goes and the position is kept.
void closeOnSignals(QWidget& window) {
    std::signal(SIGTERM, onCloseSignal);
    std::signal(SIGINT, onCloseSignal);
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window] {
        if (g_closeRequested.exchange(false))
            window.close();
    });
    timer->start(200);
}

// Another instance works on this data folder: a desktop program gets the
// parameter; the command-line program is only named.
int handOverToRunningInstance(const Folders& folders, const QString& parameter) {
    const auto holder = InstanceLock::currentHolder(folders.dataFolder);
    if (holder && holder->frontEnd == "gui" &&
        shell::SingleInstance::handOver(QString::fromStdString(folders.dataFolder), parameter))
        return 0;
    const QString who = holder ? QString::fromStdString(holder->frontEnd) : QStringLiteral("?");
    QMessageBox::warning(nullptr, QStringLiteral("Quarlo"),
                         QObject::tr("Another Quarlo program (%1, process %2) is working on "
                                     "this data folder; try again when it has finished.")
                             .arg(who == QStringLiteral("cli") ? QStringLiteral("quarlo-cli") : who)
                             .arg(holder ? holder->pid : 0));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    // Answered before any window system is needed.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quarlo %s\n", buildVersion());
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(launchUsageText().c_str(), stdout);
        return 0;
    }
    QApplication application(argc, argv);
    // The core formats numbers the same way in every locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Quarlo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quarlo"));
    const QString parameter = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    const Folders folders = locateFolders();
    QApplication::setWindowIcon(
        QIcon(QString::fromStdString(folders.resourceFolder + "icons/quarlo.svg")));
    InstanceLock lock(folders.dataFolder);
    if (!lock.tryAcquire("gui"))
        return handOverToRunningInstance(folders, parameter);

    auto created = TQLApp::create(folders);
    if (!created) {
        QMessageBox::critical(nullptr, QStringLiteral("Quarlo"),
                              QString::fromStdString(created.message()));
        return 2;
    }
    TQLApp& app = **created;
    if (auto setup = app.firstRunSetup(); !setup)
        QMessageBox::warning(nullptr, QStringLiteral("Quarlo"),
                             QString::fromStdString(setup.message()));
    for (const std::string& problem : app.startupCheck(true))
        qWarning("%s", problem.c_str());

    shell::ShellEngine engine(app, &lock);
    shell::SingleInstance instance(QString::fromStdString(folders.dataFolder));
    instance.listen();
    shell::TFormQuarlo window(engine);
    QObject::connect(
        &instance, &shell::SingleInstance::parameterReceived, &window,
        [&window](const QString& received) { window.handleParameter(received, true); });
    window.setLaunchParameter(parameter);
    closeOnSignals(window);
    window.show();
    return QApplication::exec();
}
