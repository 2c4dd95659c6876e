#include "shell/TFormZip.h"

#include "archive/ZipNames.h"
#include "archive/ZipTexts.h"
#include "html/FileNames.h"
#include "shell/ColumnFitter.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QLabel>
#include <QMimeDatabase>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr int kNodeRole = Qt::UserRole;
constexpr int kRowRole = Qt::UserRole;
constexpr int kSortRole = Qt::UserRole + 1;

enum Column { Name, Size, Packed, Ratio, Modified, Path };

// A list row that sorts its numeric columns by value and its date by time.
class RowItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : Name;
        if (column == Size || column == Packed || column == Ratio || column == Modified)
            return data(column, kSortRole).toLongLong() <
                   other.data(column, kSortRole).toLongLong();
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

// A label as a person reads it: the stored file name at its start decoded (caf%C3%A9.html
// shows as café.html), what follows it (an entry's comment) as it is.
QString readable(const std::string& text, const std::string& name) {
    if (name.empty() || text.compare(0, name.size(), name) != 0)
        return qs(text);
    return qs(displayFileName(name) + text.substr(name.size()));
}

QString readableText(const ZipNode& node) {
    switch (node.kind) {
    case ZipNode::Kind::File:
        return readable(node.text, entryFileName(node.path));
    case ZipNode::Kind::Folder:
        return readable(node.text, node.text);
    case ZipNode::Kind::Archive:
        break;
    }
    // The archive's own file name, which the user may edit in place.
    return qs(node.text);
}

void setNumber(QTreeWidgetItem* item, int column, const QString& text, qint64 value) {
    item->setText(column, text);
    item->setData(column, kSortRole, value);
    item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

} // namespace

TFormZip::TFormZip(ShellEngine& engine, ShellCommands& commands, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_commands(commands), m_model(engine.zipBrowser()) {
    setObjectName(QStringLiteral("TFormZip"));
    setWindowTitle(tr("Zip Properties"));
    buildLists();
    buildMenu();
    for (const auto& archive : m_model.archives())
        addTree(*archive->root);
    m_model.setListener(this);
    selectionChanged(m_model.selected());
    rowsChanged();
    pagesChanged();
    summaryChanged(m_model.summaryText());
    connect(qApp, &QApplication::focusChanged, this, [this] { emit commandsChanged(); });
}

TFormZip::~TFormZip() {
    m_model.setListener(nullptr);
}

void TFormZip::buildLists() {
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pcZips"));
    m_tabs->setTabPosition(QTabWidget::South);
    m_tree = new QTreeWidget(m_tabs);
    m_tree->setObjectName(QStringLiteral("tvZip"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pages = new QTreeWidget(m_tabs);
    m_pages->setObjectName(QStringLiteral("tvPages"));
    m_pages->setHeaderHidden(true);
    m_pages->setRootIsDecorated(false);
    m_tabs->addTab(m_tree, tr("Zips"));
    m_tabs->addTab(m_pages, tr("Pages"));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvZip"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels(
        {tr("Name"), tr("Size"), tr("Packed"), tr("Ratio"), tr("Modified"), tr("Path")});
    for (const auto& [column, width] :
         {std::pair{Name, 150}, std::pair{Size, 70}, std::pair{Packed, 70}, std::pair{Ratio, 50},
          std::pair{Modified, 140}, std::pair{Path, 300}})
        m_list->setColumnWidth(column, width);
    for (int column : {Size, Packed, Ratio})
        m_list->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    m_list->header()->setSectionsMovable(true);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(-1, Qt::AscendingOrder); // archive order until a column is clicked
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->header()->setStretchLastSection(false);
    m_columns = new ColumnFitter(*m_list, {Name, Size, Packed, Ratio, Modified, Path});
    // The trees are as wide as their longest label and scroll sideways instead of cutting it.
    for (QTreeWidget* tree : {m_tree, m_pages}) {
        tree->header()->setStretchLastSection(false);
        tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    }

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_list);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({220, 660});
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblZipSummary"));
    m_selection = new QLabel(this);
    m_selection->setObjectName(QStringLiteral("lblZipSelection"));
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 0, 4, 2);
    bar->addWidget(m_summary, 1);
    bar->addWidget(m_selection, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(splitter, 1);
    layout->addLayout(bar);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { onTreeCurrentChanged(current); });
    connect(m_tree, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item) { onItemEdited(item); });
    connect(m_pages, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { onPageChosen(current); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1 && m_model.idle())
            m_model.pagesListing();
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this,
            [this] { browseFrom(ZipBrowserModel::Focus::List, false); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &TFormZip::updateSelectionText);
    connect(m_tree, &QWidget::customContextMenuRequested, this, &TFormZip::showListMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &TFormZip::showListMenu);
    m_tree->installEventFilter(this);
}

ZipNode* TFormZip::nodeOf(const QTreeWidgetItem* item) const {
    return item ? static_cast<ZipNode*>(item->data(0, kNodeRole).value<void*>()) : nullptr;
}

QTreeWidgetItem* TFormZip::itemOf(const ZipNode* node) const {
    const auto found = m_items.find(node);
    return found == m_items.end() ? nullptr : found->second;
}

