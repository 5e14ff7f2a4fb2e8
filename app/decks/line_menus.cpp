// The line's menus: the context menu, the playlist menus of the track buttons, the auto-trigger
// menu, and the open-file dialog.

#include "app/decks/line_control.h"

#include "app/shell/desk.h"
#include "app/shell/help_about.h"
#include "app/shell/text_helpers.h"

#include <QFileDialog>
#include <QMenu>

namespace klv::app {

namespace {

constexpr int kPlaylistMenuEntries = 20;

QString customCaption(int32_t seconds) {
    if (seconds < 11)
        return QStringLiteral("Custom...");
    return QStringLiteral("Custom (%1:%2)...")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

void LineControl::openWithDialog() {
    const QString path = QFileDialog::getOpenFileName(
        m_desk.owner(), QString(), QString(),
        QStringLiteral("Supported File Types (*.wav *.mp3 *.m3u *.pls *.klv);;All Files (*)"));
    // Cancel leaves the line as it is.
    if (path.isEmpty())
        return;
    loadFile(path);
}

std::unique_ptr<QMenu> LineControl::buildAutoTriggerMenu() {
    auto menu = std::make_unique<QMenu>(tr("Auto Trigger"));
    QAction* none =
        menu->addAction(QStringLiteral("&No Auto Trigger"), [this] { setAutoTrigger(-1); });
    none->setCheckable(true);
    none->setChecked(m_autoTrigger == -1);
    for (int32_t i = 0; i <= 10; ++i) {
        QString caption;
        if (i == 1)
            caption = QStringLiteral("&1 Second");
        else if (i == 10)
            caption = QStringLiteral("10 &Seconds");
        else
            caption = QStringLiteral("&%1 Seconds").arg(i);
        QAction* entry = menu->addAction(caption, [this, i] { setAutoTrigger(i); });
        entry->setCheckable(true);
        entry->setChecked(m_autoTrigger == i);
    }
    QAction* custom = menu->addAction(customCaption(m_autoTrigger), [this] { customTrigger(); });
    custom->setCheckable(true);
    custom->setChecked(m_autoTrigger >= 11);
    return menu;
}

std::unique_ptr<QMenu> LineControl::buildContextMenu() {
    updateButtons();
    auto menu = std::make_unique<QMenu>();
    QAction* eq = menu->addAction(QStringLiteral("Equalizer"), [this] { showEQ(); });
    menu->setDefaultAction(eq);
    menu->addSeparator();
    QAction* clear = menu->addAction(QStringLiteral("Clear File"), [this] { clearFile(); });
    clear->setEnabled(!m_fileName.isEmpty() && currentState() == 1);
    menu->addAction(QStringLiteral("Open File..."), [this] { openWithDialog(); });
    menu->addSeparator();
    QAction* tag = menu->addAction(QStringLiteral("ID3 Tag..."), [this] { editTag(); });
    tag->setEnabled(m_tagMenuEnabled && !m_fileName.isEmpty());
    menu->addAction(QStringLiteral("Filename Display Options..."),
                    [this] { editDisplayFormats(); });
    menu->addSeparator();

    QMenu* controls = menu->addMenu(QStringLiteral("Controls"));
    static const char* const kControls[] = {"Play/Pause", "Stop",           "Open File...",
                                            "Cue",        "Previous Track", "Next Track"};
    for (int i = 0; i < 6; ++i) {
        QAction* a = controls->addAction(QString::fromLatin1(kControls[i]),
                                         [this, i] { pressButtonByKey(i); });
        a->setEnabled(buttonShown(i));
    }
    menu->addSeparator();

    QAction* loop = menu->addAction(QStringLiteral("Loop"), [this] {
        if (current().loop == 1) {
            m_handles[0].loop = 0;
            m_handles[1].loop = 0;
            setButton(6, false);
        } else {
            current().loop = 1;
            disarmTrigger();
            setButton(6, true);
        }
    });
    loop->setCheckable(true);
    loop->setChecked(current().loop == 1);
    QAction* mute = menu->addAction(QStringLiteral("Mute"), [this] {
        m_muting = m_muting == 1 ? 0 : 1;
        setButton(7, m_muting == 1);
        setVal(0);
    });
    mute->setCheckable(true);
    mute->setChecked(m_muting == 1);
    QAction* shuffle = menu->addAction(QStringLiteral("Shuffle Mode"), [this] { toggleShuffle(); });
    shuffle->setCheckable(true);
    shuffle->setEnabled(buttonShown(8));
    shuffle->setChecked(m_shuffle == 1);
    menu->addSeparator();

    QAction* zero =
        menu->addAction(QStringLiteral("Zero Pitch Control"), [this] { togglePitchReturn(); });
    zero->setCheckable(true);
    zero->setEnabled(buttonShown(21));
    zero->setChecked(m_pitchReturn == 1);
    QAction* punch = menu->addAction(QStringLiteral("Punch In"), [this] { togglePunch(); });
    punch->setCheckable(true);
    punch->setChecked(m_punch == 1);
    menu->addSeparator();

    QMenu* trigger = buildAutoTriggerMenu().release();
    trigger->setTitle(QStringLiteral("Auto Trigger"));
    trigger->setParent(menu.get(), trigger->windowFlags());
    menu->addMenu(trigger)->setEnabled(buttonShown(22));
    menu->addSeparator();
    menu->addAction(QStringLiteral("About KLV3..."), [] { showAbout(); });
    return menu;
}

std::unique_ptr<QMenu> LineControl::buildPlaylistMenu(int buttonIndex) {
    if (m_playlistId < 0)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    const int32_t direction = buttonIndex == 4 ? -1 : 1;
    for (int32_t n = 1; n <= kPlaylistMenuEntries; ++n) {
        const int32_t entry = m_listPos + direction * n;
        if (entry < 0 || entry >= m_listCount)
            break;
        menu->addAction(fileNameOf(playlistEntry(entry)), [this, entry] { goToTrack(entry); });
    }
    if (menu->isEmpty())
        return nullptr;
    return menu;
}

void LineControl::openContextMenu(const QPoint& position) {
    auto menu = buildContextMenu();
    menu->exec(mapToGlobal(position));
}

void LineControl::openPlaylistMenu(int buttonIndex, const QPoint& position) {
    if (auto menu = buildPlaylistMenu(buttonIndex))
        menu->exec(mapToGlobal(position));
}

void LineControl::openAutoTriggerMenu() {
    // Only offered while this line and the next one both hold a file.
    if (!buttonShown(22))
        return;
    auto menu = buildAutoTriggerMenu();
    const QRect r(QPoint(45, 200), QSize(42, 9));
    menu->exec(mapToGlobal(r.bottomLeft()));
}

} // namespace klv::app
