#include "model/Preferences.h"
#include "model/RecentList.h"
#include "model/TQLApp.h"
#include "platform/SettingsStore.h"
#include "shell/DialogEntryPoints.h"
#include "shell/TFormQuarlo.h"
#include "shell/TdlgOptions.h"
#include "support/Controls.h"
#include "support/GuiFixture.h"
#include "support/ModalDialog.h"
#include "support/TempHome.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace quarlo;
using namespace quarlo::test;
using shell::TdlgOptions;

namespace {

void typeInto(QWidget& parent, const char* name, const QString& text) {
    QLineEdit& edit = child<QLineEdit>(parent, name);
    edit.clear();
    QTest::keyClicks(&edit, text);
}

} // namespace

class PreferencesDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;

    SettingsStore& settings() { return m_home->app().settings(); }
    QString stored(const char* name) {
        return QString::fromStdString(settings().readText(kSettingsKey, name, "(none)"));
    }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        (void)m_home->app().downloadsFolder();
        (void)m_home->app().intranetFolder();
    }
    void cleanup() {
        TdlgOptions::setFolderChooser({});
        m_home.reset();
    }

    void fillsEveryTabFromTheSettings() {
        m_home->app().setProxyAuthorization("ann:pw");
        m_home->app().setProxyAddress("proxy.example");
        m_home->app().setMaxRate(250);
        QVERIFY(settings().writeBool(kSettingsKey, "Last Zip Folder", true));
        QVERIFY(settings().writeText(kSettingsKey, "Unzip Folder", "/srv/unzip"));
        TdlgOptions dialog(m_home->engine(), {});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Quarlo - Preferences"));
        QTabWidget& tabs = dialog.tabs();
        QCOMPARE(tabs.count(), 4);
        const char* shots[] = {"general", "zip_folders", "connection", "intranet"};
        const QString captions[] = {"General", "Zip Folders", "Connection", "Personal Intranet"};
        for (int tab = 0; tab < 4; ++tab) {
            QCOMPARE(tabs.tabText(tab), captions[tab]);
            tabs.setCurrentIndex(tab);
            QVERIFY(dialog.grab().save(screenshotPath(
                QStringLiteral("dialog_preferences_%1.png").arg(QLatin1String(shots[tab])))));
        }
        QCOMPARE(child<QSpinBox>(dialog, "edMaxUrls").value(), 20);
        QCOMPARE(child<QSpinBox>(dialog, "edMaxFiles").value(), 10);
        QCOMPARE(child<QLineEdit>(dialog, "edDownloadsFolder").text(),
                 QString::fromStdString(m_home->app().downloadsFolder()));
        QVERIFY(child<QRadioButton>(dialog, "rbLastZipFolder").isChecked());
        QVERIFY(child<QRadioButton>(dialog, "rbUnzipFolder").isChecked());
        QCOMPARE(child<QLineEdit>(dialog, "edUnzipFolder").text(), QStringLiteral("/srv/unzip"));
        QCOMPARE(child<QLineEdit>(dialog, "edProxyUser").text(), QStringLiteral("ann"));
        QCOMPARE(child<QLineEdit>(dialog, "edProxyPassword").text(), QStringLiteral("pw"));
        QVERIFY(!child<QLineEdit>(dialog, "edProxyAddress").isEnabled());
        QSpinBox& perHost = child<QSpinBox>(dialog, "seConnectionsPerHost");
        QCOMPARE(perHost.value(), 0);
        QCOMPARE(perHost.text(), QStringLiteral("as Connections"));
        QCOMPARE(perHost.maximum(), 16);
        QCOMPARE(child<QSpinBox>(dialog, "seMaxRate").value(), 250);
        // The limits lie below the proxy fields.
        QVERIFY(perHost.mapTo(&dialog, QPoint()).y() >
                child<QLineEdit>(dialog, "edProxyPassword").mapTo(&dialog, QPoint()).y());
        QComboBox& agents = child<QComboBox>(dialog, "cmbUserAgent");
        QCOMPARE(agents.count(), 10);
        QCOMPARE(agents.currentText(), QStringLiteral("Quarlo"));
    }

    void okStoresWhatWasTypedByTheRules() {
        TdlgOptions::setFolderChooser(
            [](QWidget*, const QString&) { return QStringLiteral("/srv/zips"); });
        TdlgOptions dialog(m_home->engine(), {});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.tabs().setCurrentIndex(2);
        click(dialog, "cbUseProxy");
        QVERIFY(child<QLineEdit>(dialog, "edProxyAddress").isEnabled());
        typeInto(dialog, "edProxyAddress", QStringLiteral("  http://proxy.example "));
        typeInto(dialog, "edProxyPort", QStringLiteral(" 8080"));
        typeInto(dialog, "edProxyUser", QStringLiteral("bob"));
        child<QComboBox>(dialog, "cmbUserAgent").setCurrentText(QStringLiteral("Anonymous"));
        child<QSpinBox>(dialog, "seConnectionsPerHost").setValue(2);
        child<QSpinBox>(dialog, "seMaxRate").setValue(500);
        dialog.tabs().setCurrentIndex(1);
        // Browsing to a Zip folder chooses it over the last-used one.
        click(dialog, "rbLastZipFolder");
        click(dialog, "btnBrowseZipFolder");
        QCOMPARE(child<QLineEdit>(dialog, "edZipFolder").text(), QStringLiteral("/srv/zips"));
        QVERIFY(child<QRadioButton>(dialog, "rbZipFolder").isChecked());
        dialog.tabs().setCurrentIndex(0);
        child<QSpinBox>(dialog, "edMaxFiles").setValue(3);
        click(dialog, "cbNoAds");
        click(dialog, "btnOK");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(stored("Proxy Address"), QStringLiteral("proxy.example"));
        QCOMPARE(stored("Proxy Port"), QStringLiteral("8080"));
        QCOMPARE(stored("Proxy Authorization"), QString());
        QCOMPARE(stored("Zip Folder"), QStringLiteral("/srv/zips"));
        QVERIFY(m_home->app().useProxy());
        QVERIFY(m_home->app().noAds());
        QCOMPARE(m_home->app().maxFileHistory(), 3);
        QCOMPARE(m_home->app().userAgent(), std::string());
        QCOMPARE(m_home->app().connectionsPerHost(), 2);
        QCOMPARE(m_home->app().maxRate(), 500);
    }

    void cancelStoresNothing() {
        const std::string before = readWholeFile(settings().filePath());
        TdlgOptions dialog(m_home->engine(), {});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        click(dialog, "cbZipLast");
        child<QSpinBox>(dialog, "edMaxUrls").setValue(2);
        typeInto(dialog, "edTempFolder", QStringLiteral("/elsewhere"));
        click(dialog, "btnCancel");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(readWholeFile(settings().filePath()), before);
        QCOMPARE(m_home->app().maxUrlHistory(), 20);
    }

    void clearAsksFirstAndEmptiesTheList() {
        PromptRecorder prompts;
        int urlsCleared = 0;
        shell::RecentListClearing clearing;
        clearing.urls = [&urlsCleared] { ++urlsCleared; };
        RecentList files(settings(), "Recent ZIP files", 10);
        QVERIFY(files.add("/a.zip"));
        TdlgOptions dialog(m_home->engine(), clearing);
        prompts.setAnswer(false);
        click(dialog, "btnClearUrls");
        QCOMPARE(urlsCleared, 0);
        QCOMPARE(prompts.prompts().back().text, QString::fromStdString(preferencesText(734)));
        prompts.setAnswer(true);
        click(dialog, "btnClearUrls");
        QCOMPARE(urlsCleared, 1);
        // Without a callback the stored list itself is emptied.
        click(dialog, "btnClearFiles");
        QCOMPARE(prompts.prompts().back().text, QString::fromStdString(preferencesText(735)));
        QVERIFY(RecentList(settings(), "Recent ZIP files", 10).entries().empty());
    }

    void theMainWindowAppliesTheNewMaximaAndClearsItsLists() {
        PromptRecorder prompts;
        shell::TFormQuarlo window(m_home->engine());
        for (const char* zip : {"/a.zip", "/b.zip", "/c.zip"})
            window.addRecentZip(QString::fromLatin1(zip));
        QVERIFY(window.recentUrls().add("http://one.example/").ok());
        whenDialogShown<TdlgOptions>([](TdlgOptions& dialog) {
            click(dialog, "btnClearUrls");
            child<QSpinBox>(dialog, "edMaxFiles").setValue(2);
            click(dialog, "btnOK");
        });
        window.findChild<QAction*>(QStringLiteral("mnuPreferences"))->trigger();
        QVERIFY(window.recentUrls().entries().empty());
        QCOMPARE(window.recentZips().entries().size(), std::size_t(2));
        QCOMPARE(window.reopenMenu()->actions().size(), 2);
    }
};

QTEST_MAIN(PreferencesDialogTest)
#include "preferences_dialog_test.moc"
