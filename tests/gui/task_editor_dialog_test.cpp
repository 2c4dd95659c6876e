#include "model/NewTask.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "model/TaskEditor.h"
#include "platform/FileUtil.h"
#include "shell/TdlgEditTask.h"
#include "shell/TdlgUserNamePassword.h"
#include "support/GuiFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace quarlo;
using namespace quarlo::test;
using shell::Prompts;
using shell::TdlgEditTask;
using shell::TdlgUserNamePassword;

namespace {

template <class Widget> Widget* child(QWidget& parent, const char* name) {
    auto* found = parent.findChild<Widget*>(QLatin1String(name));
    if (found == nullptr)
        qFatal("no control %s", name);
    return found;
}

// Near the left edge: a choice reacts only on its mark and its text, not on the space after.
void click(QWidget& parent, const char* name) {
    auto* button = child<QAbstractButton>(parent, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// Acts on the account dialog once it is shown modally.
void whenAccountDialogOpens(const std::function<void(TdlgUserNamePassword&)>& act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* dialog = qobject_cast<TdlgUserNamePassword*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        act(*dialog);
    });
    timer->start(20);
}

void typeInto(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

} // namespace

class TaskEditorTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;
    std::unique_ptr<PromptRecorder> m_prompts;

    TQLApp& app() { return m_home->app(); }

    std::unique_ptr<TQLTask> newTask(const std::string& url) {
        NewTaskRequest request;
        request.url = url;
        auto created = createTaskFromUrl(app(), request);
        if (!created)
            qFatal("%s", created.message().c_str());
        return std::move(*created);
    }

    // A saved task that uses the named profile "Site Copy".
    std::unique_ptr<TQLTask> namedProfileTask() {
        auto task = newTask("http://www.alpha.test/");
        Result<TQLProfile> named = loadNamedProfile(app(), "Site Copy");
        if (!named)
            qFatal("%s", named.message().c_str());
        task->profile() = *named;
        task->profile().setFilePath(task->filePath());
        if (!task->save())
            qFatal("task not saved");
        return TQLTask::loadFromFile(app(), task->filePath());
    }

