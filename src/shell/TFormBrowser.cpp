#include "shell/TFormBrowser.h"

#include "model/TQLApp.h"
#include "model/UiTexts.h"
#include "platform/SettingsStore.h"
#include "reports/ShellPages.h"
#include "shell/Prompts.h"

#include <QAction>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

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
        emit statusText(text(753));
    });
    connect(m_view, &QWebEngineView::loadFinished, this, &TFormBrowser::onLoadFinished);
    connect(page, &QWebEnginePage::linkHovered, this, &TFormBrowser::statusText);
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
    m_view->load(target);
}

void TFormBrowser::showHomePage() {
    const std::string homeUrl = m_app.settings().readText(kSettingsKey, "HOME URL", "");
    auto page = writeHomePage(m_app.tempFolder(), homeUrl);
    if (!page) {
        Prompts::error(this, QString::fromStdString(page.message()));
        return;
    }
    showLocation(QString::fromStdString(*page));
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
    emit stopEnabled(false);
    emit statusText(QStringLiteral("Done."));
    const QString address = location();
    const QString lower = address.toLower();
    if (!address.isEmpty() && !lower.contains(QStringLiteral("tasks.htm")) &&
        !lower.contains(QStringLiteral("task_details.htm")))
        emit addressVisited(address);
    emit loadFinished(ok);
}

} // namespace quarlo::shell
