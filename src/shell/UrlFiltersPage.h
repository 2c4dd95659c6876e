#pragma once

#include <QWidget>

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

signals:
    void changed();

private:
    struct Impl;
    Impl* m_impl;
};

} // namespace quarlo::shell
