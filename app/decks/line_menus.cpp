// The line's menus: the context menu, the playlist menus of the track buttons, the auto-trigger
// menu, and the open-file dialog.

#include "app/decks/line_control.h"

#include "app/shell/desk.h"
#include "app/shell/file_kinds.h"
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
    const QString path =
        QFileDialog::getOpenFileName(m_desk.owner(), QString(), QString(), lineOpenFilter());
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
    for (const ButtonRow& row : buttonTable()) {
        if (!row.control)
            continue;
        const Button button = row.button;
        QAction* a = controls->addAction(QString::fromLatin1(row.control),
                                         [this, button] { pressButtonByKey(button); });
        a->setEnabled(buttonShown(button));
    }
    menu->addSeparator();

    QAction* loop = menu->addAction(QStringLiteral("Loop"), [this] {
        if (current().loop == 1) {
            KLV_STORE_FIELD(m_handles[0].loop, 0);
            KLV_STORE_FIELD(m_handles[1].loop, 0);
            setButton(Button::Loop, false);
        } else {
            KLV_STORE_FIELD(current().loop, 1);
            disarmTrigger();
            setButton(Button::Loop, true);
        }
    });
    loop->setCheckable(true);
    loop->setChecked(current().loop == 1);
    QAction* mute = menu->addAction(QStringLiteral("Mute"), [this] {
        m_muting = !m_muting;
        setButton(Button::Mute, m_muting);
        setVal(0);
    });
    mute->setCheckable(true);
    mute->setChecked(m_muting);
    QAction* shuffle = menu->addAction(QStringLiteral("Shuffle Mode"), [this] { toggleShuffle(); });
    shuffle->setCheckable(true);
    shuffle->setEnabled(buttonShown(Button::Shuffle));
    shuffle->setChecked(m_shuffle);
    menu->addSeparator();

    QAction* zero =
        menu->addAction(QStringLiteral("Zero Pitch Control"), [this] { togglePitchReturn(); });
    zero->setCheckable(true);
    zero->setEnabled(buttonShown(Button::PitchReturn));
    zero->setChecked(m_pitchReturn);
    QAction* punch = menu->addAction(QStringLiteral("Punch In"), [this] { togglePunch(); });
    punch->setCheckable(true);
    punch->setChecked(m_punch);
    menu->addSeparator();

    QMenu* trigger = buildAutoTriggerMenu().release();
    trigger->setTitle(QStringLiteral("Auto Trigger"));
    trigger->setParent(menu.get(), trigger->windowFlags());
    menu->addMenu(trigger)->setEnabled(buttonShown(Button::AutoTrigger));
    menu->addSeparator();
    menu->addAction(QStringLiteral("About KLV3..."), [] { showAbout(); });
    return menu;
}

std::unique_ptr<QMenu> LineControl::buildPlaylistMenu(Button trackButton) {
    if (m_playlistId < 0)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    const int32_t direction = trackButton == Button::Previous ? -1 : 1;
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

void LineControl::openPlaylistMenu(Button trackButton, const QPoint& position) {
    if (auto menu = buildPlaylistMenu(trackButton))
        menu->exec(mapToGlobal(position));
}

void LineControl::openAutoTriggerMenu() {
    // Only offered while this line and the next one both hold a file.
    if (!buttonShown(Button::AutoTrigger))
        return;
    auto menu = buildAutoTriggerMenu();
    menu->exec(mapToGlobal(buttonRect(Button::AutoTrigger).bottomLeft()));
}

} // namespace klv::app
