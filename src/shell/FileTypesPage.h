#pragma once

#include <QWidget>

namespace quarlo {
class TQLProfile;
}

namespace quarlo::shell {

class ShellEngine;

// The task editor's "Filetypes" page: the tree of file types with check marks (groups
// tri-state, "All" at the top) and "&New...", "&Edit...", "&Delete". Edits a profile's
// file-type list; emits changed() on every change the user makes (not on load()).
class FileTypesPage : public QWidget {
    Q_OBJECT
public:
    explicit FileTypesPage(ShellEngine& engine, QWidget* parent = nullptr);
    ~FileTypesPage() override;

    void load(const TQLProfile& profile);
    void store(TQLProfile& profile) const;

signals:
    void changed();

private:
    struct Impl;
    Impl* m_impl;
};

} // namespace quarlo::shell
