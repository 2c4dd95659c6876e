#include "shell/TdlgSelectSkin.h"

#include "model/TQLApp.h"
#include "shell/ShellEngine.h"
#include "shell/ShellHooks.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {
constexpr int kPreviewWidth = 160;
constexpr int kPreviewHeight = 120;
} // namespace

TdlgSelectSkin::TdlgSelectSkin(ShellEngine& engine, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_previous(QString::fromStdString(engine.app().skin())) {
    setWindowTitle(tr("Select Skin"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("skinList"));
    m_preview = new QLabel(this);
    m_preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    m_preview->setAlignment(Qt::AlignCenter);
    m_ok = new QPushButton(tr("&OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(tr("&Cancel"), this);
    m_download = new QPushButton(tr("&Download"), this);

    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addWidget(m_preview, 0, Qt::AlignTop);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_download);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    fillList();
    setSkinPageUrl(QString::fromLatin1(kSkinPageUrl));
    connect(m_list, &QListWidget::itemClicked, this, &TdlgSelectSkin::choose);
    connect(m_list, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* current) { choose(current); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &TdlgSelectSkin::reject);
    connect(m_download, &QPushButton::clicked, this, [this] {
        if (!m_pageUrl.isEmpty())
            ShellHooks::openLocationFor(this, m_pageUrl);
    });
}

TdlgSelectSkin::~TdlgSelectSkin() = default;

void TdlgSelectSkin::fillList() {
    const QDir skins(QString::fromStdString(m_engine.app().resourceFolder()) +
                     QStringLiteral("Skins/"));
    const QStringList names = skins.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    m_list->addItems(names);
    const QList<QListWidgetItem*> current = m_list->findItems(m_previous, Qt::MatchExactly);
    if (!current.isEmpty())
        m_list->setCurrentItem(current.front());
    showPreview();
}

void TdlgSelectSkin::setSkinPageUrl(const QString& url) {
    m_pageUrl = url;
    m_download->setEnabled(!url.isEmpty());
}

void TdlgSelectSkin::choose(QListWidgetItem* item) {
    if (item == nullptr)
        return;
    const QString name = item->text();
    if (name == QString::fromStdString(m_engine.app().skin()))
        return;
    m_engine.app().setSkin(name.toStdString());
    showPreview();
    emit skinChanged(name);
}

void TdlgSelectSkin::showPreview() {
    const QPixmap picture(QString::fromStdString(m_engine.app().skinFile("qlbackground.jpg")));
    m_preview->setPixmap(picture.isNull() ? QPixmap()
                                          : picture.scaled(m_preview->size(), Qt::KeepAspectRatio,
                                                           Qt::SmoothTransformation));
}

void TdlgSelectSkin::reject() {
    if (QString::fromStdString(m_engine.app().skin()) != m_previous) {
        m_engine.app().setSkin(m_previous.toStdString());
        emit skinChanged(m_previous);
    }
    QDialog::reject();
}

} // namespace quarlo::shell