QIcon TFormZip::iconFor(const std::string& name) {
    static const QFileIconProvider provider;
    const std::string::size_type dot = name.rfind('.');
    const QString extension = dot == std::string::npos ? QString() : qs(name.substr(dot + 1));
    if (extension.isEmpty())
        return provider.icon(QAbstractFileIconProvider::Folder);
    const QString key = extension.toLower();
    if (auto cached = m_icons.constFind(key); cached != m_icons.constEnd())
        return *cached;
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(QStringLiteral("x.") + key, QMimeDatabase::MatchExtension);
    const QIcon icon = QIcon::fromTheme(
        type.iconName(),
        QIcon::fromTheme(type.genericIconName(), provider.icon(QAbstractFileIconProvider::File)));
    m_icons.insert(key, icon);
    return icon;
}

void TFormZip::addTree(ZipNode& node) {
    nodeAdded(node);
    for (const auto& child : node.children)
        addTree(*child);
}

void TFormZip::nodeAdded(ZipNode& node) {
    const QSignalBlocker quiet(m_tree);
    QTreeWidgetItem* parent = node.parent ? itemOf(node.parent) : nullptr;
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setText(0, readableText(node));
    item->setData(0, kNodeRole, QVariant::fromValue(static_cast<void*>(&node)));
    if (node.kind == ZipNode::Kind::File)
        item->setIcon(0, iconFor(node.path));
    else
        item->setIcon(0, iconFor({}));
    if (node.kind == ZipNode::Kind::Archive)
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_items[&node] = item;
}

void TFormZip::forgetItem(QTreeWidgetItem* item) {
    m_items.erase(nodeOf(item));
    for (int i = 0; i < item->childCount(); ++i)
        forgetItem(item->child(i));
}

void TFormZip::nodeRemoving(ZipNode& node) {
    QTreeWidgetItem* item = itemOf(&node);
    if (item == nullptr)
        return;
    const QSignalBlocker quiet(m_tree);
    forgetItem(item);
    delete item;
}

void TFormZip::nodeChanged(ZipNode& node) {
    if (QTreeWidgetItem* item = itemOf(&node)) {
        const QSignalBlocker quiet(m_tree);
        item->setText(0, readableText(node));
    }
}

void TFormZip::selectionChanged(ZipNode* node) {
    const QSignalBlocker quiet(m_tree);
    QTreeWidgetItem* item = itemOf(node);
    m_tree->setCurrentItem(item);
    if (item == nullptr)
        m_tree->clearSelection();
    emit commandsChanged();
}

void TFormZip::rowsChanged() {
    m_filling = true;
    m_list->setSortingEnabled(false);
    m_list->clear();
    const std::vector<ZipListRow>& rows = m_model.rows();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ZipListRow& row = rows[i];
        auto* item = new RowItem;
        item->setText(Name, qs(displayFileName(row.name)));
        item->setIcon(Name, iconFor(row.name));
        item->setData(Name, kRowRole, static_cast<qulonglong>(i));
        setNumber(item, Size, qs(withThousands(row.size)), row.size);
        setNumber(item, Packed, qs(withThousands(row.packed)), row.packed);
        setNumber(item, Ratio, QString::number(row.ratio) + QLatin1Char('%'), row.ratio);
        item->setText(Modified, qs(zipEntryTime(row.modified)));
        item->setData(Modified, kSortRole, static_cast<qlonglong>(row.modified));
        item->setText(Path, qs(displayFileName(row.path)));
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    m_list->setSortingEnabled(true);
    m_filling = false;
    m_columns->fit(ColumnFitter::Fill::Fresh);
    updateSelectionText();
}

void TFormZip::pagesChanged() {
    const QSignalBlocker quiet(m_pages);
    m_pages->clear();
    for (const ZipPage& page : m_model.pages()) {
        auto* item = new QTreeWidgetItem(m_pages);
        item->setText(0, readable(page.text, entryFileName(page.entry)));
        item->setData(0, Qt::UserRole, qs(page.entry));
        item->setIcon(0, iconFor(page.entry));
    }
    if (m_pages->topLevelItemCount() > 0)
        m_pages->setCurrentItem(m_pages->topLevelItem(0));
}

void TFormZip::summaryChanged(const std::string& summary) {
    m_summary->setText(qs(summary));
}

void TFormZip::recentFileChanged(const std::string& oldPath, const std::string& newPath) {
    emit recentZipChanged(qs(oldPath), qs(newPath));
}

ZipReplaceAnswer TFormZip::askReplace(const std::string& question) {
    switch (Prompts::askYesNoCancelAll(this, qs(question))) {
    case Prompts::Choice::Yes:
        return ZipReplaceAnswer::Yes;
    case Prompts::Choice::No:
        return ZipReplaceAnswer::No;
    case Prompts::Choice::Cancel:
        return ZipReplaceAnswer::Cancel;
    case Prompts::Choice::All:
        return ZipReplaceAnswer::All;
    }
    return ZipReplaceAnswer::No;
}

QString TFormZip::summaryText() const {
    return m_summary->text();
}

QString TFormZip::selectionText() const {
    return m_selection->text();
}

std::vector<std::size_t> TFormZip::selectedRows() const {
    std::vector<std::size_t> rows;
    for (const QTreeWidgetItem* item : m_list->selectedItems())
        rows.push_back(item->data(Name, kRowRole).toULongLong());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TFormZip::updateSelectionText() {
    if (m_filling)
        return;
    const std::vector<std::size_t> rows = selectedRows();
    m_selection->setText(rows.empty() ? QString() : qs(m_model.selectionText(rows)));
}

} // namespace quarlo::shell
