// What a line keeps between runs, and Clear File.

#include "app/decks/line_control.h"
#include "app/decks/line_geometry.h"

#include "app/decks/cross_fader.h"
#include "app/decks/surface_view.h"
#include "app/shell/desk.h"
#include "app/shell/interval_timer.h"
#include "app/shell/playable.h"
#include "app/shell/registry_text.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace klv::app {

namespace {

constexpr char kSettings[] = "Settings";
constexpr char kLastOpened[] = "Last Opened Files";

std::string lineName(int number, const char* suffix = "") {
    return "Line " + std::to_string(number + 1) + suffix;
}

int32_t readNumber(int number, const char* suffix, const char* defaultText) {
    return numericValue(getRegText(kSettings, lineName(number, suffix).c_str(), defaultText));
}

void writeNumber(int number, const char* suffix, int32_t value) {
    setRegText(kSettings, lineName(number, suffix).c_str(), std::to_string(value));
}

} // namespace

void LineControl::saveCurrentFile() {
    const std::string name = lineName(m_number);
    const std::string position = lineName(m_number, " Playlist Position");
    if (m_playlistId >= 0) {
        setRegText(kLastOpened, name.c_str(), m_playlist.toStdString());
        setRegText(kSettings, position.c_str(), m_fileName.toStdString());
    } else {
        setRegText(kLastOpened, name.c_str(), m_fileName.toStdString());
        setRegText(kSettings, position.c_str(), "");
    }
}

void LineControl::init(int32_t noLoadFiles) {
    m_playlistId = -1;
    m_handles[0].index = m_number;
    m_handles[1].index = m_number + 20;
    KLV_STORE_FIELD(current().preview, readNumber(m_number, " CUE", "0"));
    // Yes is stored as 1; any other number reads as no, as the volume has always taken it.
    m_muting = readNumber(m_number, " Mute", "0") == 1;
    KLV_STORE_FIELD(current().loop, readNumber(m_number, " Loop", "0"));
    m_xfSide = readNumber(m_number, " XFader", "0");
    m_shuffle = readNumber(m_number, " Shuffle", "0") == 1;
    m_punch = readNumber(m_number, " Punch", "1") == 1;
    setButton(Button::Mute, m_muting);
    setButton(Button::Loop, current().loop >= 1);
    setButton(Button::Cue, current().preview >= 1);
    setButton(Button::Punch, m_punch);
    placeFader(readNumber(m_number, " Fader", "219"));
    if (m_xfSide == 1 || m_xfSide == 2) {
        CrossFader* fader = m_desk.crossFader();
        const int32_t value =
            fader ? (m_xfSide == 1 ? fader->valueLeft() : fader->valueRight()) : 100;
        setXFValue(value);
        setButton(m_xfSide == 1 ? Button::XFLeft : Button::XFRight, true);
    }
    setVal(0);
    placePitch(readNumber(m_number, " Pitch", "268"));
    setPan(readNumber(m_number, " Pan", "35"));
    m_timer->start();
    clearLcd();

    const std::string name = lineName(m_number);
    if (noLoadFiles != 0) {
        setRegText(kLastOpened, name.c_str(), "");
    } else {
        m_fileName = QString::fromStdString(getRegText(kLastOpened, name.c_str(), ""));
        if (canReopen(m_fileName, m_desk.state().options.Reopen)) {
            const std::string saved =
                getRegText(kSettings, lineName(m_number, " Playlist Position").c_str(), "");
            openFile(m_fileName);
            if (m_playlistId >= 0) {
                m_listPos = klvGetIndexFromFile(m_playlistId, saved.c_str());
                if (m_listPos >= 0) {
                    --m_listPos;
                    nextFile();
                } else {
                    // The saved entry left the list: stay on the entry that was opened.
                    m_listPos = 0;
                }
                if (m_shuffle) {
                    setButton(Button::Shuffle, true);
                    klvRandomizePlaylist(m_playlistId);
                }
            }
        } else {
            m_fileName.clear();
        }
    }
    updateButtons();
    doTagTip();
}

void LineControl::cleanUp() {
    saveCurrentFile();
    writeNumber(m_number, " Mute", m_muting ? 1 : 0);
    writeNumber(m_number, " Loop", current().loop);
    writeNumber(m_number, " Fader", m_faderTop);
    writeNumber(m_number, " Pitch", m_pitchTop);
    writeNumber(m_number, " Pan", m_panLeft);
    writeNumber(m_number, " CUE", current().preview);
    writeNumber(m_number, " XFader", m_xfSide);
    writeNumber(m_number, " Shuffle", m_shuffle ? 1 : 0);
    writeNumber(m_number, " Punch", m_punch ? 1 : 0);
    klvClosePlaylist(m_playlistId);
    m_listPos = 0;
    m_listCount = 0;
    m_playlistId = -1;
    klvClose(&m_handles[0]);
    klvClose(&m_handles[1]);
}

void LineControl::clearFile() {
    klvClose(&m_handles[0]);
    klvClose(&m_handles[1]);
    updateLabel(QString());
    m_fileName.clear();
    if (LineControl* previous = previousLine(); previous && previous != this)
        previous->updateButtons();
    clearLcd();
    updateButtons();
    m_tagMenuEnabled = false;
    update();
}

} // namespace klv::app
