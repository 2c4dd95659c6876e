#pragma once

#include <QComboBox>
#include <QLabel>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QMovie;
class QToolButton;

namespace quarlo {
class TQLApp;
}

namespace quarlo::shell {

// A combo box that says when its list is about to drop down (the Profile box refills then).
class DropDownCombo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
signals:
    void aboutToShowPopup();
};

// A label that toggles a docked view: bold while its view is shown.
class ViewLink : public QLabel {
    Q_OBJECT
public:
    ViewLink(const QString& caption, QWidget* parent);
    void setShown(bool shown);
    bool isShown() const { return m_shown; }
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString m_caption;
    bool m_shown = false;
};

// The main window's tool panel: its controls in two rows that wrap further on a narrow window.
// The main window gives them their behaviour.
class ToolPanel : public QWidget {
    Q_OBJECT
public:
    explicit ToolPanel(QWidget* parent = nullptr);

    // Loads every button's glyph from the skin (current skin, else the default one) and the
    // busy animation; shows the Branding button only when "branding.bmp" exists.
    void applySkin(TQLApp& app);
    // The busy animation runs during a run and rests on its first frame otherwise.
    void setBusy(bool busy);
    bool isBusy() const;

    QToolButton* btnNewZip;
    QToolButton* btnOpen;
    QToolButton* btnDownloads;
    QToolButton* btnQuarloMode;
    QToolButton* btnIntranetMode;
    QToolButton* btnAddToSelectedZip;
    QToolButton* btnHelp;
    QLabel* lblProfile;
    DropDownCombo* cmbProfile;
    QComboBox* cmbURL;
    QToolButton* btnGO;
    QCheckBox* chkWorkOffline;
    QToolButton* btnBrowserBack;
    QToolButton* btnBrowserForward;
    QToolButton* btnBrowserStop;
    QToolButton* btnBrowserRefresh;
    QToolButton* btnBrowserHome;
    QToolButton* btnBrowser;
    QToolButton* btnBrowseHome;
    QToolButton* btnBrowseDailyNews;
    QToolButton* btnBrowseWebLinks;
    QToolButton* btnBranding;
    QLabel* lblAnimation;
    ViewLink* lnkZipProperties;
    ViewLink* lnkConnections;
    ViewLink* lnkExplore;
    ViewLink* lnkBrowse;
    ViewLink* lnkTasks;
    ViewLink* lnkIntranet;
    QButtonGroup* modeGroup;
    QButtonGroup* browseGroup;

private:
    QToolButton* makeButton(const char* name, const QString& hint, bool checkable = false);
    QMovie* m_animation = nullptr;
};

} // namespace quarlo::shell
