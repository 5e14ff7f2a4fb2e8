#include "app/settings/options_device_page.h"

#include "app/settings/options_values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace klv::app {

DevicePage::DevicePage(OptionsRecord& copy, OptionsRecord& live, QWidget* parent)
    : OptionsPage(copy, parent), m_live(live) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* primary = new QGroupBox(QStringLiteral("&Primary Audio Device"), this);
    auto* primaryLayout = new QVBoxLayout(primary);
    m_primary = new QComboBox(primary);
    m_primary->setObjectName(QStringLiteral("cmbPrimaryDevice"));
    primaryLayout->addWidget(m_primary);
    layout->addWidget(primary);

    auto* secondary = new QGroupBox(QStringLiteral("&Secondary Audio Device"), this);
    auto* secondaryLayout = new QVBoxLayout(secondary);
    m_useSecondary = new QCheckBox(QStringLiteral("&Enable Secondary Device"), secondary);
    m_useSecondary->setObjectName(QStringLiteral("chkUseSecondary"));
    m_secondary = new QComboBox(secondary);
    m_secondary->setObjectName(QStringLiteral("cmbSecondaryDevice"));
    m_note = new QLabel(QStringLiteral("The secondary device plays the Preview/CUE signal, for "
                                       "example into headphones, while the primary device plays "
                                       "the main mix. It must be a different sound card from "
                                       "the primary device."),
                        secondary);
    m_note->setObjectName(QStringLiteral("lblSecondaryNote"));
    m_note->setWordWrap(true);
    secondaryLayout->addWidget(m_useSecondary);
    secondaryLayout->addWidget(m_secondary);
    secondaryLayout->addWidget(m_note);
    layout->addWidget(secondary);
    layout->addStretch(1);

    connect(m_primary, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (loading() || index < 0)
            return;
        m_copy.PrimaryDevice = index;
        markEdited();
    });
    connect(m_secondary, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (loading() || index < 0)
            return;
        m_copy.SecondaryDevice = index;
        markEdited();
    });
    connect(m_useSecondary, &QCheckBox::toggled, this, [this](bool on) {
        if (loading())
            return;
        m_copy.UseSecondary = on ? 1 : 0;
        markEdited();
    });
    onRefresh([this] {
        // Asked of the box itself: while the dialog is busy every control reads as disabled.
        const bool on = m_useSecondary->isEnabledTo(this) && m_useSecondary->isChecked();
        m_secondary->setEnabled(on);
        m_note->setEnabled(on);
    });
}

void DevicePage::load() {
    const QStringList devices = waveDeviceEntries();
    const auto count = static_cast<int32_t>(devices.size());
    // A device that has gone since the options were stored falls back to the first one.
    if (m_copy.PrimaryDevice < 0 || m_copy.PrimaryDevice >= count)
        m_copy.PrimaryDevice = 0;
    if (m_copy.SecondaryDevice < 0 || m_copy.SecondaryDevice >= count)
        m_copy.SecondaryDevice = 0;
    // One card cannot carry a separate pre-listen signal: the program stops asking for one.
    const bool twoOrMore = count > 1;
    if (!twoOrMore) {
        m_copy.UseSecondary = 0;
        m_live.UseSecondary = 0;
    }

    OptionsPage::load(); // the other bound controls, quietly
    const QSignalBlocker quietPrimary(m_primary);
    const QSignalBlocker quietSecondary(m_secondary);
    const QSignalBlocker quietUse(m_useSecondary);
    m_primary->clear();
    m_secondary->clear();
    m_primary->addItems(devices);
    m_secondary->addItems(devices);
    m_primary->setCurrentIndex(count > 0 ? m_copy.PrimaryDevice : -1);
    m_secondary->setCurrentIndex(count > 0 ? m_copy.SecondaryDevice : -1);
    m_useSecondary->setEnabled(twoOrMore);
    m_useSecondary->setChecked(twoOrMore && m_copy.UseSecondary == 1);
    refresh();
}

} // namespace klv::app
