// The line's transport: loading, playing, stopping, playlist steps and the trigger.

#include "app/decks/line_control.h"

#include "app/browser/display_format.h"
#include "app/decks/surface_view.h"
#include "app/shell/desk.h"
#include "app/shell/file_kinds.h"
#include "app/shell/interval_timer.h"
#include "app/shell/text_helpers.h"

#include <QApplication>
#include <QCursor>

namespace klv::app {

namespace {

// The hourglass for the length of one operation, also when it ends early.
class WaitCursor {
public:
    explicit WaitCursor(Qt::CursorShape shape = Qt::WaitCursor) {
        QApplication::setOverrideCursor(QCursor(shape));
    }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

QString LineControl::playlistEntry(int32_t index) const {
    char buffer[KLV_PATH_BUFFER] = {};
    if (klvGetPlaylistFile(m_playlistId, index, buffer) != 0)
        return {};
    buffer[KLV_PATH_BUFFER - 1] = '\0';
    return QString::fromUtf8(buffer);
}

void LineControl::readTag() {
    std::optional<SongTags> tags = readSongTags(m_fileName);
    m_hasTag = tags.has_value();
    m_tag = tags ? *std::move(tags) : SongTags{};
}

void LineControl::openFile(const QString& requested) {
    // A copy: callers hand in FileName itself, which is emptied below.
    const QString path = requested;
    WaitCursor wait;
    updateLabel(QString::fromLatin1(kLoadingText));
    // Show "Loading..." now: klvOpen may wait for the line's threads to start.
    repaint(QRect(0, 0, width(), 52));

    // A started song moves to the other handle and goes on sounding.
    if (currentState() == 2)
        m_current ^= 1;
    if (m_desk.state().options.ResetPitch == 1)
        placePitch(268);

    m_fileName.clear();
    m_hasTag = false;
    m_tag = SongTags{};
    if (currentState() > 0)
        klvClose(&current());

    KLV_STORE_FIELD(current().displayDC, m_lcd->dc());
    current().ownerWindow = reinterpret_cast<KlvWindow>(m_desk.owner());
    KLV_STORE_FIELD(other().displayDC, 0);

    const QByteArray utf8 = path.toUtf8();
    const int32_t kind = klvWhatIsIt(utf8.constData());
    if (kind == KLV_KIND_UNKNOWN) {
        m_desk.routeMessage(QStringLiteral("Can't determine file type: ") + path, 2, 0);
    } else {
        if (isPlaylistKind(kind)) {
            closePlaylist();
            m_playlist = path;
            m_playlistId = klvOpenPlaylist(utf8.constData());
            m_listCount = m_playlistId >= 0 ? klvGetPlaylistCount(m_playlistId) : 0;
            m_listPos = 0;
            if (m_shuffle)
                klvRandomizePlaylist(m_playlistId);
            m_fileName = playlistEntry(0);
        } else {
            m_fileName = path;
        }
        const QByteArray song = m_fileName.toUtf8();
        if (m_fileName.isEmpty() || klvOpen(&current(), song.constData()) != 0)
            m_fileName.clear();
        m_tagMenuEnabled = false;
        // Every song has a tag of its own to show and edit (ID3, Vorbis comments, MP4 atoms).
        if (!m_fileName.isEmpty() && isSongKind(klvWhatIsIt(song.constData()))) {
            readTag();
            m_tagMenuEnabled = true;
        }
    }

    updateLabel(m_fileName);
    updateButtons();
    if (LineControl* previous = previousLine(); previous && previous != this)
        previous->updateButtons();
    setVal(0);
    applyPitch();
    for (LineHandle& h : m_handles) {
        klvSetPreview(&h);
        klvSetPan(&h, m_panValue);
    }
    saveCurrentFile();
    fillSongEq();
    update();
}

void LineControl::closePlaylist() {
    klvClosePlaylist(m_playlistId);
    m_playlistId = -1;
    m_playlist.clear();
    m_listCount = 0;
    m_listPos = 0;
}

void LineControl::loadFile(const QString& path) {
    closePlaylist();
    klvClose(&m_handles[0]);
    klvClose(&m_handles[1]);
    openFile(path);
}

bool LineControl::nextFile() {
    if (m_playlistId < 0)
        return false;
    if (m_listPos >= m_listCount - 1) {
        if (current().loop == 0)
            return false;
        m_listPos = -1;
    }
    ++m_listPos;
    openFile(playlistEntry(m_listPos));
    return true;
}

bool LineControl::previousFile() {
    if (m_playlistId < 0 || m_listPos <= 0)
        return false;
    --m_listPos;
    openFile(playlistEntry(m_listPos));
    return true;
}

bool LineControl::goToFile(int32_t index) {
    if (m_playlistId < 0 || index < 0 || index > m_listCount - 1)
        return false;
    m_listPos = index;
    openFile(playlistEntry(m_listPos));
    return true;
}

void LineControl::navigate(const std::function<bool()>& step) {
    WaitCursor wait;
    const bool wasPlaying = currentState() == 2;
    // A playing song moves to the other handle while the new entry opens on the current one.
    if (step() && wasPlaying) {
        klvPause(&current());
        klvClose(&other());
    }
    updateButtons();
}

void LineControl::nextTrack() {
    navigate([this] { return nextFile(); });
}
void LineControl::previousTrack() {
    navigate([this] { return previousFile(); });
}
void LineControl::goToTrack(int32_t index) {
    navigate([this, index] { return goToFile(index); });
}

void LineControl::pause() {
    if (!buttonShown(Button::PlayPause))
        return;
    WaitCursor wait;
    setVal(0);
    applyPitch();
    klvSetPreview(&current());
    klvSetPan(&current(), m_panValue);
    klvPause(&current());
    updateButtons();
}

void LineControl::doStop() {
    if (!buttonShown(Button::Stop))
        return;
    WaitCursor wait;
    klvStop(&m_handles[0]);
    klvStop(&m_handles[1]);
    klvClose(&other());
    updateButtons();
}

void LineControl::trigger() {
    if (m_fileName.isEmpty())
        return;
    const int32_t s = currentState();
    if (!(s == 1 || (s == 2 && KLV_LOAD_FIELD(current().paused))))
        return;
    if (m_desk.state().options.EnsureOn == 1) {
        m_muting = false;
        m_punch = true;
        setButton(Button::Mute, false);
        setButton(Button::Punch, true);
    }
    setVal(0);
    klvPause(&current());
    m_timer->start();
    updateButtons();
}

void LineControl::disarmTrigger() {
    m_autoTrigger = -1;
    setButton(Button::AutoTrigger, false);
    setButtonTip(Button::AutoTrigger, QStringLiteral("Auto Trigger Next Line"));
}

void LineControl::fireTrigger() {
    if (LineControl* next = nextLine(); next && next != this)
        next->trigger();
    disarmTrigger();
}

void LineControl::setAutoTrigger(int32_t seconds) {
    if (seconds < 0) {
        disarmTrigger();
        return;
    }
    m_autoTrigger = seconds;
    setButton(Button::AutoTrigger, true);
    setButtonTip(Button::AutoTrigger, QStringLiteral("Auto Trigger at %1 Seconds").arg(seconds));
    // Loop and auto-trigger exclude each other.
    KLV_STORE_FIELD(m_handles[0].loop, 0);
    KLV_STORE_FIELD(m_handles[1].loop, 0);
    setButton(Button::Loop, false);
}

void LineControl::updateButtons() {
    const OptionsRecord& o = m_desk.state().options;
    const int32_t s = m_fileName.isEmpty() ? 0 : currentState();
    const bool started = s == 2;
    const bool hasPlaylist = m_playlistId >= 0;
    showButton(Button::PlayPause, s >= 1);
    showButton(Button::Stop, started);
    showButton(Button::Open, !started || o.NoOpenPlaying == 0);
    showButton(Button::Cue, o.UseSecondary == 1);
    showButton(Button::Previous, hasPlaylist);
    showButton(Button::Next, hasPlaylist);
    showButton(Button::Loop, true);
    showButton(Button::Mute, true);
    showButton(Button::Shuffle, hasPlaylist);
    showButton(Button::XFLeft, true);
    showButton(Button::XFRight, true);
    showButton(Button::PitchReturn, m_pitchValue != 1000);
    showButton(Button::Punch, true);
    LineControl* next = nextLine();
    const bool canTrigger =
        !m_fileName.isEmpty() && next && next != this && !next->fileName().isEmpty();
    showButton(Button::AutoTrigger, canTrigger);
    if (!canTrigger)
        disarmTrigger();
    setButton(Button::PlayPause, false);
    update(QRect(0, 86, width(), 18));
}

} // namespace klv::app
