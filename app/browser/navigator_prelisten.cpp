#include "app/browser/navigator_prelisten.h"

#include "app/shell/file_kinds.h"
#include "app/shell/interval_timer.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

namespace klv::app {

namespace {

// Widths of the panels 1 to 6 in pixels; the path takes the rest.
constexpr std::array<int, 6> kPanelWidths = {64, 72, 72, 64, 64, 64};

QString timeText(const char* buffer) {
    return QString::fromUtf8(buffer, static_cast<qsizetype>(qstrnlen(buffer, KLV_TIME_BUFFER)))
        .trimmed();
}

} // namespace

PreListenPlayer::PreListenPlayer(ProgramState& state, IntervalTimer* stopTimer, QWidget* parent)
    : QWidget(parent), m_state(state), m_play(new QToolButton(this)), m_stop(new QToolButton(this)),
      m_tracker(new QSlider(Qt::Horizontal, this)),
      m_timer(stopTimer != nullptr ? stopTimer : new QtIntervalTimer(kTickMs, this)) {
    m_timer->setParent(this);
    m_handle.index = kHandleIndex;

    m_play->setObjectName(QStringLiteral("cmdPlay"));
    m_play->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_play->setToolTip(QStringLiteral("Play"));
    m_play->setEnabled(false);
    m_stop->setObjectName(QStringLiteral("cmdStop"));
    m_stop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    m_stop->setToolTip(QStringLiteral("Stop"));
    m_stop->setEnabled(false);
    m_tracker->setObjectName(QStringLiteral("sldTracker"));
    m_tracker->setRange(0, 100);
    m_tracker->setSingleStep(1);
    m_tracker->setPageStep(5);
    m_tracker->setEnabled(false);
    m_tracker->setFixedWidth(120);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(2);
    row->addWidget(m_play);
    row->addWidget(m_stop);
    row->addWidget(m_tracker);
    for (int i = 0; i < kPanelCount; ++i) {
        auto* panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        if (i < static_cast<int>(kPanelWidths.size()))
            panel->setFixedWidth(kPanelWidths[static_cast<size_t>(i)]);
        else
            panel->setMinimumWidth(40);
        row->addWidget(panel, i + 1 == kPanelCount ? 1 : 0);
        m_panels[static_cast<size_t>(i)] = panel;
    }

    connect(m_play, &QToolButton::clicked, this, &PreListenPlayer::play);
    connect(m_stop, &QToolButton::clicked, this, &PreListenPlayer::stop);
    connect(m_timer, &IntervalTimer::timeout, this, &PreListenPlayer::stopTimerTick);
    connect(m_tracker, &QSlider::sliderPressed, this, &PreListenPlayer::trackerPressed);
    connect(m_tracker, &QSlider::sliderMoved, this, &PreListenPlayer::trackerMoved);
    connect(m_tracker, &QSlider::sliderReleased, this, &PreListenPlayer::trackerCommitted);
    connect(m_tracker, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            trackerCommitted();
    });
}

PreListenPlayer::~PreListenPlayer() {
    close();
}

void PreListenPlayer::close() {
    m_timer->stop();
    klvClose(&m_handle);
}

bool PreListenPlayer::playing() const {
    return KLV_LOAD_FIELD(m_handle.state) == 2;
}
bool PreListenPlayer::paused() const {
    return KLV_LOAD_FIELD(m_handle.paused) == 1;
}

QString PreListenPlayer::panelText(int panel) const {
    if (panel < 1 || panel > kPanelCount)
        return {};
    return m_panels[static_cast<size_t>(panel - 1)]->text();
}

void PreListenPlayer::setPanel(int panel, const QString& text) {
    m_panels[static_cast<size_t>(panel - 1)]->setText(text);
}

void PreListenPlayer::clearPanels(int from, int to) {
    for (int panel = from; panel <= to; ++panel)
        setPanel(panel, {});
}

