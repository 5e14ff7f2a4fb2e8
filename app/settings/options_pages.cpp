#include "app/settings/options_pages.h"

#include "app/browser/display_format_dialog.h"
#include "app/settings/options_values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace klv::app {

namespace {

QGroupBox* frame(const QString& title, QWidget* parent) {
    return new QGroupBox(title, parent);
}

template <typename... Widgets> QGroupBox* stackedFrame(QGroupBox* group, Widgets*... widgets) {
    auto* layout = new QVBoxLayout(group);
    (layout->addWidget(widgets), ...);
    return group;
}

QGroupBox* frameOf(const QString& title, QWidget* parent, const std::vector<QRadioButton*>& all) {
    auto* group = frame(title, parent);
    auto* layout = new QVBoxLayout(group);
    for (auto* button : all)
        layout->addWidget(button);
    return group;
}

// A caption and its control side by side; the caption's mnemonic reaches the control.
QHBoxLayout* captioned(const QString& caption, QWidget* control, QWidget* parent,
                       QLabel** label = nullptr) {
    auto* row = new QHBoxLayout;
    auto* text = new QLabel(caption, parent);
    text->setBuddy(control);
    row->addWidget(text);
    row->addWidget(control);
    row->addStretch(1);
    if (label)
        *label = text;
    return row;
}

} // namespace

GeneralPage::GeneralPage(OptionsRecord& copy, QWidget* parent) : OptionsPage(copy, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frameOf(QStringLiteral("Re-Open Files on Startup:"), this,
                              optionButtons(reopenCaptions(), &OptionsRecord::Reopen, "opReopen")));
    // Made one after the other: the order they are made in is the order Tab visits them.
    QCheckBox* noOpen = flagBox(QStringLiteral("Disable the &Open Button while a Line is Playing"),
                                &OptionsRecord::NoOpenPlaying, "chkNoOpenPlaying");
    QCheckBox* noDrop = flagBox(QStringLiteral("Refuse &Dropped Files while a Line is Playing"),
                                &OptionsRecord::NoDropPlaying, "chkNoDropPlaying");
    QCheckBox* autoPlay = flagBox(QStringLiteral("&Start Playing Dropped Files at Once"),
                                  &OptionsRecord::AutoPlay, "chkAutoPlay");
    layout->addWidget(
        stackedFrame(frame(QStringLiteral("Opening Files:"), this), noOpen, noDrop, autoPlay));
    layout->addWidget(frameOf(
        QStringLiteral("Confirm on Exit:"), this,
        optionButtons(confirmExitCaptions(), &OptionsRecord::ConfirmExit, "opConfirmExit")));
    layout->addStretch(1);
}

DisplayPage::DisplayPage(OptionsRecord& copy, int32_t maxLines, QWidget* parent)
    : OptionsPage(copy, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* formats = new QPushButton(QStringLiteral("Filename Display Options..."), this);
    formats->setObjectName(QStringLiteral("cmdFileDisplay"));
    connect(formats, &QPushButton::clicked, this, &DisplayPage::editFormats);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(formats);
    formatRow->addStretch(1);
    layout->addLayout(formatRow);

    QCheckBox* smallFont =
        flagBox(QStringLiteral("Use a S&maller Font"), &OptionsRecord::SmallFont, "chkSmallFont");
    QCheckBox* bold = flagBox(QStringLiteral("&Bold Text Labels"), &OptionsRecord::Bold, "chkBold");
    layout->addWidget(stackedFrame(frame(QStringLiteral("Text Options"), this), smallFont, bold));

    QCheckBox* showClock =
        flagBox(QStringLiteral("Show the &Clock"), &OptionsRecord::ShowClock, "chkShowClock");
    QCheckBox* twelveHour =
        flagBox(QStringLiteral("&12-Hour Clock"), &OptionsRecord::Clock12Hour, "chk12hour");
    QCheckBox* preFader =
        flagBox(QStringLiteral("&Pre-Fader Line Meters"), &OptionsRecord::PreFader, "chkPreFader");
    auto* led = stackedFrame(frame(QStringLiteral("LED Display Options"), this), showClock,
                             twelveHour, preFader);
    // The 12-hour box belongs to the clock: it stands indented under it.
    if (auto* ledLayout = qobject_cast<QVBoxLayout*>(led->layout())) {
        ledLayout->removeWidget(twelveHour);
        auto* indented = new QHBoxLayout;
        indented->addSpacing(20);
        indented->addWidget(twelveHour);
        ledLayout->insertLayout(1, indented);
    }
    layout->addWidget(led);
    onRefresh([showClock, twelveHour] { twelveHour->setEnabled(showClock->isChecked()); });

    auto* main = frame(QStringLiteral("Main Interface"), this);
    auto* mainLayout = new QVBoxLayout(main);
    QComboBox* lines =
        listBox(numLinesEntries(maxLines), &OptionsRecord::NumLines, "cmbNumLines", 2);
    // Past the list's end a stored number means the most lines, not a wrapped-round count.
    onLoad(
        [this, lines] { lines->setCurrentIndex(numLinesEntry(m_copy.NumLines, lines->count())); });
    mainLayout->addLayout(captioned(QStringLiteral("&Number of Lines:"), lines, main));
    layout->addWidget(main);
    layout->addStretch(1);
}

