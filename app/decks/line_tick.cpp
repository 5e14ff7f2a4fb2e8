// The display tick: every 10 ms the line looks at what the engine's threads wrote into its
// handles and follows the song's end, the playlist, the trigger and the pitch return.

#include "app/decks/line_control.h"
#include "app/decks/line_geometry.h"

#include "app/shell/desk.h"

#include <algorithm>
#include <cmath>

namespace klv::app {

namespace {

// Ticks between two pixels of the pitch return: the knob glides 1 pixel per half second.
constexpr int kPitchReturnTicks = 50;

int32_t load(int32_t& field) {
    return KLV_LOAD_FIELD(field);
}

} // namespace

void LineControl::displayTick() {
    LineHandle& cur = current();

    // The current song has played out.
    if (load(cur.finished) == 1) {
        if (m_playlistId >= 0 && m_listPos < m_listCount - 1) {
            klvStop(&current());
            nextFile();
            klvPause(&current());
            updateButtons();
        } else if (m_playlistId >= 0 && current().loop == 1) {
            if (m_shuffle)
                klvRandomizePlaylist(m_playlistId);
            m_listPos = -1;
            klvStop(&current());
            nextFile();
            klvPause(&current());
            updateButtons();
        } else {
            if (m_autoTrigger == 0) {
                fireTrigger();
                klvStop(&current());
                KLV_STORE_FIELD(current().finished, 0);
            } else {
                klvStop(&current());
                KLV_STORE_FIELD(current().finished, 0);
                if (current().loop == 1)
                    klvPause(&current());
            }
            updateButtons();
        }
    }

    // The older song on the other handle has ended.
    if (load(other().finished) == 1) {
        klvClose(&other());
        KLV_STORE_FIELD(other().finished, 0);
        updateButtons();
    }

    // Position.
    if (load(current().paused) == 0) {
        klvUpdatePos(&current());
        const int left =
            static_cast<int>(std::nearbyint(load(current().percent) * 79.0 / 100.0 + 2.0));
        const int clamped = std::clamp(left, line::kTrackerMin, line::kTrackerMax);
        if (clamped != m_trackerLeft && m_grab != Grab::Tracker) {
            m_trackerLeft = clamped;
            update(line::kTrackerBar);
        }
    }

    const bool started = load(current().state) == 2;
    const int32_t remaining = load(current().remaining);

    // Early trigger.
    if (started && m_autoTrigger >= 1 && remaining <= m_autoTrigger * 100)
        fireTrigger();

    // Playlist crossfade: the next entry starts on the other handle while this one ends.
    // Only when there is a next entry: the last song of a list without loop ends on the
    // current handle, so the end of the song is seen above and a trigger at the end fires.
    const int32_t xfade = m_desk.state().options.XFade;
    const bool entryFollows = m_listPos < m_listCount - 1 || current().loop == 1;
    if (started && load(other().state) != 2 && m_playlistId >= 0 && entryFollows &&
        load(current().percent) > 50 && xfade > 0 && remaining > 0 && remaining <= xfade * 100) {
        m_current ^= 1;
        nextFile();
        klvPause(&current());
        updateButtons();
    }

    // Pitch return.
    if (m_pitchReturn) {
        if (++m_pitchReturnTicks >= kPitchReturnTicks) {
            m_pitchReturnTicks = 0;
            if (m_pitchTop > line::kPitchCentre)
                placePitch(m_pitchTop - 1);
            else if (m_pitchTop < line::kPitchCentre)
                placePitch(m_pitchTop + 1);
        }
        if (m_pitchTop == line::kPitchCentre) {
            m_pitchReturn = false;
            setButton(Button::PitchReturn, false);
            showButton(Button::PitchReturn, false);
        }
    }
}

} // namespace klv::app
