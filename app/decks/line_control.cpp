#include "app/decks/line_control.h"

#include "app/browser/display_format.h"
#include "app/browser/display_format_dialog.h"
#include "app/browser/tag_editor.h"
#include "app/decks/line_geometry.h"
#include "app/decks/surface_view.h"
#include "app/settings/song_eq.h"
#include "app/settings/trigger_dialog.h"
#include "app/shell/desk.h"
#include "app/shell/interval_timer.h"

#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>

namespace klv::app {

namespace {

// The display tick: often enough that the end of a song, the early trigger and the playlist
// crossfade are seen within 10 ms.
constexpr int kDisplayTickMs = 10;

std::function<bool(QWidget*, const QString&)>& tagEditorHook() {
    static std::function<bool(QWidget*, const QString&)> hook;
    return hook;
}
std::function<bool(Desk&)>& displayFormatHook() {
    static std::function<bool(Desk&)> hook;
    return hook;
}
std::function<bool(QWidget*, int32_t&)>& triggerTimeHook() {
    static std::function<bool(QWidget*, int32_t&)> hook;
    return hook;
}

} // namespace

void LineControl::setTagEditorHook(std::function<bool(QWidget*, const QString&)> hook) {
    tagEditorHook() = std::move(hook);
}
void LineControl::setDisplayFormatHook(std::function<bool(Desk&)> hook) {
    displayFormatHook() = std::move(hook);
}
void LineControl::setTriggerTimeHook(std::function<bool(QWidget*, int32_t&)> hook) {
    triggerTimeHook() = std::move(hook);
}

LineControl::LineControl(Desk& desk, int number, QWidget* parent, IntervalTimer* displayTimer)
    : KnobInput(parent), m_desk(desk), m_number(number),
      m_timer(displayTimer ? displayTimer : new QtIntervalTimer(kDisplayTickMs)) {
    m_timer->setParent(this);
    setFixedSize(line::kWidth, line::kHeight);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_handles[0].index = number;
    m_handles[1].index = number + 20;

    // The LCD's pixels are the engine's; the line hears its clicks itself.
    m_lcd = new SurfaceView(this, m_desk.state().options.LCDBackColor);
    m_lcd->setPictureSize(line::kLcdRect.size());
    m_lcd->move(line::kLcdRect.topLeft());
    m_lcd->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_eq = new SongEq(this);
    m_eq->move(0, 2);
    m_eq->hide();
    connect(m_eq, &SongEq::eqChanged, this, &LineControl::setEQ);
    connect(m_eq, &SongEq::hideRequested, this, &LineControl::hideEQ);

    for (const ButtonRow& row : buttonTable())
        buttonState(row.button).tip = QString::fromLatin1(row.tip);

    connect(m_timer, &IntervalTimer::timeout, this, &LineControl::displayTick);
    updateButtons();
    setVal(0);
}

LineControl::~LineControl() {
    m_timer->stop();
    // The engine's threads write the handles until they are closed.
    klvClose(&m_handles[0]);
    klvClose(&m_handles[1]);
    // The engine has 16 playlists for everybody: a line removed without CleanUp gives its back.
    klvClosePlaylist(m_playlistId);
}

QSize LineControl::sizeHint() const {
    return {line::kWidth, line::kHeight};
}

int32_t LineControl::currentState() const {
    return KLV_LOAD_FIELD(const_cast<LineHandle&>(m_handles[static_cast<size_t>(m_current)]).state);
}

LineControl::State LineControl::state() const {
    if (m_fileName.isEmpty())
        return State::Empty;
    const int32_t s = currentState();
    if (s < 2)
        return s == 1 ? State::Loaded : State::Empty;
    const LineHandle& h = m_handles[static_cast<size_t>(m_current)];
    return KLV_LOAD_FIELD(const_cast<LineHandle&>(h).paused) ? State::Paused : State::Playing;
}

bool LineControl::areYouPlaying() const {
    return currentState() == 2;
}

bool LineControl::trackerShown() const {
    return currentState() == 2;
}

void LineControl::setStatus(const QString& text, uint32_t colour) {
    if (m_statusText == text && m_statusColour == colour)
        return;
    m_statusText = text;
    m_statusColour = colour;
    update(line::kStatusRect);
}

LineControl* LineControl::nextLine() const {
    const int count = m_desk.lineCount();
    if (count <= 0)
        return nullptr;
    return m_desk.line(m_number + 1 >= count ? 0 : m_number + 1);
}

LineControl* LineControl::previousLine() const {
    const int count = m_desk.lineCount();
    if (count <= 0)
        return nullptr;
    return m_desk.line(m_number - 1 < 0 ? count - 1 : m_number - 1);
}

void LineControl::updateLabel(const QString& text) {
    const auto rows = expandLabel(text, m_tag, m_hasTag, labelFormats(m_desk.state().options));
    for (size_t i = 0; i < rows.size(); ++i) {
        m_labels[i] = rows[i];
        // An empty row keeps the whole text as its tip; a shown row explains itself.
        m_labelTips[i] = rows[i].isEmpty() ? text : rows[i];
    }
    update(QRect(0, 0, line::kWidth, line::kLcdRect.top()));
}

void LineControl::setEQ(int32_t band, float level) {
    klvSetSongEQ(&current(), band, level);
}

void LineControl::hideEQ() {
    m_eq->hide();
}

void LineControl::showEQ() {
    const OptionsRecord& o = m_desk.state().options;
    const auto colour = [](int32_t ref) {
        return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
    };
    m_eq->setColors(colour(o.TextColor), colour(o.LCDBackColor));
    m_eq->show();
    m_eq->raise();
}

void LineControl::fillSongEq() {
    for (int32_t band = 0; band < SongEq::kBands; ++band)
        m_eq->setBand(band, klvGetSongEQ(&current(), band));
}

void LineControl::clearLcd() {
    m_lcd->fill(m_desk.state().options.LCDBackColor);
}

void LineControl::updateLayout() {
    m_lcd->setFillColor(m_desk.state().options.LCDBackColor);
    if (currentState() == 0)
        clearLcd();
    applyPitch();
    updateButtons();
    updateLabel(m_fileName);
    update();
}

void LineControl::customTrigger() {
    int32_t seconds = m_autoTrigger < 0 ? 0 : m_autoTrigger;
    bool taken = false;
    if (triggerTimeHook()) {
        taken = triggerTimeHook()(this, seconds);
    } else {
        TriggerDialog dialog(this);
        dialog.TTime = seconds;
        dialog.exec();
        taken = !dialog.cancelled;
        seconds = dialog.TTime;
    }
    if (!taken)
        return;
    m_autoTrigger = seconds < 0 ? 0 : seconds;
    setButton(Button::AutoTrigger, true);
}

void LineControl::editTag() {
    if (m_fileName.isEmpty())
        return;
    if (tagEditorHook())
        tagEditorHook()(m_desk.owner(), m_fileName);
    else
        editId3Tag(m_desk.owner(), m_fileName);
    // The tag may have been written, or the file changed behind our back: read it again.
    readTag();
    updateLabel(m_fileName);
}

void LineControl::editDisplayFormats() {
    if (displayFormatHook())
        displayFormatHook()(m_desk);
    else
        editLineDisplayFormats(m_desk);
}

bool LineControl::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return KnobInput::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QPoint p = help->pos();
    QString tip;
    if (const std::optional<Button> button = buttonAt(p)) {
        tip = buttonTip(*button);
    } else if (line::kStatusRect.contains(p)) {
        tip = m_statusTip;
    } else if (p.y() < line::kLcdRect.top()) {
        for (int i = 0; i < 3; ++i)
            if (p.y() >= line::kLabelTops[i] && p.y() < line::kLabelTops[i] + line::kLabelHeight)
                tip = m_labelTips[static_cast<size_t>(i)];
    } else if (line::kLcdRect.contains(p)) {
        tip = tr("Double-click: elapsed or remaining time");
    } else if (line::kTrackerBar.contains(p)) {
        tip = tr("Song Position");
    } else if (line::kPanBar.contains(p)) {
        tip = tr("Pan (double-click: centre)");
    } else if (line::kFaderBar.contains(p)) {
        tip = tr("Volume (double-click: unity)");
    } else if (line::kPitchBar.contains(p)) {
        tip = tr("Pitch %1 % (double-click: zero)").arg((m_pitchValue - 1000) / 10.0, 0, 'f', 1);
    }
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, this);
    return true;
}

} // namespace klv::app
