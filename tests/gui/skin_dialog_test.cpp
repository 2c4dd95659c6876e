#include "model/TQLApp.h"
#include "shell/TdlgSelectSkin.h"
#include "support/GuiFixture.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace quarlo;
using namespace quarlo::test;
using shell::TdlgSelectSkin;

class SkinDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;

    QString storedSkin() {
        return QString::fromStdString(
            m_home->app().settings().readText(kSettingsKey, "Skin", "(none)"));
    }
    static void clickSkin(TdlgSelectSkin& dialog, const QString& name) {
        QListWidget& list = dialog.skinList();
        const QList<QListWidgetItem*> found = list.findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        const QRect rect = list.visualItemRect(found.front());
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_home->app().setSkin("Default");
    }
    void cleanup() { m_home.reset(); }

    void listsTheSkinsWithTheCurrentOneSelected() {
        TdlgSelectSkin dialog(m_home->engine());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Skin"));
        QStringList names;
        for (int row = 0; row < dialog.skinList().count(); ++row)
            names << dialog.skinList().item(row)->text();
        QVERIFY(names.contains(QStringLiteral("Default")));
        QVERIFY(names.contains(QStringLiteral("Ember")));
        QCOMPARE(dialog.skinList().currentItem()->text(), QStringLiteral("Default"));
        QCOMPARE(dialog.okButton().text(), QStringLiteral("&OK"));
        QCOMPARE(dialog.cancelButton().text(), QStringLiteral("&Cancel"));
        QCOMPARE(dialog.downloadButton().text(), QStringLiteral("&Download"));
    }

    void clickingASkinSwitchesAtOnceAndOkKeepsIt() {
        TdlgSelectSkin dialog(m_home->engine());
        QSignalSpy changed(&dialog, &TdlgSelectSkin::skinChanged);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        clickSkin(dialog, QStringLiteral("Ember"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.front().front().toString(), QStringLiteral("Ember"));
        QCOMPARE(storedSkin(), QStringLiteral("Ember"));
        QCOMPARE(m_home->app().skin(), std::string("Ember"));
        // The same skin again changes nothing.
        clickSkin(dialog, QStringLiteral("Ember"));
        QCOMPARE(changed.count(), 1);
        QTest::mouseClick(&dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(storedSkin(), QStringLiteral("Ember"));
    }

    void cancelRestoresThePreviousSkin() {
        TdlgSelectSkin dialog(m_home->engine());
        QSignalSpy changed(&dialog, &TdlgSelectSkin::skinChanged);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        clickSkin(dialog, QStringLiteral("Ember"));
        QTest::mouseClick(&dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.back().front().toString(), QStringLiteral("Default"));
        QCOMPARE(storedSkin(), QStringLiteral("Default"));
        QCOMPARE(m_home->app().skin(), std::string("Default"));
    }

    void cancelWithoutAChangeSaysNothing() {
        TdlgSelectSkin dialog(m_home->engine());
        QSignalSpy changed(&dialog, &TdlgSelectSkin::skinChanged);
        dialog.reject();
        QCOMPARE(changed.count(), 0);
        QCOMPARE(m_home->app().skin(), std::string("Default"));
    }

    void downloadOpensTheSkinPageWhenThereIsOne() {
        TdlgSelectSkin dialog(m_home->engine());
        QCOMPARE(dialog.downloadButton().isEnabled(),
                 QString::fromLatin1(shell::kSkinPageUrl) != "");
        OpenRecorder opened;
        dialog.setSkinPageUrl({});
        QVERIFY(!dialog.downloadButton().isEnabled());
        dialog.setSkinPageUrl(QStringLiteral("http://skins.test/"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(&dialog.downloadButton(), Qt::LeftButton);
        QCOMPARE(opened.opened(), QStringList{QStringLiteral("http://skins.test/")});
    }
};

QTEST_MAIN(SkinDialogTest)
#include "skin_dialog_test.moc"