void PreListenPlayer::getInfo(const QString& fName) {
    const QByteArray path = QFile::encodeName(fName);
    const int32_t kind = klvWhatIsIt(path.constData());
    if (!isSongKind(kind)) {
        setPanel(1,
                 kind == KLV_KIND_UNKNOWN ? QStringLiteral("Unknown") : QStringLiteral("Playlist"));
        clearPanels(2, 6);
        setPanel(7, fName);
        m_play->setEnabled(false);
        return;
    }
    const bool exists = QFileInfo::exists(fName);
    const bool refresh = fName == m_selected;
    if (refresh && !exists)
        return;
    if (!exists) {
        clearPanels(1, kPanelCount);
        m_play->setEnabled(false);
        return;
    }
    if (!refresh) {
        // Another file replaces the one being auditioned: its player goes back to rest.
        m_timer->stop();
        m_stop->setEnabled(false);
        m_tracker->setValue(0);
        m_tracker->setEnabled(false);
        m_selected = fName;
        m_handle.quiet = 1;
        if (klvOpen(&m_handle, path.constData()) != 0) {
            // Nothing to audition: say what the file is and where, but offer no play.
            setPanel(1, songFormatName(fName, sourceOfKind(kind)));
            clearPanels(2, 6);
            setPanel(7, fName);
            m_play->setEnabled(false);
            return;
        }
        klvUpdatePos(&m_handle);
    }
    int32_t byteRate = 0;
    int32_t sampleRate = 0;
    char total[KLV_TIME_BUFFER] = {};
    char remaining[KLV_TIME_BUFFER] = {};
    char elapsed[KLV_TIME_BUFFER] = {};
    klvGetInfo(&m_handle, &byteRate, &sampleRate, total, remaining, elapsed);
    if (!refresh) {
        setPanel(1, songFormatName(fName, KLV_LOAD_FIELD(m_handle.isWave)));
        setPanel(3, QStringLiteral("%1 Hz").arg(sampleRate));
        setPanel(7, fName);
    }
    setPanel(2, QStringLiteral("%1 kbps").arg(byteRate / 125));
    setPanel(4, timeText(total));
    setPanel(5, timeText(remaining));
    setPanel(6, timeText(elapsed));
    m_play->setEnabled(!playing());
}

void PreListenPlayer::play() {
    if (!m_play->isEnabled() || m_selected.isEmpty())
        return;
    if (m_state.options.UseSecondary != 0) {
        KLV_STORE_FIELD(m_handle.preview, 1);
        klvSetPreview(&m_handle);
        klvSetVolume(&m_handle, 0.0F);
    } else {
        klvSetVolume(&m_handle, 1.0F);
    }
    klvPause(&m_handle);
    m_timer->start();
    m_tracker->setEnabled(true);
    m_play->setEnabled(false);
    m_stop->setEnabled(true);
}

void PreListenPlayer::endPlay() {
    klvStop(&m_handle);
    KLV_STORE_FIELD(m_handle.preview, 0);
    klvSetPreview(&m_handle);
    klvUpdatePos(&m_handle);
    getInfo(m_selected);
}

void PreListenPlayer::stop() {
    endPlay();
}

void PreListenPlayer::toggle() {
    if (m_play->isEnabled())
        play();
    else if (m_stop->isEnabled())
        stop();
}

void PreListenPlayer::stopTimerTick() {
    if (KLV_LOAD_FIELD(m_handle.finished) == 1) {
        KLV_STORE_FIELD(m_handle.finished, 0);
        endPlay();
    }
    if (playing()) {
        m_stop->setEnabled(true);
        m_play->setEnabled(false);
        if (!paused()) {
            klvUpdatePos(&m_handle);
            if (!m_tracker->isSliderDown())
                m_tracker->setValue(KLV_LOAD_FIELD(m_handle.percent));
            getInfo(m_selected);
        }
        return;
    }
    m_stop->setEnabled(false);
    m_timer->stop();
    m_tracker->setValue(0);
    m_tracker->setEnabled(false);
}

void PreListenPlayer::trackerPressed() {
    if (playing() && !paused())
        klvPause(&m_handle);
}

void PreListenPlayer::trackerMoved(int percent) {
    if (paused()) {
        klvDisplayPos(&m_handle, percent);
        return;
    }
    klvPause(&m_handle);
    klvSetPos(&m_handle, percent);
    klvPause(&m_handle);
}

void PreListenPlayer::trackerCommitted() {
    klvSetPos(&m_handle, m_tracker->sliderPosition());
    if (paused())
        klvPause(&m_handle);
}

} // namespace klv::app
