#include "shell/UrlFiltersPage.h"

#include "html/LinkFilters.h"
#include "model/TQLProfile.h"
#include "shell/TdlgEditURLFilter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {
constexpr FilterScope kScopes[] = {FilterScope::AllLinks, FilterScope::PageLinks,
                                   FilterScope::ResourceLinks};
} // namespace

UrlFiltersPage::UrlFiltersPage(ShellEngine& /*engine*/, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeSide(FilterKind::Include), 1);
    layout->addWidget(makeSide(FilterKind::Exclude), 1);
}

UrlFiltersPage::~UrlFiltersPage() = default;

QWidget* UrlFiltersPage::makeSide(FilterKind kind) {
    const bool include = kind == FilterKind::Include;
    const QString suffix = include ? QStringLiteral("Include") : QStringLiteral("Exclude");
    Side& s = side(kind);
    auto* box = new QWidget(this);
    auto* title = new QLabel(include ? tr("Include:") : tr("Exclude:"), box);
    auto* heading = new QLabel(QString::fromUtf8(urlFilterListHeading(kind)), box);
    heading->setWordWrap(true);
    s.list = new QListWidget(box);
    s.list->setObjectName(QStringLiteral("lb") + suffix);
    title->setBuddy(s.list);
    s.add = new QPushButton(tr("Add"), box);
    s.add->setObjectName(QStringLiteral("btnAdd") + suffix);
    s.edit = new QPushButton(tr("Edit..."), box);
    s.edit->setObjectName(QStringLiteral("btnEdit") + suffix);
    s.remove = new QPushButton(tr("Remove"), box);
    s.remove->setObjectName(QStringLiteral("btnRemove") + suffix);
    s.menu = new QMenu(s.add);
    for (FilterScope scope : kScopes) {
        QAction* action = s.menu->addAction(QString::fromUtf8(urlFilterMenuCaption(kind, scope)));
        connect(action, &QAction::triggered, this, [this, kind, scope] { addEntry(kind, scope); });
    }
    // The menu drops down under the button when it is pressed.
    s.add->setMenu(s.menu);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(s.add);
    buttons->addWidget(s.edit);
    buttons->addWidget(s.remove);
    buttons->addStretch(1);
    auto* listAndButtons = new QHBoxLayout;
    listAndButtons->addWidget(s.list, 1);
    listAndButtons->addLayout(buttons);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);
    layout->addWidget(heading);
    layout->addLayout(listAndButtons, 1);

    connect(s.list, &QListWidget::currentRowChanged, this, [this, kind] { updateButtons(kind); });
    connect(s.list, &QListWidget::itemDoubleClicked, this, [this, kind] { editEntry(kind); });
    connect(s.edit, &QPushButton::clicked, this, [this, kind] { editEntry(kind); });
    connect(s.remove, &QPushButton::clicked, this, [this, kind] { removeEntry(kind); });
    updateButtons(kind);
    return box;
}

UrlFiltersPage::Side& UrlFiltersPage::side(FilterKind kind) {
    return kind == FilterKind::Include ? m_include : m_exclude;
}

QListWidget& UrlFiltersPage::list(FilterKind kind) {
    return *side(kind).list;
}

QPushButton& UrlFiltersPage::addButton(FilterKind kind) {
    return *side(kind).add;
}

QPushButton& UrlFiltersPage::editButton(FilterKind kind) {
    return *side(kind).edit;
}

QPushButton& UrlFiltersPage::removeButton(FilterKind kind) {
    return *side(kind).remove;
}

QMenu& UrlFiltersPage::addMenu(FilterKind kind) {
    return *side(kind).menu;
}

void UrlFiltersPage::load(const TQLProfile& profile) {
    // Filling a list signals nothing the page reports: only the user's actions emit.
    fillList(*m_include.list, profile.urlFiltersInclude());
    fillList(*m_exclude.list, profile.urlFiltersExclude());
    updateButtons(FilterKind::Include);
    updateButtons(FilterKind::Exclude);
}

void UrlFiltersPage::store(TQLProfile& profile) const {
    profile.setUrlFiltersInclude(entriesOf(*m_include.list));
    profile.setUrlFiltersExclude(entriesOf(*m_exclude.list));
}

void UrlFiltersPage::fillList(QListWidget& list, const std::vector<std::string>& entries) {
    list.clear();
    for (const std::string& entry : entries)
        list.addItem(QString::fromStdString(entry));
}

std::vector<std::string> UrlFiltersPage::entriesOf(const QListWidget& list) {
    std::vector<std::string> entries;
    for (int row = 0; row < list.count(); ++row)
        entries.push_back(list.item(row)->text().toStdString());
    return entries;
}

void UrlFiltersPage::updateButtons(FilterKind kind) {
    Side& s = side(kind);
    const bool selected = s.list->currentItem() != nullptr;
    s.edit->setEnabled(selected);
    s.remove->setEnabled(selected);
}

void UrlFiltersPage::addEntry(FilterKind kind, FilterScope scope) {
    TdlgEditURLFilter dialog(kind, QString::fromUtf8(scopeTag(scope)), this);
    if (dialog.exec() != QDialog::Accepted || dialog.entry().isEmpty())
        return;
    QListWidget& target = list(kind);
    target.addItem(dialog.entry());
    target.setCurrentRow(target.count() - 1);
    emit filterAdded();
    emit changed();
}

void UrlFiltersPage::editEntry(FilterKind kind) {
    QListWidget& target = list(kind);
    const int row = target.currentRow();
    if (row < 0)
        return;
    const std::vector<std::string> entries = entriesOf(target);
    // An entry without any tag in its list still opens, with the form's own label.
    const std::string tag = editScopeTag(entries, static_cast<std::size_t>(row));
    TdlgEditURLFilter dialog(kind, QString::fromStdString(tag), target.item(row)->text(), this);
    if (dialog.exec() != QDialog::Accepted || dialog.entry() == target.item(row)->text())
        return;
    target.item(row)->setText(dialog.entry());
    emit changed();
}

void UrlFiltersPage::removeEntry(FilterKind kind) {
    QListWidget& target = list(kind);
    const int row = target.currentRow();
    if (row < 0)
        return;
    delete target.takeItem(row);
    updateButtons(kind);
    emit changed();
}

} // namespace quarlo::shell
