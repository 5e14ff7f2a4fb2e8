// The main window's Update: the lines it holds, its size and where each part of the desk sits,
// and full-screen mode.

#include "app/browser/navigator_window.h"
#include "app/settings/status_bar.h"
#include "app/shell/desk_parts.h"
#include "app/shell/main_window.h"
#include "app/shell/screen_units.h"
#include "klv3.h"

#include <QWidget>

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

namespace klv::app {

namespace {

QColor fromColorRef(int32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

constexpr int kContentHeight = MainWindow::kLineHeight + MainWindow::kCrossFaderHeight;

// A failing part of Update is written to the log and the next one runs, so one broken control
// cannot leave the rest of the desk unlaid.
template <class Step> void logOnError(Step&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        klvLogInfo((std::string("frmMain.Update() - ") + error.what()).c_str());
    } catch (...) {
        klvLogInfo("frmMain.Update() - unknown error");
    }
}

} // namespace

void MainWindow::buildDesk(int32_t noLoad) {
    // The lines read the crossfader's values in their Init, so it exists before them.
    if (!m_crossFader)
        m_crossFader = makeCrossFader(*this, m_content);
    if (!m_master)
        m_master = makeMaster(*this, m_content);
    if (m_lines.empty()) {
        if (LineControl* first = makeLine(*this, m_content, 0)) {
            m_lines.push_back(first);
            logOnError([&] { initLine(*first, noLoad); });
        }
    }
    if (m_master)
        logOnError([&] { initMaster(*m_master); });
    updateDesk(noLoad);
}

void MainWindow::cleanUpDesk() {
    for (LineControl* each : m_lines)
        logOnError([&] { cleanUpLine(*each); });
    if (m_master)
        logOnError([&] { cleanUpMaster(*m_master); });
}

void MainWindow::addLine(int32_t noLoad) {
    const int number = lineCount();
    LineControl* created = makeLine(*this, m_content, number);
    if (!created)
        return;
    m_lines.push_back(created);
    logOnError([&] { initLine(*created, noLoad); });
    if (QWidget* widget = widgetOf(created))
        widget->show();
}

void MainWindow::removeLastLine() {
    LineControl* last = m_lines.back();
    logOnError([&] { cleanUpLine(*last); });
    m_lines.pop_back();
    if (QWidget* widget = widgetOf(last)) {
        // Later, not now: Update may run from an event of the line itself.
        widget->hide();
        widget->deleteLater();
    }
}

void MainWindow::updateDesk(int32_t noLoad) {
    const int wanted = std::max(1, m_state.options.NumLines);
    // Line 0 exists from the start; without it no other line is made either.
    if (!m_lines.empty()) {
        while (lineCount() < wanted) {
            const int before = lineCount();
            addLine(noLoad);
            if (lineCount() == before)
                break;
        }
        while (lineCount() > wanted)
            removeLastLine();
    }
    layoutDesk();
}

void MainWindow::applyOptions() {
    layoutDesk();
}

int MainWindow::deskLeft() const {
    if (!m_full)
        return 0;
    const int lines = std::max(1, lineCount() > 0 ? lineCount() : m_state.options.NumLines);
    const int inner = m_content->width();
    return static_cast<int>(std::lround((inner - lines * kLineWidth - kMasterWidth) / 2.0));
}

void MainWindow::layoutDesk() {
    const OptionsRecord& options = m_state.options;
    logOnError([&] {
        QPalette palette = m_content->palette();
        palette.setColor(QPalette::Window, fromColorRef(options.BackColor));
        m_content->setPalette(palette);
    });
    // Before any line exists the window is sized for the lines it is about to get.
    const int lines =
        std::max(1, lineCount() > 0 ? lineCount() : (options.NumLines > 0 ? options.NumLines : 2));
    logOnError([&] {
        if (m_full) {
            const QRect monitor = m_monitorRect();
            setMinimumSize(0, 0);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            if (monitor.isValid())
                setGeometry(monitor);
            m_content->resize(monitor.isValid() ? monitor.size() : m_content->size());
        } else {
            const QSize inner(lines * kLineWidth + kBesideLines, kContentHeight);
            m_content->setMinimumSize(inner);
            setFixedSize(inner);
            m_content->resize(inner);
        }
    });
    const int x0 = deskLeft();
    for (int i = 0; i < lineCount(); ++i) {
        logOnError([&] {
            LineControl* each = m_lines[static_cast<size_t>(i)];
            updateLine(*each);
            if (QWidget* widget = widgetOf(each))
                widget->setGeometry(x0 + kLineWidth * i, 0, kLineWidth, kLineHeight);
        });
    }
    if (QWidget* widget = widgetOf(m_master))
        logOnError([&] { widget->move(x0 + kLineWidth * lines, 0); });
    layoutBottomRow(m_content->width());
    if (m_master)
        logOnError([&] { updateMaster(*m_master); });
    if (m_crossFader)
        logOnError([&] { updateCrossFader(*m_crossFader); });
    logOnError([&] { m_status->applyColors(options.TextColor, options.BackColor); });
    logOnError([&] { lockChange(); });
}

void MainWindow::layoutBottomRow(int innerWidth) {
    const int crossFaderLeft = (innerWidth - kCrossFaderWidth) / 2;
    const int crossFaderTop = kLineHeight;
    if (QWidget* widget = widgetOf(m_crossFader))
        widget->setGeometry(crossFaderLeft, crossFaderTop, kCrossFaderWidth, kCrossFaderHeight);
    const int width = std::max(0, innerWidth - crossFaderLeft - kCrossFaderWidth - 4);
    const int top = crossFaderTop + 2;
    m_status->setGeometry(innerWidth - width, top, width, kContentHeight - top);
}

void MainWindow::setMonitorRect(std::function<QRect()> monitorRect) {
    m_monitorRect = std::move(monitorRect);
}

void MainWindow::doFullScreen(bool on) {
    if (on && !m_full)
        m_normalGeometry = geometry();
    const bool wasFull = m_full;
    m_full = on;
    if (on) {
        setWindowTitle(QString());
        hideCaptionBar(*this, true);
    } else {
        hideCaptionBar(*this, false);
        setWindowTitle(QStringLiteral("Kelvara"));
        if (wasFull && m_normalGeometry.isValid())
            move(m_normalGeometry.topLeft());
    }
    updateDesk(1);
    if (Navigator* open = navigator())
        open->updateNavigator();
}

} // namespace klv::app
