#include "platform/FileUtil.h"
#include "support/GuiFixture.h"

#include <QProcess>
#include <QTest>

#include <filesystem>

using namespace quarlo::test;

namespace {

QProcessEnvironment environmentFor(const std::string& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUARLO_HOME"), QString::fromStdString(home));
    return env;
}

} // namespace

// The installed program as a user starts it: it comes up with its home page, takes a second
// start's parameter over its local socket and closes cleanly on SIGTERM.
class ProgramSmokeTest : public QObject {
    Q_OBJECT
private slots:
    void startsHandsOverAndClosesCleanly();
};

void ProgramSmokeTest::startsHandsOverAndClosesCleanly() {
    TempDir home;
    QProcess first;
    first.setProcessEnvironment(environmentFor(home.path()));
    first.setProcessChannelMode(QProcess::SeparateChannels);
    first.start(QStringLiteral(QUARLO_GUI_PATH), {});
    QVERIFY(first.waitForStarted(10000));
    const std::string homePage = home.path() + "scratch/Quarlo/quarlo.htm";
    QVERIFY2(waitUntil([&] { return quarlo::fileExists(homePage); }, 60000),
             first.readAllStandardError().constData());
    QVERIFY(waitUntil([&] { return std::filesystem::exists(home.path() + "quarlo.socket"); }));

    QProcess second;
    second.setProcessEnvironment(environmentFor(home.path()));
    second.start(QStringLiteral(QUARLO_GUI_PATH), {QStringLiteral("http://127.0.0.1:9/handed")});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 0);
    QByteArray log;
    QVERIFY(waitUntil([&] {
        log += first.readAllStandardError();
        return log.contains("Parameter from a second start: http://127.0.0.1:9/handed");
    }));
    QCOMPARE(first.state(), QProcess::Running);

    first.terminate();
    QVERIFY(first.waitForFinished(30000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    // Closing removed the Temp folder and kept the window's bounds.
    QVERIFY(!std::filesystem::exists(home.path() + "scratch/Quarlo"));
    const std::string settings = readWholeFile(home.path() + "settings.reg");
    QVERIFY2(settings.find("FormQuarlo") != std::string::npos, settings.c_str());
}

QTEST_MAIN(ProgramSmokeTest)
#include "program_smoke_xvfb_test.moc"
