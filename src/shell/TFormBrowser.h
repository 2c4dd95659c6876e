#pragma once

#include <QPointF>
#include <QString>
#include <QWidget>

#include <optional>

class QWebEngineProfile;
class QWebEngineView;

namespace quarlo {
class TQLApp;
}

namespace quarlo::shell {

// The embedded browser every page of the program is shown in: the home page, the reports,
// the task lists and saved pages. Its profile keeps nothing on disk, so browsing leaves no
// files behind.
class TFormBrowser : public QWidget {
    Q_OBJECT
public:
    explicit TFormBrowser(TQLApp& app, QWidget* parent = nullptr);
    ~TFormBrowser() override;

    // Shows a local path or URL; empty shows the home page. The location shown already is
    // not loaded again unless reload is set. A busy browser is stopped first.
    void showLocation(const QString& location, bool reload = false);
    // The page shown now under a new address (the same file with another query): loaded and
    // scrolled to where the old one was. Nothing happens while another page is shown; while a
    // page loads, the newest address waits until it is done.
    void refreshLocation(const QString& location);
    // Writes the home page and shows it.
    void showHomePage();
    // The current location: a local path for a file, else the URL; empty before the first.
    QString location() const;
    bool isBusy() const { return m_busy; }

    void back();
    void forward();
    void stop();
    void refresh();
    void home() { showHomePage(); }

    QWebEngineView* view() const { return m_view; }

signals:
    // What the status line should say (753-755, "Done.").
    void statusText(const QString& text);
    // The address of the link under the pointer; empty when the pointer leaves it.
    void linkHovered(const QString& address);
    void backEnabled(bool enabled);
    void forwardEnabled(bool enabled);
    void stopEnabled(bool enabled);
    // A page finished loading at this address (not a task-list page): the address box puts it
    // first.
    void addressVisited(const QString& address);
    void loadFinished(bool ok);

private:
    void onLoadFinished(bool ok);
    // Whether the page shown is the target's file, whatever their queries.
    bool showsPageOf(const QUrl& target) const;
    // The target loaded, to be scrolled where the page shown was (at: its scroll position).
    void loadScrolledTo(const QUrl& target, const QVariant& at);
    static QString locationOf(const QUrl& url);

    TQLApp& m_app;
    QWebEngineProfile* m_profile;
    QWebEngineView* m_view;
    bool m_busy = false;
    std::optional<QPointF> m_scrollTo; // where the next page to finish loading is scrolled
    QString m_pendingRefresh;          // refreshLocation's newest address while a page loads
    // The load in progress is the program's own (a task page, a page followed after a
    // change): it leaves the status line, where a run said its last word, alone.
    bool m_following = false;
    QString m_homePage; // the start page the program wrote in the Temp folder
};

} // namespace quarlo::shell
