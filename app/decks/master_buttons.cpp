// The master section's push buttons and keys.

#include "app/decks/master_section.h"
#include "app/settings/feature_lock.h"
#include "app/shell/desk.h"
#include "app/shell/help_about.h"
#include "app/shell/qt_window_system.h"

#include "klv3.h"

#include <QApplication>
#include <QKeyEvent>

namespace klv::app {

void MasterSection::pushButton(int index) {
    OptionsRecord& options = m_desk.state().options;
    switch (index) {
    case 11:
        if (options.LockOptions != 1 || featureLock().mayOpen(GuardedFeature::Options))
            m_desk.showOptions();
        break;
    case 12:
        if (options.LockPlugins != 1 || featureLock().mayOpen(GuardedFeature::Plugins))
            m_desk.showPluginManager();
        break;
    case 14:
        klvShowHelp(app::windowHandle(m_desk.owner()), helpFilePath().toUtf8().constData(),
                    KLV_HELP_FINDER, 0);
        break;
    case 15: {
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
        break;
    }
    case 18:
        m_desk.doFullScreen(!m_desk.fullScreen());
        break;
    case 24:
        featureLock().pressLockButton();
        updateLockButton();
        break;
    default:
        break;
    }
}

void MasterSection::updateLockButton() {
    update(buttonRect(24));
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
