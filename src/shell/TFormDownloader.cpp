#include "shell/TFormDownloader.h"

#include "engine/ConnectionRows.h"
#include "engine/SocketList.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "shell/ColumnFitter.h"
#include "shell/ShellEngine.h"
#include "shell/ShellHooks.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quarlo::shell {

namespace {

enum Column { Retrieving, Progress, Bytes, Size, State, ColumnCount };

// A theme colour text "$00BBGGRR"; black when it cannot be read.
QColor themeColour(const std::string& text) {
    bool ok = false;
    const uint value = QString::fromStdString(text).mid(1).toUInt(&ok, 16);
    if (!ok)
        return Qt::black;
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

constexpr int kPercentRole = Qt::UserRole;
// Below this width an address reads as a few letters: the list scrolls sideways instead.
constexpr int kReadableAddress = 180;

// The Progress column as a progress bar with its percentage; a slot whose size is unknown
// keeps its text. The bar is drawn here rather than by the style, whose progress bar is meant
// for a widget of its own and can land outside the cell.
class ProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QVariant percent = index.data(kPercentRole);
        if (!percent.isValid() || percent.toInt() < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        cell.text.clear();
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
        const int value = std::clamp(percent.toInt(), 0, 100);
        const QRect frame = option.rect.adjusted(2, 2, -3, -3);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->setBrush(option.palette.base());
        painter->drawRect(frame);
        QRect done = frame.adjusted(1, 1, 0, 0);
        done.setWidth(done.width() * value / 100);
        painter->fillRect(done, option.palette.highlight());
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(frame, Qt::AlignCenter, QString::number(value) + QLatin1Char('%'));
        painter->restore();
    }
};

QSlider* trackBar(const QString& name, int minimum, int maximum, QWidget* parent) {
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(name);
    bar->setRange(minimum, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(1);
    return bar;
}

} // namespace

TFormDownloader::TFormDownloader(ShellEngine& engine, QWidget* parent)
    : QWidget(parent), m_engine(engine) {
    setObjectName(QStringLiteral("TFormDownloader"));
    setWindowTitle(QStringLiteral("Connections"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvSockets"));
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({QStringLiteral("Retrieving"), QStringLiteral("Progress"),
                             QStringLiteral("Bytes"), QStringLiteral("Size"),
                             QStringLiteral("Status")});
    const int widths[ColumnCount] = {200, 100, 70, 70, 150};
    for (int column = 0; column < ColumnCount; ++column)
        m_list->setColumnWidth(column, widths[column]);
    m_list->setItemDelegateForColumn(Progress, new ProgressDelegate(m_list));
    // The address takes the room the others leave, cut in its middle where it is longer; the
    // others fit their content, so that the progress bars stay in sight.
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(Retrieving, QHeaderView::Stretch);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_columns = new ColumnFitter(*m_list, {Bytes, Size, State});
    layout->addWidget(m_list, 1);
    layout->addWidget(buildControls());

    TQLApp& app = engine.app();
    m_priorityBar->setValue(app.priority());
    m_sockets->setText(QString::number(app.connections()));
    connect(m_socketsBar, &QSlider::valueChanged, this, &TFormDownloader::onSocketsChanged);
    connect(m_priorityBar, &QSlider::valueChanged, this, &TFormDownloader::onPriorityChanged);
    connect(&engine.hooks(), &ShellHooks::connectionsChanged, this, &TFormDownloader::refresh);
}

TFormDownloader::~TFormDownloader() = default;

QWidget* TFormDownloader::buildControls() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, themeColour(TQLApp::themeColours(depth())[3]));
    panel->setPalette(palette);

    m_sockets = new QLabel(panel);
    m_sockets->setObjectName(QStringLiteral("lblSockets"));
    m_sockets->setMinimumWidth(m_sockets->fontMetrics().horizontalAdvance(QStringLiteral("16")));
    m_socketsBar = trackBar(QStringLiteral("tbSockets"), TQLApp::kMinConnections,
                            TQLApp::kMaxConnections, panel);
    m_priorityBar =
        trackBar(QStringLiteral("tbPriority"), TQLApp::kMinPriority, TQLApp::kMaxPriority, panel);
    // Two compact rows below the list, which keeps the height for its rows.
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setVerticalSpacing(0);
    grid->addWidget(new QLabel(QStringLiteral("Connections:"), panel), 0, 0);
    grid->addWidget(m_sockets, 0, 1);
    grid->addWidget(m_socketsBar, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Download Priority:"), panel), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Pages"), panel), 1, 1);
    grid->addWidget(m_priorityBar, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Media files"), panel), 1, 3);
    grid->setColumnStretch(2, 1);
    for (QSlider* bar : {m_socketsBar, m_priorityBar})
        bar->setMinimumWidth(80);
    return panel;
}

void TFormDownloader::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Showing the stored value is no change by the user: nothing is stored or applied.
    const QSignalBlocker quiet(m_socketsBar);
    m_socketsBar->setValue(m_engine.app().connections());
    m_sockets->setText(QString::number(m_socketsBar->value()));
    refresh();
}

void TFormDownloader::onSocketsChanged(int count) {
    m_sockets->setText(QString::number(count));
    m_engine.app().setConnections(count);
    // During a run the download thread applies the new count at its next dispatch.
    if (m_engine.isRunning())
        return;
    m_engine.downloader().sockets().SetSocketCount(count);
    refresh();
}

void TFormDownloader::onPriorityChanged(int priority) {
    m_engine.app().setPriority(priority);
}

void TFormDownloader::refresh() {
    if (!m_list->isVisible())
        return;
    const std::vector<SocketList::SlotView> views = m_engine.downloader().sockets().view();
    const int count = static_cast<int>(views.size());
    for (int i = 0; i < count; ++i) {
        if (m_list->topLevelItemCount() < i + 1)
            m_list->addTopLevelItem(
                new QTreeWidgetItem({QString::fromStdString(idleSlotCaption(i)), {}, {}, {}, {}}));
        const auto row = connectionRow(views[i]);
        if (!row)
            continue;
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        item->setText(Retrieving, QString::fromStdString(row->caption));
        item->setText(Progress, QString::fromStdString(row->progress));
        item->setData(Progress, kPercentRole, row->percent);
        item->setText(Bytes, QString::fromStdString(row->bytes));
        item->setText(Size, QString::fromStdString(row->size));
        item->setText(State, QString::fromStdString(row->status));
    }
    for (int i = m_list->topLevelItemCount() - 1; i >= count; --i)
        delete m_list->takeTopLevelItem(i);
    m_columns->fit(ColumnFitter::Fill::Grown);
    keepAddressReadable();
}

void TFormDownloader::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    keepAddressReadable();
}

void TFormDownloader::keepAddressReadable() {
    QHeaderView* header = m_list->header();
    int others = 0;
    for (int column = Progress; column < ColumnCount; ++column)
        others += header->sectionSize(column);
    const bool roomy = m_list->viewport()->width() - others >= kReadableAddress;
    header->setSectionResizeMode(Retrieving,
                                 roomy ? QHeaderView::Stretch : QHeaderView::Interactive);
    if (!roomy)
        header->resizeSection(Retrieving, kReadableAddress);
}

} // namespace quarlo::shell
