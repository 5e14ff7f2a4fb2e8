#include "app/settings/options_dialog.h"

#include "app/browser/navigator_window.h"
#include "app/settings/feature_lock.h"
#include "app/settings/options_color_page.h"
#include "app/settings/options_device_page.h"
#include "app/settings/options_lock_page.h"
#include "app/settings/options_page_list.h"
#include "app/settings/options_pages.h"
#include "app/settings/options_values.h"
#include "app/shell/desk.h"
#include "app/shell/help_about.h"
#include "app/shell/qt_window_system.h"
#include "app/shell/screen_units.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace klv::app {

namespace {

// The dialog is busy: the wait cursor shows and nothing can be clicked until it is done.
class BusyDialog {
public:
    explicit BusyDialog(QWidget& dialog) : m_dialog(dialog) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_dialog.setEnabled(false);
    }
    ~BusyDialog() {
        m_dialog.setEnabled(true);
        QApplication::restoreOverrideCursor();
    }
    BusyDialog(const BusyDialog&) = delete;
    BusyDialog& operator=(const BusyDialog&) = delete;

private:
    QWidget& m_dialog;
};

} // namespace

OptionsDialog::OptionsDialog(Desk& desk, FeatureLock& lock, QWidget* parent)
    : QDialog(parent), m_desk(desk), m_lock(lock) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("KLV3 Program Options"));
    registerWindow(this);
    const BusyDialog busy(*this);

    m_copy = desk.state().options;

    m_list = new PageList(optionsPageCaptions(), this);
    m_stack = new QStackedWidget(this);
    OptionsRecord& live = desk.state().options;
    m_pages = {new GeneralPage(m_copy),     new DisplayPage(m_copy, maxLines()),
               new ColorPage(m_copy),       new DevicePage(m_copy, live),
               new PlaybackPage(m_copy),    new CrossfaderPage(m_copy),
               new NavigatorPage(m_copy),   new StatusPage(m_copy),
               new LockPage(m_copy, m_lock)};
    for (OptionsPage* page : m_pages) {
        m_stack->addWidget(page);
        connect(page, &OptionsPage::edited, this, &OptionsDialog::edited);
    }

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_apply = new QPushButton(QStringLiteral("&Apply"), this);
    m_apply->setObjectName(QStringLiteral("cmdApply"));
    m_help = new QPushButton(QStringLiteral("&Help"), this);
    m_help->setObjectName(QStringLiteral("cmdHelp"));
    connect(m_ok, &QPushButton::clicked, this, &OptionsDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &OptionsDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, &OptionsDialog::apply);
    connect(m_help, &QPushButton::clicked, this,
            [this] { showHelpTopic(app::windowHandle(this), kTopicOptions); });
    connect(m_list, &PageList::pageRequested, this, &OptionsDialog::selectPage);

    auto* body = new QHBoxLayout;
    body->addWidget(m_list);
    body->addSpacing(6);
    body->addWidget(m_stack, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {m_ok, m_cancel, m_apply, m_help}) {
        button->setMinimumWidth(88);
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    // Tab follows what the eye reads: the page list, the page shown, then the buttons.
    QWidget* previous = m_list;
    for (OptionsPage* page : m_pages) {
        for (QWidget* control : page->controlsInLayoutOrder()) {
            setTabOrder(previous, control);
            previous = control;
        }
    }
    for (QPushButton* button : {m_ok, m_cancel, m_apply, m_help}) {
        setTabOrder(previous, button);
        previous = button;
    }

    for (OptionsPage* page : m_pages)
        page->load();
    m_apply->setEnabled(false);
    selectPage(kPageGeneral);
    m_list->setFocus();
}

OptionsDialog::~OptionsDialog() = default;

DevicePage* OptionsDialog::devicePage() const {
    return static_cast<DevicePage*>(page(kPageAudioDevices));
}

ColorPage* OptionsDialog::colorPage() const {
    return static_cast<ColorPage*>(page(kPageColors));
}

LockPage* OptionsDialog::lockPage() const {
    return static_cast<LockPage*>(page(kPageFeatureLock));
}

int OptionsDialog::currentPage() const {
    return m_stack->currentIndex();
}

bool OptionsDialog::selectPage(int index) {
    if (index < 0 || index >= kPageCount)
        return false;
    if (index == kPageFeatureLock && !m_lock.mayOpenFeatureLockPage()) {
        m_list->setSelected(currentPage());
        return false;
    }
    if (index == kPageFeatureLock)
        lockPage()->load(); // the password may have changed since the page was last shown
    m_stack->setCurrentIndex(index);
    m_list->setSelected(index);
    return true;
}

void OptionsDialog::edited() {
    m_apply->setEnabled(true);
}

bool OptionsDialog::refuseDeviceClash() {
    if (!devicesClash(m_copy))
        return false;
    platform::windowSystem().messageBox(app::windowHandle(this), deviceClashMessage().toStdString(),
                                        kDeviceClashCaption,
                                        platform::kMbOk | platform::kMbIconExclamation);
    selectPage(kPageAudioDevices);
    devicePage()->secondaryList()->setFocus();
    return true;
}

bool OptionsDialog::apply() {
    if (refuseDeviceClash())
        return false;
    {
        const BusyDialog busy(*this);
        OptionsRecord& live = m_desk.state().options;
        const bool restart = audioRestartNeeded(m_copy, live);
        live = m_copy;
        klvSaveOptions(&live);
        if (restart) {
            // The output opens its devices when it starts; a device change needs a new start.
            klvKillAudio();
            QCoreApplication::processEvents();
            klvStartAudio();
        }
        m_desk.updateDesk(1);
        if (Navigator* navigator = m_desk.navigator())
            navigator->updateNavigator();
    }
    m_apply->setEnabled(false);
    m_ok->setFocus();
    return true;
}

void OptionsDialog::accept() {
    if (refuseDeviceClash())
        return;
    if (m_apply->isEnabled() && !apply())
        return;
    QDialog::accept();
}

void showOptionsDialog(Desk& desk) {
    OptionsDialog dialog(desk, featureLock(), desk.owner());
    dialog.exec();
}

} // namespace klv::app
