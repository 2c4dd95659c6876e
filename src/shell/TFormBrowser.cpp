#include "shell/TFormBrowser.h"

#include "model/TQLApp.h"
#include "model/UiTexts.h"
#include "platform/SettingsStore.h"
#include "reports/ShellPages.h"
#include "shell/Prompts.h"

#include <QAction>
#include <QVBoxLayout>
#include <QVariant>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <utility>

namespace quarlo::shell {

namespace {

QString text(int number) {
    return QString::fromStdString(uiText(number));
}

QUrl urlOf(const QString& location) {
    if (location.contains(QStringLiteral("://")) || location.startsWith(QStringLiteral("data:")))
        return QUrl(location);
    return QUrl::fromLocalFile(location);
}

// The task manager's pages: the program shows them, the user did not ask for them.
bool isTaskPage(const QString& address) {
    const QString lower = address.toLower();
    return lower.contains(QStringLiteral("tasks.htm")) ||
           lower.contains(QStringLiteral("task_details.htm"));
}

} // namespace

TFormBrowser::TFormBrowser(TQLApp& app, QWidget* parent)
    : QWidget(parent), m_app(app), m_profile(new QWebEngineProfile(this)),
      m_view(new QWebEngineView(this)) {
    setObjectName(QStringLiteral("TFormBrowser"));
    auto* page = new QWebEnginePage(m_profile, m_view);
    m_view->setPage(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    connect(m_view, &QWebEngineView::loadStarted, this, [this] {
        m_busy = true;
        emit stopEnabled(true);
        if (!m_following)
            emit statusText(text(753));
    });
    connect(m_view, &QWebEngineView::loadFinished, this, &TFormBrowser::onLoadFinished);
    connect(page, &QWebEnginePage::linkHovered, this, &TFormBrowser::linkHovered);
    connect(page->action(QWebEnginePage::Back), &QAction::changed, this,
            [this, page] { emit backEnabled(page->action(QWebEnginePage::Back)->isEnabled()); });
    connect(page->action(QWebEnginePage::Forward), &QAction::changed, this, [this, page] {
        emit forwardEnabled(page->action(QWebEnginePage::Forward)->isEnabled());
    });
}

TFormBrowser::~TFormBrowser() {
    if (m_busy)
        m_view->stop();
    // The page belongs to the profile's lifetime: it goes first.
    delete m_view;
}

QString TFormBrowser::locationOf(const QUrl& url) {
    return url.isLocalFile() ? url.toLocalFile() : url.toString();
}

QString TFormBrowser::location() const {
    const QUrl url = m_view->url();
    return url.isEmpty() ? QString() : locationOf(url);
}

void TFormBrowser::showLocation(const QString& location, bool reload) {
    if (location.isEmpty()) {
        showHomePage();
        return;
    }
    const QUrl target = urlOf(location);
    if (!reload && target == m_view->url())
        return;
    if (m_busy)
        m_view->stop();
    m_following = isTaskPage(location);
    m_view->load(target);
}

bool TFormBrowser::showsPageOf(const QUrl& target) const {
    const auto page = QUrl::RemoveQuery | QUrl::RemoveFragment;
    return target.adjusted(page) == m_view->url().adjusted(page);
}

void TFormBrowser::refreshLocation(const QString& location) {
    const QUrl target = urlOf(location);
    if (!showsPageOf(target))
        return;
    if (m_busy) {
        // A page still loading would be cut short and never show: the newest address waits
        // until it is done.
        m_pendingRefresh = location;
        return;
    }
    // The scroll position lies in the page: it is asked for before the new one replaces it.
    m_view->page()->runJavaScript(
        QStringLiteral("[window.scrollX, window.scrollY]"),
        [this, target](const QVariant& at) { loadScrolledTo(target, at); });
}

void TFormBrowser::loadScrolledTo(const QUrl& target, const QVariant& at) {
    // No answer: the page is going away with the browser. Another page: the user went
    // elsewhere meanwhile.
    if (!at.isValid() || !showsPageOf(target))
        return;
    const QVariantList xy = at.toList();
    if (xy.size() == 2)
        m_scrollTo = QPointF(xy[0].toDouble(), xy[1].toDouble());
    if (m_busy)
        m_view->stop();
    m_following = true;
    m_view->load(target);
}

void TFormBrowser::showHomePage() {
    const std::string homeUrl = m_app.settings().readText(kSettingsKey, "HOME URL", "");
    auto page = writeHomePage(m_app.tempFolder(), homeUrl);
    if (!page) {
        Prompts::error(this, QString::fromStdString(page.message()));
        return;
    }
    m_homePage = QString::fromStdString(*page);
    showLocation(m_homePage);
}

void TFormBrowser::back() {
    m_view->back();
}

void TFormBrowser::forward() {
    m_view->forward();
}

void TFormBrowser::stop() {
    m_view->stop();
}

void TFormBrowser::refresh() {
    m_view->reload();
}

void TFormBrowser::onLoadFinished(bool ok) {
    m_busy = false;
    if (const std::optional<QPointF> at = std::exchange(m_scrollTo, std::nullopt); at && ok)
        m_view->page()->runJavaScript(
            QStringLiteral("window.scrollTo(%1, %2)").arg(at->x()).arg(at->y()));
    if (const QString next = std::exchange(m_pendingRefresh, QString()); !next.isEmpty())
        refreshLocation(next);
    emit stopEnabled(false);
    if (!std::exchange(m_following, false))
        emit statusText(QStringLiteral("Done."));
    const QString address = location();
    // The program's own pages are no address the user went to.
    if (!address.isEmpty() && !isTaskPage(address) && address != m_homePage)
        emit addressVisited(address);
    emit loadFinished(ok);
}

} // namespace quarlo::shell
