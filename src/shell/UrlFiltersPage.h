#pragma once

#include "html/UrlFilterDialog.h"

#include <QWidget>

class QListWidget;
class QMenu;
class QPushButton;

namespace quarlo {
class TQLProfile;
}

namespace quarlo::shell {

class ShellEngine;

// The task editor's "URL Filters" page: the "Include:" and "Exclude:" lists, each with "Add"
// (and its pop-up menu), "Edit..." and "Remove". Edits a profile's URL filters; emits
// changed() on every change the user makes (not on load()).
class UrlFiltersPage : public QWidget {
    Q_OBJECT
public:
    explicit UrlFiltersPage(ShellEngine& engine, QWidget* parent = nullptr);
    ~UrlFiltersPage() override;

    void load(const TQLProfile& profile);
    void store(TQLProfile& profile) const;

    QListWidget& list(FilterKind kind);
    QPushButton& addButton(FilterKind kind);
    QPushButton& editButton(FilterKind kind);
    QPushButton& removeButton(FilterKind kind);
    // The "Add" button's pop-up menu: [AL], [PL], [RL] in this order.
    QMenu& addMenu(FilterKind kind);

signals:
    void changed();
    // An entry was added (comes before its changed()). Adding a filter makes the profile a
    // custom one; editing or removing an entry does not.
    void filterAdded();

private:
    // One list with its buttons.
    struct Side {
        QListWidget* list = nullptr;
        QPushButton* add = nullptr;
        QPushButton* edit = nullptr;
        QPushButton* remove = nullptr;
        QMenu* menu = nullptr;
    };

    QWidget* makeSide(FilterKind kind);
    Side& side(FilterKind kind);
    void updateButtons(FilterKind kind);
    void addEntry(FilterKind kind, FilterScope scope);
    void editEntry(FilterKind kind);
    void removeEntry(FilterKind kind);
    static void fillList(QListWidget& list, const std::vector<std::string>& entries);
    static std::vector<std::string> entriesOf(const QListWidget& list);

    Side m_include;
    Side m_exclude;
};

} // namespace quarlo::shell
