#pragma once
// The pages of the options dialog. Each edits the dialog's working copy (options_page.h);
// the dialog shows one at a time. [ui-thread]

#include "app/settings/options_page.h"

class QLabel;
class QPushButton;
class QSlider;

namespace klv::app {

// 0 "General": re-opening, opening files, exit confirmation.
class GeneralPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit GeneralPage(OptionsRecord& copy, QWidget* parent = nullptr);
};

// 1 "Display": file label formats, text options, LED display options, number of lines.
class DisplayPage final : public OptionsPage {
    Q_OBJECT
public:
    // maxLines: the most lines the screen holds, the end of the "Number of Lines" list.
    DisplayPage(OptionsRecord& copy, int32_t maxLines, QWidget* parent = nullptr);

private:
    void editFormats();
};

// 4 "Playback": silence detection, pitch and tempo, auto-trigger volume, playlist crossfade.
class PlaybackPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit PlaybackPage(OptionsRecord& copy, QWidget* parent = nullptr);

private:
    QSlider* m_threshold;
    QLabel* m_thresholdText;
};

// 5 "Crossfader": the auto-fade speed.
class CrossfaderPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit CrossfaderPage(OptionsRecord& copy, QWidget* parent = nullptr);
};

// 6 "File Navigator": the titles and rules of the two file queues.
class NavigatorPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit NavigatorPage(OptionsRecord& copy, QWidget* parent = nullptr);
};

// 7 "Status Messages": where messages appear. The boxes show the levels the status area
// takes; every start sets that level afresh, so they are shown, not edited.
class StatusPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit StatusPage(OptionsRecord& copy, QWidget* parent = nullptr);
};

} // namespace klv::app
