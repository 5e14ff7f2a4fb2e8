#pragma once
// ctlStatus: the main window's status bar for notices, warnings and errors. A message shows at
// once, with a blinking indicator for its first three seconds, stays ten seconds, fades into
// the background over the next three and is gone after 13.1 s. Holding the mouse button on it
// keeps it (and scrolls a long one sideways); releasing gives it another three seconds before
// it fades. Everything is timed by ticks of 100 ms from an IntervalTimer. [ui-thread]

#include "app/shell/interval_timer.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <cstdint>

class QLabel;
class QPushButton;

namespace klv::app {

class StatusBar final : public QWidget {
    Q_OBJECT
public:
    // The message starts 240 twips (16 pixels) from the left edge.
    static constexpr int kMessageLeft = 16;
    static constexpr int kTickMs = 100;
    static constexpr int kBlinkUntil = 29; // the indicator blinks up to this tick
    static constexpr int kFadeFrom = 101;  // indicator and buttons go, colours fade
    static constexpr int kGoneAt = 131;    // the message is gone, the timer stops
    static constexpr int kReleasedAt = 70; // where a released message resumes

    explicit StatusBar(QWidget* parent = nullptr);

    // Replaces the 100 ms timer (the status bar owns it from now on).
    void setTimer(IntervalTimer* timer);

    // ShowMessage: severity is held within 0 (notice) .. 2 (error); helpContext above 0 shows
    // "Details", which opens that help topic.
    void showMessage(const QString& message, int32_t level, int32_t helpContext);
    // Update: the title's colour and the background, as colour references (0x00BBGGRR).
    void applyColors(int32_t textColor, int32_t backColor);
    // "Dismiss": the message goes at once.
    void dismiss();

    // The colour a faded text has at tick ticks (from kFadeFrom on) between start and back.
    static QColor fadedColor(const QColor& start, const QColor& back, int ticks);

    // What the bar shows, for its owner and for tests.
    int32_t level() const { return m_level; }
    int32_t helpContext() const { return m_helpContext; }
    int ticks() const { return m_ticks; }
    bool timerActive() const;
    QString messageText() const;
    QString titleText() const;
    bool titleVisible() const;
    bool indicatorVisible() const;
    bool dismissVisible() const;
    bool detailsVisible() const;
    QColor messageColor() const;
    QColor titleColor() const;
    bool messageBold() const;
    int messageLeft() const;
    QLabel* messageLabel() const { return m_message; }
    QPushButton* dismissButton() const { return m_dismiss; }
    QPushButton* detailsButton() const { return m_details; }

signals:
    void detailsRequested(int32_t helpContext);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void tick();
    void layoutRows();
    void setColors(const QColor& message, const QColor& title);
    void showFullColors();
    void holdMessage(int pointerX);
    void dragMessage(int pointerX);
    void releaseMessage();

    IntervalTimer* m_timer = nullptr;
    QLabel* m_indicator;
    QLabel* m_title;
    QLabel* m_message;
    QPushButton* m_dismiss;
    QPushButton* m_details;
    QPixmap m_pictures[3];

    int32_t m_level = 0;
    int32_t m_helpContext = 0;
    int m_ticks = 0;
    int m_dragStartX = 0; // pointer x minus the message's left edge at the press
    bool m_holding = false;
    QColor m_textColor;
    QColor m_backColor;
};

} // namespace klv::app
