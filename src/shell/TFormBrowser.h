#pragma once

#include <QString>
#include <QWidget>

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
    // What the status line should say (753-755, "Done.", a hovered link).
    void statusText(const QString& text);
    void backEnabled(bool enabled);
    void forwardEnabled(bool enabled);
    void stopEnabled(bool enabled);
    // A page finished loading at this address (not a task-list page): the address box puts it
    // first.
    void addressVisited(const QString& address);
    void loadFinished(bool ok);

private:
    void onLoadFinished(bool ok);
    static QString locationOf(const QUrl& url);

    TQLApp& m_app;
    QWebEngineProfile* m_profile;
    QWebEngineView* m_view;
    bool m_busy = false;
};

} // namespace quarlo::shell
