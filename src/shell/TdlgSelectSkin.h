#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace quarlo::shell {

class ShellEngine;

// Where more skins can be had; empty while there is no such page (Download is then off).
inline constexpr const char* kSkinPageUrl = "";

// Lists the skins (the sub-folders of the resource folder's "Skins/") and switches to the
// one clicked at once, so that the main window shows it while the dialog is open. Cancel
// (or closing the dialog) switches back to the skin it started with.
class TdlgSelectSkin : public QDialog {
    Q_OBJECT
public:
    explicit TdlgSelectSkin(ShellEngine& engine, QWidget* parent = nullptr);
    ~TdlgSelectSkin() override;

    QListWidget& skinList() { return *m_list; }
    QPushButton& okButton() { return *m_ok; }
    QPushButton& cancelButton() { return *m_cancel; }
    QPushButton& downloadButton() { return *m_download; }
    QString previousSkin() const { return m_previous; }
    // The skin page Download opens; an empty one disables the button.
    void setSkinPageUrl(const QString& url);

    void reject() override;

signals:
    // The "Skin" setting now names this skin.
    void skinChanged(const QString& name);

private:
    void fillList();
    void choose(QListWidgetItem* item);
    void showPreview();

    ShellEngine& m_engine;
    QString m_previous;
    QString m_pageUrl;
    QListWidget* m_list = nullptr;
    QLabel* m_preview = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_download = nullptr;
};

} // namespace quarlo::shell
