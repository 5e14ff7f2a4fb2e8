// The master section's buttons: where each sits, its tip and what a press does; and its keys.

#include "app/decks/button_art.h"
#include "app/decks/master_section.h"
#include "app/settings/feature_lock.h"
#include "app/shell/desk.h"
#include "app/shell/help_about.h"
#include "app/shell/qt_window_system.h"

#include "klv3.h"

#include <QApplication>
#include <QKeyEvent>

namespace klv::app {

std::span<const MasterSection::ButtonRow> MasterSection::buttonTable() {
    using B = Button;
    // The right-hand column: 26 x 19 at x 110 and 144, a row every 24 pixels from y 200. The
    // headphone mode sits below the headphone fader, two pixels shorter than the others.
    static constexpr ButtonRow kRows[] = {
        {B::HeadphoneMode, QRect(74, 326, 26, 17), nullptr, &MasterSection::cycleHeadphoneMode,
         false, nullptr, Face::HeadphoneMode, 0},
        {B::Mute, QRect(110, 200, 26, 19), "Mute Master Output", &MasterSection::toggleMute, false,
         &MasterSection::m_mute, Face::Picture, btn::kMasterMute},
        {B::Join, QRect(144, 200, 26, 19), "Join Left and Right Faders",
         &MasterSection::toggleJoint, false, &MasterSection::m_joint, Face::Picture, btn::kJoin},
        {B::Options, QRect(110, 224, 26, 19), nullptr, &MasterSection::openOptions, true, nullptr,
         Face::Picture, btn::kOptions},
        {B::Plugins, QRect(144, 224, 26, 19), nullptr, &MasterSection::openPluginManager, true,
         nullptr, Face::Picture, btn::kPlugins},
        {B::Help, QRect(110, 248, 26, 19), nullptr, &MasterSection::openHelp, true, nullptr,
         Face::Picture, btn::kHelp},
        {B::Navigator, QRect(144, 248, 26, 19), nullptr, &MasterSection::toggleNavigator, true,
         nullptr, Face::Picture, btn::kNavigator},
        {B::FullScreen, QRect(110, 272, 26, 19), nullptr, &MasterSection::toggleFullScreen, true,
         nullptr, Face::Picture, btn::kFullScreen},
        {B::Lock, QRect(144, 272, 26, 19), nullptr, &MasterSection::pressLock, true, nullptr,
         Face::Lock, btn::kLock},
    };
    static_assert(rowsInButtonOrder(kRows), "the rows are in Button order");
    return kRows;
}

const MasterSection::ButtonRow& MasterSection::buttonRow(Button button) {
    return buttonTable()[static_cast<size_t>(button)];
}

void MasterSection::openOptions() {
    if (m_desk.state().options.LockOptions != 1 || featureLock().mayOpen(GuardedFeature::Options))
        m_desk.showOptions();
}

void MasterSection::openPluginManager() {
    if (m_desk.state().options.LockPlugins != 1 || featureLock().mayOpen(GuardedFeature::Plugins))
        m_desk.showPluginManager();
}

void MasterSection::openHelp() {
    klvShowHelp(app::windowHandle(m_desk.owner()), helpFilePath().toUtf8().constData(),
                KLV_HELP_FINDER, 0);
}

void MasterSection::toggleNavigator() {
    // The main window takes no input while the navigator comes or goes.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QWidget* owner = m_desk.owner();
    if (owner)
        owner->setEnabled(false);
    QApplication::processEvents();
    m_desk.toggleNavigator();
    QApplication::processEvents();
    if (owner)
        owner->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

void MasterSection::toggleFullScreen() {
    m_desk.doFullScreen(!m_desk.fullScreen());
}

void MasterSection::pressLock() {
    featureLock().pressLockButton();
    updateLockButton();
}

void MasterSection::updateLockButton() {
    update(buttonRect(Button::Lock));
}

void MasterSection::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
        toggleMute();
        setVal(0, 0);
        break;
    case Qt::Key_Left:
        m_desk.changeFocus(-1, -1);
        break;
    case Qt::Key_Right:
        m_desk.changeFocus(-1, 1);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = event->key() == Qt::Key_Up ? -4 : 4;
        setVal(0, step);
        if (!m_joint)
            setVal(1, step);
        break;
    }
    default:
        KnobInput::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace klv::app
