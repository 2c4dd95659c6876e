#pragma once

#include <QWidget>

class QLabel;
class QSlider;
class QTreeWidget;

namespace quarlo::shell {

class ColumnFitter;
class ShellEngine;

// The connections window: one row per transfer slot with what it fetches, and the two
// controls that steer the engine, the number of connections and the page/media priority.
class TFormDownloader : public QWidget {
    Q_OBJECT
public:
    explicit TFormDownloader(ShellEngine& engine, QWidget* parent = nullptr);
    ~TFormDownloader() override;

    // Brings the rows in line with the slots; does nothing while the list is not showing.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildControls();
    void onSocketsChanged(int count);
    void onPriorityChanged(int priority);
    void keepAddressReadable();

    ShellEngine& m_engine;
    QLabel* m_sockets = nullptr;
    QSlider* m_socketsBar = nullptr;
    QSlider* m_priorityBar = nullptr;
    QTreeWidget* m_list = nullptr;
    ColumnFitter* m_columns = nullptr;
};

} // namespace quarlo::shell