void DisplayPage::editFormats() {
    if (editDisplayFormats(window(), m_copy))
        markEdited();
}

PlaybackPage::PlaybackPage(OptionsRecord& copy, QWidget* parent) : OptionsPage(copy, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* silence = frame(QStringLiteral("Silence Detection"), this);
    auto* silenceLayout = new QVBoxLayout(silence);
    QCheckBox* skip = flagBox(QStringLiteral("S&kip Silence at the Start of Files"),
                              &OptionsRecord::SkipSilence, "chkSkipSilence");
    silenceLayout->addWidget(skip);
    m_threshold = new QSlider(Qt::Horizontal, silence);
    m_threshold->setObjectName(QStringLiteral("sldThreshold"));
    m_threshold->setRange(0, 100);
    m_threshold->setPageStep(10);
    m_threshold->setMinimumWidth(200);
    m_thresholdText = new QLabel(silence);
    m_thresholdText->setObjectName(QStringLiteral("lblThreshold"));
    m_thresholdText->setMinimumWidth(m_thresholdText->fontMetrics().horizontalAdvance("10.0%"));
    QLabel* thresholdCaption = nullptr;
    QHBoxLayout* thresholdRow =
        captioned(QStringLiteral("Thre&shold:"), m_threshold, silence, &thresholdCaption);
    thresholdRow->insertWidget(2, m_thresholdText);
    silenceLayout->addLayout(thresholdRow);
    layout->addWidget(silence);
    onLoad([this] {
        m_threshold->setValue(m_copy.SilenceThreshold);
        m_thresholdText->setText(thresholdText(m_copy.SilenceThreshold));
    });
    connect(m_threshold, &QSlider::valueChanged, this, [this](int value) {
        m_thresholdText->setText(thresholdText(value));
        if (loading())
            return;
        m_copy.SilenceThreshold = value;
        markEdited();
    });
    onRefresh([this, skip, thresholdCaption] {
        const bool on = skip->isChecked();
        m_threshold->setEnabled(on);
        m_thresholdText->setEnabled(on);
        thresholdCaption->setEnabled(on);
    });

    auto* pitch = frame(QStringLiteral("Pitch/Tempo Control"), this);
    auto* pitchLayout = new QGridLayout(pitch);
    const auto methods =
        optionButtons(timeScaleCaptions(), &OptionsRecord::TimeScale, "opTimeScale");
    pitchLayout->addWidget(methods[0], 0, 0, 1, 2);
    pitchLayout->addWidget(methods[1], 1, 0);
    QComboBox* overlap = listBox(overSampleEntries(), &OptionsRecord::OverSample, "cmbOSamp");
    QLabel* overlapCaption = nullptr;
    pitchLayout->addLayout(captioned(QStringLiteral("Overlap:"), overlap, pitch, &overlapCaption),
                           1, 1);
    onRefresh([stretch = methods[1], overlap, overlapCaption] {
        overlap->setEnabled(stretch->isChecked());
        overlapCaption->setEnabled(stretch->isChecked());
    });
    pitchLayout->addLayout(
        captioned(QStringLiteral("Adjust &by:"),
                  listBox(pitchRangeEntries(), &OptionsRecord::PitchRange, "cmbPercent"), pitch),
        2, 0, 1, 2);
    pitchLayout->addWidget(
        flagBox(QStringLiteral("&Invert Pitch Slider"), &OptionsRecord::InvertPitch, "chkInvert"),
        3, 0, 1, 2);
    pitchLayout->addWidget(flagBox(QStringLiteral("&Reset Pitch when a File is Opened"),
                                   &OptionsRecord::ResetPitch, "chkResetPitch"),
                           4, 0, 1, 2);
    pitchLayout->setColumnStretch(1, 1);
    layout->addWidget(pitch);

    layout->addWidget(flagBox(QStringLiteral("Ens&ure Auto-Triggered Lines are Audible"),
                              &OptionsRecord::EnsureOn, "chkEnsureOn"));
    layout->addLayout(captioned(QStringLiteral("Pla&ylist Crossfade:"),
                                listBox(crossfadeEntries(), &OptionsRecord::XFade, "cmbXFade"),
                                this));
    layout->addStretch(1);
}

