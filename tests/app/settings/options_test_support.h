#pragma once
// The options dialog's tests: the program's live options on fresh defaults, stored as a start
// stores them, a desk that records what the dialog asks of the main window, and the dialog on
// top. The engine runs on the test wave back end with two devices unless a test says otherwise.

#include "app/settings/feature_lock.h"
#include "app/settings/options_dialog.h"
#include "app/shell/default_options.h"
#include "app/shell/program_state.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/test_desk.h"
#include "tests/doubles/wave_test_backend.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <memory>

namespace klv::test {

class OptionsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        clearStartupSettings();
        klvDelReg("Install", "Admin Password");
        app::assignDefaultOptions(live());
        live().StatusLevel = 2;
        klvSaveOptions(&live());
    }
    void TearDown() override {
        m_dialog.reset();
        klvKillAudio();
    }

    static OptionsRecord& live() { return app::programState().options; }
    // Stores the live record as it now is, as if the program had started with it.
    static void storeLive() { klvSaveOptions(&live()); }

    // The output on its primary device, with the first queue of blocks written.
    static void startAudio() {
        klvStartAudio();
        ASSERT_TRUE(platform::wavetest::waitForWriteRequests(
            static_cast<uint32_t>(live().PrimaryDevice), 8));
    }

    app::OptionsDialog& open() {
        m_dialog = std::make_unique<app::OptionsDialog>(desk, app::featureLock());
        return *m_dialog;
    }
    app::OptionsDialog& dialog() { return *m_dialog; }

    template <typename T> T* control(const char* name) {
        T* found = m_dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // What a control shows: a list's entry, the caption of the chosen option button of a
    // group, a label's or a text box's text.
    QString shown(const char* name) {
        const QString key = QString::fromLatin1(name);
        if (auto* list = m_dialog->findChild<QComboBox*>(key))
            return list->currentText();
        if (auto* edit = m_dialog->findChild<QLineEdit*>(key))
            return edit->text();
        if (auto* label = m_dialog->findChild<QLabel*>(key))
            return label->text();
        for (auto* button : m_dialog->findChildren<QRadioButton*>()) {
            if (button->objectName().startsWith(key) && button->isChecked())
                return button->text();
        }
        return QStringLiteral("<none>");
    }

    ScopedHeadless headless;
    TestDesk desk{app::programState()};

private:
    std::unique_ptr<app::OptionsDialog> m_dialog;
};

} // namespace klv::test
