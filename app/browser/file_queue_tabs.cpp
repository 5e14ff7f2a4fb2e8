#include "app/browser/file_queue_tabs.h"

#include "app/shell/interval_timer.h"

#include <QDragEnterEvent>

namespace klv::app {

FileQueueTabs::FileQueueTabs(IntervalTimer* hoverTimer, QWidget* parent)
    : QTabBar(parent),
      m_timer(hoverTimer != nullptr ? hoverTimer : new QtIntervalTimer(kHoverMs, this)) {
    m_timer->setParent(this);
    setAcceptDrops(true);
    setExpanding(false);
    setObjectName(QStringLiteral("tabNav"));
    connect(m_timer, &IntervalTimer::timeout, this, &FileQueueTabs::hoverElapsed);
}

void FileQueueTabs::dragOverTab(int tab) {
    if (tab < 0) {
        dragEnded();
        return;
    }
    if (tab == m_hoverTab && m_timer->isActive())
        return;
    m_hoverTab = tab;
    m_timer->stop();
    m_timer->start();
}

void FileQueueTabs::dragEnded() {
    m_timer->stop();
    m_hoverTab = -1;
}

void FileQueueTabs::hoverElapsed() {
    m_timer->stop();
    if (m_hoverTab >= 0 && m_hoverTab < count() && m_hoverTab != currentIndex())
        setCurrentIndex(m_hoverTab);
}

void FileQueueTabs::dragEnterEvent(QDragEnterEvent* event) {
    // Accepted only to go on hearing where the pointer is; every position refuses the drop.
    event->accept();
    dragOverTab(tabAt(event->position().toPoint()));
}

void FileQueueTabs::dragMoveEvent(QDragMoveEvent* event) {
    dragOverTab(tabAt(event->position().toPoint()));
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
}

void FileQueueTabs::dragLeaveEvent(QDragLeaveEvent* event) {
    dragEnded();
    event->accept();
}

void FileQueueTabs::dropEvent(QDropEvent* event) {
    dragEnded();
    event->ignore();
}

} // namespace klv::app