CrossfaderPage::CrossfaderPage(OptionsRecord& copy, QWidget* parent) : OptionsPage(copy, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* group = frame(QStringLiteral("Crossfader"), this);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(
        captioned(QStringLiteral("Auto-Fade &Speed:"),
                  listBox(fadeSpeedEntries(), &OptionsRecord::FadeSpeed, "cmbFadeSpeed"), group));
    layout->addWidget(group);
    layout->addStretch(1);
}

NavigatorPage::NavigatorPage(OptionsRecord& copy, QWidget* parent) : OptionsPage(copy, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto queue = [this, layout](const QString& title, QLineEdit* name, QCheckBox* remove,
                                QCheckBox* noDupes) {
        auto* group = frame(title, this);
        auto* groupLayout = new QVBoxLayout(group);
        name->setMinimumWidth(name->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20);
        auto* row = captioned(QStringLiteral("Title:"), name, group);
        row->setStretch(1, 1);
        groupLayout->addLayout(row);
        groupLayout->addWidget(remove);
        groupLayout->addWidget(noDupes);
        layout->addWidget(group);
    };
    queue(QStringLiteral("File Queue 1"), textBox(&OptionsRecord::QueueName1, "txtQueueName1"),
          flagBox(QStringLiteral("&Remove Files Dragged Out of the Queue"),
                  &OptionsRecord::RemQueue1, "chkRemQueue1"),
          flagBox(QStringLiteral("&No Duplicate Files"), &OptionsRecord::NoDupes1, "chkNoDupes1"));
    queue(QStringLiteral("File Queue 2"), textBox(&OptionsRecord::QueueName2, "txtQueueName2"),
          flagBox(QStringLiteral("R&emove Files Dragged Out of the Queue"),
                  &OptionsRecord::RemQueue2, "chkRemQueue2"),
          flagBox(QStringLiteral("No D&uplicate Files"), &OptionsRecord::NoDupes2, "chkNoDupes2"));
    layout->addStretch(1);
}

StatusPage::StatusPage(OptionsRecord& copy, QWidget* parent) : OptionsPage(copy, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* group = frame(QStringLiteral("Use Status Area for:"), this);
    auto* groupLayout = new QVBoxLayout(group);
    const QStringList levels{QStringLiteral("Hints and Notices"),
                             QStringLiteral("Warning Messages"), QStringLiteral("Error Messages")};
    for (int level = 0; level < levels.size(); ++level) {
        auto* box = new QCheckBox(levels[level], group);
        box->setObjectName(QStringLiteral("chkStatus%1").arg(level));
        box->setEnabled(false);
        groupLayout->addWidget(box);
        onLoad([this, box, level] { box->setChecked(level <= m_copy.StatusLevel); });
    }
    auto* note = new QLabel(
        QStringLiteral("Note: Warning and Error Messages will be displayed as a Message Box if "
                       "they are not shown in the Status Area. Hints will simply not be shown."),
        group);
    note->setWordWrap(true);
    groupLayout->addWidget(note);
    layout->addWidget(group);
    layout->addStretch(1);
}

} // namespace klv::app
