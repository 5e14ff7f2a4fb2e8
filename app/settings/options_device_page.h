#pragma once
// 3 "Audio Devices": the primary output and the optional secondary (pre-listen) output, listed
// as the platform's wave output devices. [ui-thread]

#include "app/settings/options_page.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace klv::app {

class DevicePage final : public OptionsPage {
    Q_OBJECT
public:
    // live: the program's record, whose UseSecondary is cleared at once when there is no
    // second device to use.
    DevicePage(OptionsRecord& copy, OptionsRecord& live, QWidget* parent = nullptr);

    // Refills both lists from the devices present now and corrects the copy to them.
    void load() override;

    QComboBox* secondaryList() const { return m_secondary; }

private:
    OptionsRecord& m_live;
    QComboBox* m_primary;
    QCheckBox* m_useSecondary;
    QComboBox* m_secondary;
    QLabel* m_note;
};

} // namespace klv::app
