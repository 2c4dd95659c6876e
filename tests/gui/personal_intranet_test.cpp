#include "model/TQLApp.h"
#include "shell/TFormPersonalIntranet.h"
#include "support/CommandRecorder.h"
#include "support/GuiFixture.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFileSystemModel>
#include <QTest>
#include <QTreeView>

#include <filesystem>

using namespace quarlo;
using namespace quarlo::test;
using shell::TFormPersonalIntranet;

class PersonalIntranetTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;
    QString m_root;

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_root = QDir::cleanPath(QString::fromStdString(m_home->app().intranetFolder()));
        std::filesystem::create_directories((m_root + "/site/pics").toStdString());
        writeWholeFile((m_root + "/site/index.html").toStdString(), "<html></html>");
    }
    void cleanup() { m_home.reset(); }

    void choosingANodeShowsItInTheBrowser() {
        CommandRecorder commands;
        TFormPersonalIntranet form(m_home->engine(), commands);
        QCOMPARE(form.windowTitle(), QStringLiteral("Personal Intranet"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.rootPath(), m_root);
        QCOMPARE(form.model().filePath(form.view().rootIndex()), m_root);

        const QString page = m_root + "/site/index.html";
        QVERIFY(waitUntil([&] { return form.indexOf(page).isValid(); }));
        form.view().setCurrentIndex(form.indexOf(page));
        QCOMPARE(commands.shown(), QStringList{page});

        const QString folder = m_root + "/site/pics";
        form.view().setCurrentIndex(form.indexOf(folder));
        QCOMPARE(commands.shown(), (QStringList{page, folder}));
    }

    void showingReadsTheFolderAgain() {
        CommandRecorder commands;
        TFormPersonalIntranet form(m_home->engine(), commands);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.hide();
        const QString later = m_root + "/site/later.html";
        writeWholeFile(later.toStdString(), "<html></html>");
        QVERIFY(m_home->app().setIntranetFolder((m_root + "/site").toStdString()));
        form.show();
        QCOMPARE(form.rootPath(), m_root + "/site");
        QCOMPARE(form.model().filePath(form.view().rootIndex()), m_root + "/site");
        QVERIFY(waitUntil([&] { return form.indexOf(later).isValid(); }));
        QVERIFY(commands.shown().isEmpty());
    }

    void namesReadDecodedAndOpenFoldersStayOpen() {
        const QString stored = m_root + "/site/caf%C3%A9.html";
        writeWholeFile(stored.toStdString(), "<html></html>");
        CommandRecorder commands;
        TFormPersonalIntranet form(m_home->engine(), commands);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(waitUntil([&] { return form.indexOf(stored).isValid(); }));
        QCOMPARE(form.indexOf(stored).data().toString(), QString::fromUtf8("caf\u00e9.html"));
        // Chosen, it is the stored file that is shown.
        form.view().setCurrentIndex(form.indexOf(stored));
        QCOMPARE(commands.shown(), QStringList{stored});

        const QString site = m_root + "/site";
        form.view().expand(form.indexOf(site));
        form.refresh();
        QVERIFY(form.view().isExpanded(form.indexOf(site)));
        QVERIFY(!form.view().isExpanded(form.indexOf(site + "/pics")));
    }
};

QTEST_MAIN(PersonalIntranetTest)
#include "personal_intranet_test.moc"
