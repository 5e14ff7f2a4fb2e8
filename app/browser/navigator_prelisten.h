#pragma once
// The navigator's pre-listen player and its seven information panels: kind, bit rate, sample
// rate, length, time remaining, position and path of the selected file. The file is opened
// quietly on a LineHandle of the navigator's own (index 63, never one a line uses) and plays
// on the headphone card when UseSecondary is set, else on the main mix at full volume. While it
// plays, a 100 ms timer follows its position and notices its end. [ui-thread]

#include "app/shell/program_state.h"
#include "klv3.h"

#include <QString>
#include <QWidget>

#include <array>

class QLabel;
class QSlider;
class QToolButton;

namespace klv::app {

class IntervalTimer;

class PreListenPlayer : public QWidget {
    Q_OBJECT
public:
    static constexpr int32_t kHandleIndex = 63;
    static constexpr int kPanelCount = 7;
    static constexpr int kTickMs = 100;

    // stopTimer replaces the 100 ms timer (the player owns it); null: a real one.
    PreListenPlayer(ProgramState& state, IntervalTimer* stopTimer = nullptr,
                    QWidget* parent = nullptr);
    ~PreListenPlayer() override;

    // GetInfo: the file's properties into the panels; an audio file becomes the selected file
    // and is opened (once) on the pre-listen handle.
    void getInfo(const QString& fName);
    void play();
    void stop();
    // Space: play when play is enabled, else stop when stop is.
    void toggle();
    // Closes the pre-listen line (the navigator closes).
    void close();

    // The timer's work, also reachable for tests stepping their own timer.
    void stopTimerTick();

    QString selectedFile() const { return m_selected; }
    // Panel 1..7.
    QString panelText(int panel) const;
    LineHandle& handle() { return m_handle; }
    QToolButton& playButton() { return *m_play; }
    QToolButton& stopButton() { return *m_stop; }
    QSlider& tracker() { return *m_tracker; }
    IntervalTimer& stopTimer() { return *m_timer; }

private:
    void setPanel(int panel, const QString& text);
    void clearPanels(int from, int to);
    void showTimes();
    void endPlay();
    void trackerPressed();
    void trackerMoved(int percent);
    void trackerCommitted();
    bool playing() const;
    bool paused() const;

    ProgramState& m_state;
    LineHandle m_handle{};
    QString m_selected;
    QToolButton* m_play;
    QToolButton* m_stop;
    QSlider* m_tracker;
    std::array<QLabel*, kPanelCount> m_panels{};
    IntervalTimer* m_timer;
};

} // namespace klv::app
