#pragma once
// The navigator's tab strip: queue 1, queue 2 and "Playlist". While a file is dragged over it,
// holding the pointer on one tab for half a second selects that tab, so a file can be dragged
// into a queue or the playlist that is hidden. The strip itself never takes a drop. [ui-thread]

#include <QTabBar>

namespace klv::app {

class IntervalTimer;

class FileQueueTabs : public QTabBar {
    Q_OBJECT
public:
    static constexpr int kHoverMs = 500;

    // hoverTimer replaces the half-second timer (the strip owns it); null: a real one.
    explicit FileQueueTabs(IntervalTimer* hoverTimer = nullptr, QWidget* parent = nullptr);

    // The pointer of a drag is over tab (-1: over no tab); the timer restarts on every change.
    void dragOverTab(int tab);
    // The drag left the strip or was dropped on it.
    void dragEnded();

    int hoverTab() const { return m_hoverTab; }
    IntervalTimer& hoverTimer() { return *m_timer; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void hoverElapsed();

    IntervalTimer* m_timer;
    int m_hoverTab = -1;
};

} // namespace klv::app
