#include "engine/SocketList.h"
#include "engine/TQLDownloader.h"
#include "engine/TThreadSocket.h"
#include "model/TQLTask.h"
#include "platform/SettingsStore.h"
#include "shell/ShellHooks.h"
#include "shell/TFormDownloader.h"
#include "support/GuiFixture.h"
#include "support/LoopbackServer.h"

#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>

using namespace quarlo;
using namespace quarlo::test;
using namespace std::chrono_literals;
using quarlo::shell::TFormDownloader;

class ConnectionsWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;
    std::unique_ptr<TFormDownloader> m_form;

    template <typename T> T* child(const char* name) {
        T* found = m_form->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }
    QTreeWidget* list() { return child<QTreeWidget>("lvSockets"); }
    QString cell(int row, int column) {
        QTreeWidgetItem* item = list()->topLevelItem(row);
        return item != nullptr ? item->text(column) : QStringLiteral("<no row>");
    }
    int storedConnections() {
        return m_home->app().settings().readInt(kSettingsKey, "Connections", -1);
    }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_form = std::make_unique<TFormDownloader>(m_home->engine());
    }
    void cleanup() {
        m_form.reset();
        m_home.reset();
    }

    void fewerConnectionsBetweenRunsRemoveSlotsAndRows() {
        m_home->app().setConnections(5);
        SocketList& sockets = m_home->engine().downloader().sockets();
        sockets.SetSocketCount(5);
        m_form->show();
        QCOMPARE(child<QSlider>("tbSockets")->value(), 5);
        QCOMPARE(list()->topLevelItemCount(), 5);
        QCOMPARE(cell(4, 0), QStringLiteral("Socket 5: "));

        child<QSlider>("tbSockets")->setValue(3);
        QCOMPARE(sockets.count(), 3);
        QCOMPARE(list()->topLevelItemCount(), 3);
        QCOMPARE(cell(2, 0), QStringLiteral("Socket 3: "));
        QCOMPARE(child<QLabel>("lblSockets")->text(), QStringLiteral("3"));
        QCOMPARE(storedConnections(), 3);

        child<QSlider>("tbPriority")->setValue(9);
        QCOMPARE(m_home->app().priority(), 9);
    }

    // In a narrow dock the address keeps a readable width and the progress bar stays in its
    // own cell.
    void aNarrowListKeepsTheAddressReadableAndTheBarInItsCell() {
        m_home->app().setConnections(3);
        m_home->engine().downloader().sockets().SetSocketCount(3);
        m_form->resize(340, 200);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QTreeWidgetItem* row = list()->topLevelItem(0);
        QVERIFY(row != nullptr);
        row->setText(0, QStringLiteral("http://127.0.0.1:8080/pages/index.html"));
        row->setData(1, Qt::UserRole, 100);
        row->setText(4, QStringLiteral("Transfer Complete"));
        m_form->refresh();
        QTest::qWait(50);
        QVERIFY2(list()->columnWidth(0) >= 180,
                 qPrintable(QString::number(list()->columnWidth(0))));

        const QImage shown = list()->viewport()->grab().toImage();
        const QColor highlight = list()->palette().color(QPalette::Highlight);
        const QRect cell = list()->visualItemRect(row).intersected(
            QRect(list()->header()->sectionViewportPosition(1), 0, list()->columnWidth(1),
                  shown.height()));
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (shown.pixelColor(x, y) == highlight)
                    ++(cell.contains(x, y) ? inside : outside);
        QVERIFY(inside > cell.width() * cell.height() / 3);
        QCOMPARE(outside, 0);
    }

    void slotFetchingFileOfUnknownSizeShowsQuestionMark() {
        LoopbackServer server;
        // Chunked, so no size is announced; a first block, then silence until the stop.
        server.server().Get(
            "/endless.dat", [&server](const httplib::Request&, httplib::Response& res) {
                res.set_chunked_content_provider(
                    "application/octet-stream", [&server](size_t offset, httplib::DataSink& sink) {
                        if (offset == 0)
                            return sink.write(std::string(1000, 'x').data(), 1000);
                        return server.pause(20s);
                    });
            });
        QVERIFY(server.start());
        const std::string url = server.url("/endless.dat");

        m_home->app().setConnections(2);
        m_form->show();
        auto task = std::make_unique<TQLTask>(m_home->app());
        QVERIFY(task->setLocation("General", "Endless").ok());
        task->setUrls({url});
        task->setIntranetMode(true);
        task->setDestination(m_home->path() + "/site/");
        auto& engine = m_home->engine();
        QVERIFY(engine.downloader().start(std::move(task)).ok());

        const QString caption = QString::fromStdString(url);
        QVERIFY(waitUntil([&] { return cell(0, 0) == caption && cell(0, 2) == "1000"; }));
        QCOMPARE(cell(0, 1), QStringLiteral("  ?"));
        QCOMPARE(cell(0, 3), QStringLiteral("0"));
        QCOMPARE(cell(0, 4), QString::fromLatin1(TThreadSocket::kDownloading));
        QCOMPARE(cell(1, 0), QStringLiteral("Socket 2: "));

        engine.stopRun();
        QVERIFY(waitUntil([&] { return !engine.isRunning(); }));
        engine.hooks().flush();
        m_form->refresh();
        // The idle slot's row keeps showing its last transfer.
        QCOMPARE(cell(0, 0), caption);
    }
};

QTEST_MAIN(ConnectionsWindowTest)
#include "connections_window_test.moc"