    static void shoot(QWidget& dialog, const QString& name) {
        QVERIFY(dialog.grab().save(screenshotPath(name)));
    }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_prompts = std::make_unique<PromptRecorder>();
        TQLProfile named = TQLProfile::defaults();
        named.setDepth(2);
        QVERIFY(saveAsNamedProfile(app(), named, "Site Copy"));
    }
    void cleanup() {
        m_prompts.reset();
        m_home.reset();
    }

    void typingAUrlInCreateNewTaskNamesTaskAndZip() {
        auto task = newTask("http://www.alpha.test/");
        TdlgEditTask dialog(m_home->engine(), *task, EditorMode::CreateNewTask);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Create New Task"));
        QCOMPARE(child<QLineEdit>(dialog, "edTaskName")->text(), QStringLiteral("alpha"));
        QCOMPARE(dialog.titleBarText(), QStringLiteral(" Download URLs"));
        typeInto(child<QComboBox>(dialog, "cmbURL")->lineEdit(),
                 QStringLiteral("http://www.beta.test/"));
        QCOMPARE(child<QLineEdit>(dialog, "edTaskName")->text(), QStringLiteral("beta"));
        QCOMPARE(child<QLineEdit>(dialog, "edZipFile")->text(),
                 QString::fromStdString(app().downloadsFolder() + "beta.zip"));
        shoot(dialog, QStringLiteral("dialog_task_editor_urls.png"));
    }

    void okSavesTheTaskFileAndCancelSavesNothing() {
        auto task = newTask("http://www.alpha.test/");
        const std::string path = app().tasksFolder() + "General/gamma.qlt";
        {
            TdlgEditTask cancelled(m_home->engine(), *task, EditorMode::CreateNewTask);
            cancelled.show();
            typeInto(child<QComboBox>(cancelled, "cmbURL")->lineEdit(),
                     QStringLiteral("www.gamma.test"));
            click(cancelled, "btnCancel");
            QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        }
        QVERIFY(!fileExists(path));

        TdlgEditTask dialog(m_home->engine(), *task, EditorMode::CreateNewTask);
        dialog.show();
        typeInto(child<QComboBox>(dialog, "cmbURL")->lineEdit(), QStringLiteral("www.gamma.test"));
        QVERIFY(dialog.selectPage(QStringLiteral("Link Conversion")));
        click(dialog, "rbUnfollowedAll");
        QVERIFY(dialog.selectPage(QStringLiteral("Followed Links")));
        click(dialog, "rbPagesAnywhere");
        QVERIFY(dialog.selectPage(QStringLiteral("Followed Links (Adv)")));
        QVERIFY(child<QCheckBox>(dialog, "cbObeyRobots")->isChecked());
        click(dialog, "cbObeyRobots");
        click(dialog, "btnOK");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(m_prompts->prompts().empty());
        QVERIFY(dialog.editor().wroteFile());
        auto saved = TQLTask::loadFromFile(app(), path);
        QCOMPARE(saved->url(), std::string("http://www.gamma.test/"));
        QCOMPARE(saved->destination(), app().downloadsFolder() + "gamma.zip");
        QCOMPARE(int(saved->profile().convertUnfollowedLinks()), 2);
        QCOMPARE(int(saved->profile().pageLocation()), int(TQLProfile::Anywhere));
        QVERIFY(!saved->profile().obeyRobots());
        QCOMPARE(saved->status(), TaskStatus::Unscheduled);
    }

    void refusalsShowTheirMessageAndKeepTheDialogOpen() {
        auto task = newTask("http://www.alpha.test/");
        TdlgEditTask dialog(m_home->engine(), *task, EditorMode::CreateNewTask);
        dialog.show();
        QLineEdit* url = child<QComboBox>(dialog, "cmbURL")->lineEdit();
        typeInto(url, QStringLiteral("ftp://ftp.alpha.test/pub/"));
        click(dialog, "btnOK");
        QCOMPARE(m_prompts->count(Prompts::Kind::Error), 1);
        QCOMPARE(m_prompts->prompts().back().text, QString::fromStdString(taskEditorText(782)));
        QVERIFY(dialog.isVisible());

        typeInto(url, QString());
        click(dialog, "btnRunNow");
        QCOMPARE(m_prompts->prompts().back().text,
                 QStringLiteral("A valid Internet address (URL) is required"));

        typeInto(url, QStringLiteral("www.alpha.test"));
        typeInto(child<QLineEdit>(dialog, "edZipFile"), QStringLiteral(".zip"));
        click(dialog, "btnOK");
        QCOMPARE(m_prompts->count(Prompts::Kind::Warning), 1);
        QVERIFY(dialog.isVisible());
        QVERIFY(!fileExists(task->filePath()));
    }

    void runNowSavesTheTaskScheduledNow() {
        auto task = newTask("http://www.alpha.test/");
        TdlgEditTask dialog(m_home->engine(), *task, EditorMode::CreateNewTask);
        dialog.show();
        click(dialog, "btnRunNow");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        auto saved = TQLTask::loadFromFile(app(), task->filePath());
        QCOMPARE(saved->status(), TaskStatus::Scheduled);
        QCOMPARE(saved->schedule(), std::string("Now"));
    }

    void profileEntryAndTheCustomRule() {
        auto task = namedProfileTask();
        TdlgEditTask dialog(m_home->engine(), *task, EditorMode::EditTask);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit Task"));
        auto* profile = child<QComboBox>(dialog, "cmbProfile");
        QCOMPARE(profile->currentText(), QStringLiteral("Site Copy"));
        QVERIFY(child<QPushButton>(dialog, "btnDeleteProfile")->isEnabled());
        QVERIFY(dialog.selectPage(QStringLiteral("Followed Links")));
        QCOMPARE(dialog.titleBarText(), QStringLiteral(" Site Copy --> Followed Links"));
        QVERIFY(child<QRadioButton>(dialog, "rbLevelsThisPageAnd")->isChecked());
        QCOMPARE(child<QSpinBox>(dialog, "edLevels")->value(), 2);
        shoot(dialog, QStringLiteral("dialog_task_editor_followed_links.png"));

        // Link conversion keeps the profile's name; a level choice makes it custom.
        QVERIFY(dialog.selectPage(QStringLiteral("Link Conversion")));
        click(dialog, "rbFollowedNone");
        QCOMPARE(profile->currentText(), QStringLiteral("Site Copy"));
        shoot(dialog, QStringLiteral("dialog_task_editor_link_conversion.png"));
        QVERIFY(dialog.selectPage(QStringLiteral("Followed Links")));
        click(dialog, "rbLevelsAll");
        QCOMPARE(profile->currentText(), QString());
        QVERIFY(!child<QPushButton>(dialog, "btnDeleteProfile")->isEnabled());
        QCOMPARE(dialog.titleBarText(), QStringLiteral(" Followed Links"));

        // Choosing the entry again shows its values.
        profile->setCurrentIndex(profile->findText(QStringLiteral("Site Copy")));
        QVERIFY(child<QRadioButton>(dialog, "rbLevelsThisPageAnd")->isChecked());
        QVERIFY(child<QRadioButton>(dialog, "rbFollowedAll")->isChecked());
        click(dialog, "rbLevelsAll");
        click(dialog, "btnOK");
        auto saved = TQLTask::loadFromFile(app(), task->filePath());
        QCOMPARE(saved->profile().profileName(), std::string());
        QCOMPARE(saved->profile().depth(), -1);
    }

    void thePasswordBoxOpensTheAccountDialog() {
        auto task = newTask("http://www.alpha.test/");
        TdlgEditTask dialog(m_home->engine(), *task, EditorMode::CreateNewTask);
        dialog.show();
        auto* box = child<QCheckBox>(dialog, "cbPassword");
        whenAccountDialogOpens([](TdlgUserNamePassword& account) {
            QTest::keyClicks(child<QLineEdit>(account, "edAccount"), QStringLiteral("half"));
            click(account, "btnCancel");
        });
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!box->isChecked());
        QCOMPARE(dialog.accountDialog().account(), QString());

        whenAccountDialogOpens([](TdlgUserNamePassword& account) {
            auto* ok = child<QPushButton>(account, "btnOK");
            QTest::keyClicks(child<QLineEdit>(account, "edAccount"), QStringLiteral("user"));
            QVERIFY(!ok->isEnabled());
            QTest::keyClicks(child<QLineEdit>(account, "edPassword"), QStringLiteral("secret"));
            QVERIFY(ok->isEnabled());
            account.show();
            QVERIFY(account.grab().save(screenshotPath(QStringLiteral("dialog_account.png"))));
            click(account, "btnOK");
        });
        click(dialog, "btnUserNamePassword");
        QVERIFY(box->isChecked());
        click(dialog, "btnOK");
        auto saved = TQLTask::loadFromFile(app(), task->filePath());
        QCOMPARE(saved->userName(), std::string("user"));
        QCOMPARE(saved->password(), std::string("secret"));
    }

    void aChosenExistingZipIsReplacedOnlyOnSave() {
        const std::string existing = m_home->path() + "old.zip";
        QVERIFY(writeFileAtomic(existing, "old"));
        auto task = newTask("http://www.alpha.test/");
        {
            TdlgEditTask cancelled(m_home->engine(), *task, EditorMode::CreateNewTask);
            cancelled.show();
            cancelled.newZipFileChosen(QString::fromStdString(existing));
            click(cancelled, "btnCancel");
        }
        QVERIFY(fileExists(existing));
        TdlgEditTask dialog(m_home->engine(), *task, EditorMode::CreateNewTask);
        dialog.show();
        dialog.newZipFileChosen(QString::fromStdString(existing));
        QCOMPARE(child<QLineEdit>(dialog, "edZipFile")->text(), QString::fromStdString(existing));
        click(dialog, "btnOK");
        QVERIFY(!fileExists(existing));
        QCOMPARE(task->destination(), existing);
    }

    void certificateChoiceAndSizeLimitsAreSavedWithTheTask() {
        auto task = newTask("https://intranet.test/");
        task->profile().setResourceFileSizeMin(3);
        TdlgEditTask dialog(m_home->engine(), *task, EditorMode::CreateNewTask);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.selectPage(QStringLiteral("Advanced")));
        auto* accept = child<QCheckBox>(dialog, "cbAcceptAnyCertificate");
        QVERIFY(!accept->isChecked());
        QVERIFY(child<QLabel>(dialog, "lblCertificateWarning")->isVisible());
        click(dialog, "cbAcceptAnyCertificate");
        shoot(dialog, QStringLiteral("dialog_task_editor_advanced.png"));
        QVERIFY(dialog.selectPage(QStringLiteral("Filetypes")));
        QCOMPARE(child<QSpinBox>(dialog, "seMediaSizeMin")->value(), 3);
        child<QSpinBox>(dialog, "sePageSizeMax")->setValue(500);
        child<QSpinBox>(dialog, "seMediaSizeMax")->setValue(2000);
        shoot(dialog, QStringLiteral("dialog_task_editor_filetypes_sizes.png"));
        click(dialog, "btnOK");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        auto saved = TQLTask::loadFromFile(app(), task->filePath());
        QVERIFY(saved->acceptAnyCertificate());
        QCOMPARE(saved->profile().pageFileSizeMax(), 500);
        QCOMPARE(saved->profile().resourceFileSizeMax(), 2000);
        QCOMPARE(saved->profile().resourceFileSizeMin(), 3);
        QCOMPARE(saved->profile().pageFileSizeMin(), 0);
        // A changed limit makes the profile the task's own.
        QVERIFY(saved->profile().isCustom());
    }

    void screenshotsOfEveryPage() {
        auto task = namedProfileTask();
        task->profile().setUrlFiltersInclude({"[AL]docs"});
        task->profile().setUrlFiltersExclude({"[RL]ads", "[PL]login"});
        task->profile().setFileTypes({".gif", ".jpg"});
        TdlgEditTask dialog(m_home->engine(), *task, EditorMode::AddTask);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Add a Task"));
        const QStringList pages = {"Save to",     "Download Method",      "Filetypes",
                                   "URL Filters", "Followed Links (Adv)", "Schedule"};
        for (const QString& page : pages) {
            QVERIFY(dialog.selectPage(page));
            QCOMPARE(dialog.titleBarText().trimmed().endsWith(page), true);
            QString file = page.toLower();
            file.replace(QLatin1Char(' '), QLatin1Char('_'));
            file.remove(QLatin1Char('('));
            file.remove(QLatin1Char(')'));
            shoot(dialog, QStringLiteral("dialog_task_editor_%1.png").arg(file));
        }
        QCOMPARE(dialog.titleBarText(), QStringLiteral(" Schedule"));
    }
};

QTEST_MAIN(TaskEditorTest)
#include "task_editor_dialog_test.moc"
