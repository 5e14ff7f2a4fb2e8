// The options dialog's commit: what Apply saves, when the output is restarted on its devices,
// what OK and Cancel leave behind, and the one refused device choice.

#include "app/browser/display_format_dialog.h"
#include "app/browser/file_queue_tabs.h"
#include "app/browser/navigator_window.h"
#include "app/settings/options_device_page.h"
#include "app/settings/options_values.h"
#include "tests/app/settings/options_test_support.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>

namespace klv::test {
namespace {

using platform::wavetest::closeCount;
using platform::wavetest::openCount;
using platform::wavetest::waitForWriteRequests;

struct CommitCase {
    const char* name;
    std::function<void(OptionsFixture&)> change;
    // Opens of device 0 and device 1 after Apply; one open each until then means the output
    // was not restarted.
    uint32_t opens0;
    uint32_t opens1;
};

void PrintTo(const CommitCase& c, std::ostream* out) {
    *out << c.name;
}

class OptionsCommit : public OptionsFixture, public ::testing::WithParamInterface<CommitCase> {
public:
    QComboBox* list(const char* name) { return control<QComboBox>(name); }
    QAbstractButton* button(const char* name) { return control<QAbstractButton>(name); }
};

TEST_P(OptionsCommit, ApplySavesTheCopyAndRestartsTheOutputOnlyForDevices) {
    const CommitCase& c = GetParam();
    startAudio();
    ASSERT_EQ(openCount(0), 1u);
    open();
    EXPECT_FALSE(dialog().applyButton()->isEnabled());

    c.change(*this);
    ASSERT_TRUE(dialog().applyButton()->isEnabled());
    const OptionsRecord copy = dialog().workingCopy();
    QTest::mouseClick(dialog().applyButton(), Qt::LeftButton);

    const bool restarted = c.opens0 + c.opens1 > 1;
    if (c.opens1 > 0) {
        ASSERT_TRUE(waitForWriteRequests(1, 7)); // its seven silent buffers at least
    }
    if (c.opens0 > 1) {
        ASSERT_TRUE(waitForWriteRequests(0, 16));
    }
    EXPECT_EQ(openCount(0), c.opens0);
    EXPECT_EQ(openCount(1), c.opens1);
    EXPECT_EQ(closeCount(0), restarted ? 1u : 0u);

    // The whole copy went live and into the store, and the desk was laid out without reopening.
    EXPECT_TRUE(sameBytes(live(), copy));
    const auto stored = storedOptions();
    ASSERT_TRUE(stored.has_value());
    EXPECT_TRUE(sameBytes(*stored, copy));
    EXPECT_EQ(desk.updates, std::vector<int32_t>{1});
    EXPECT_FALSE(dialog().applyButton()->isEnabled());
    EXPECT_EQ(dialog().focusWidget(), dialog().okButton());

    // Applying again without a change restarts nothing more.
    dialog().apply();
    EXPECT_EQ(openCount(0), c.opens0);
    EXPECT_EQ(openCount(1), c.opens1);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, OptionsCommit,
    ::testing::Values(
        CommitCase{"CrossfadeOnly",
                   [](OptionsFixture& f) {
                       static_cast<OptionsCommit&>(f).list("cmbXFade")->setCurrentIndex(5);
                   },
                   1, 0},
        CommitCase{"PrimaryDevice",
                   [](OptionsFixture& f) {
                       static_cast<OptionsCommit&>(f).list("cmbPrimaryDevice")->setCurrentIndex(1);
                   },
                   1, 1},
        CommitCase{"SecondaryDeviceTurnedOn",
                   [](OptionsFixture& f) {
                       auto& t = static_cast<OptionsCommit&>(f);
                       t.button("chkUseSecondary")->click();
                       t.list("cmbSecondaryDevice")->setCurrentIndex(1);
                   },
                   2, 1},
        // The flag no control edits: a record that differs in it is treated like a new device.
        CommitCase{"WinVersion5Differs",
                   [](OptionsFixture& f) {
                       OptionsRecord& live = app::programState().options;
                       live.WinVersion5 = live.WinVersion5 ? 0 : 1;
                       static_cast<OptionsCommit&>(f).list("cmbFadeSpeed")->setCurrentIndex(3);
                   },
                   2, 0}),
    [](const ::testing::TestParamInfo<CommitCase>& info) { return std::string(info.param.name); });

TEST_F(OptionsFixture, OkWithoutAChangeAndCancelAfterChangesSaveNothing) {
    klvDelReg("Settings", "Options");
    const OptionsRecord before = live();
    open();
    dialog().show();
    QTest::mouseClick(dialog().okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog().result(), QDialog::Accepted);
    EXPECT_FALSE(storedOptions().has_value());
    EXPECT_TRUE(desk.updates.empty());
    EXPECT_TRUE(sameBytes(live(), before));

    open();
    dialog().show();
    control<QComboBox>("cmbXFade")->setCurrentIndex(7);
    control<QAbstractButton>("chkAutoPlay")->click();
    control<QLineEdit>("txtQueueName1")->setText(QStringLiteral("Tonight"));
    QTest::mouseClick(dialog().cancelButton(), Qt::LeftButton);
    EXPECT_EQ(dialog().result(), QDialog::Rejected);
    EXPECT_FALSE(storedOptions().has_value());
    EXPECT_TRUE(sameBytes(live(), before));
}

TEST_F(OptionsFixture, OkWithAChangeAppliesItAndCloses) {
    open();
    dialog().show();
    control<QComboBox>("cmbPercent")->setCurrentIndex(3);
    QTest::mouseClick(dialog().okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog().result(), QDialog::Accepted);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(live().PitchRange, 3);
    ASSERT_TRUE(storedOptions().has_value());
    EXPECT_EQ(storedOptions()->PitchRange, 3);
    EXPECT_EQ(desk.updates, std::vector<int32_t>{1});
}

// Both outputs on one card cannot work: the choice is refused with the reason, on the device
// page, with the secondary list ready to change, and nothing is committed.
TEST_F(OptionsFixture, EqualPrimaryAndSecondaryAreRefusedByApplyAndOk) {
    live().UseSecondary = 1;
    live().PrimaryDevice = 1;
    live().SecondaryDevice = 1;
    storeLive();
    const OptionsRecord before = live();
    open();
    dialog().show();
    dialog().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog()));
    control<QComboBox>("cmbXFade")->setCurrentIndex(4);

    for (QPushButton* press : {dialog().applyButton(), dialog().okButton()}) {
        headless.system.clear();
        ASSERT_TRUE(dialog().selectPage(app::kPageGeneral));
        QTest::mouseClick(press, Qt::LeftButton);
        const auto boxes = headless.system.boxes();
        ASSERT_EQ(boxes.size(), 1u) << press->objectName().toStdString();
        EXPECT_EQ(boxes[0].caption, "Audio Device Selection Error");
        EXPECT_EQ(boxes[0].text,
                  "You must choose two different sound cards for the Preview/CUE function. Please "
                  "change one of your sound devices, or uncheck \"Enable Secondary Device\"");
        EXPECT_EQ(boxes[0].flags, platform::kMbOk | platform::kMbIconExclamation);
        EXPECT_EQ(dialog().currentPage(), app::kPageAudioDevices);
        EXPECT_EQ(dialog().focusWidget(), dialog().devicePage()->secondaryList())
            << (dialog().focusWidget() ? dialog().focusWidget()->objectName().toStdString() : "");
        EXPECT_TRUE(dialog().isVisible());
        EXPECT_TRUE(dialog().applyButton()->isEnabled());
        EXPECT_TRUE(sameBytes(live(), before));
        EXPECT_TRUE(sameBytes(*storedOptions(), before));
        EXPECT_TRUE(desk.updates.empty());
    }

    // Turning the secondary off settles it.
    control<QAbstractButton>("chkUseSecondary")->click();
    QTest::mouseClick(dialog().okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog().result(), QDialog::Accepted);
    EXPECT_EQ(storedOptions()->UseSecondary, 0);
    EXPECT_EQ(storedOptions()->XFade, 4);
}

// A second card is what carries the pre-listen signal; with one card the choice is taken away
// at once, in the live options too, before anything is applied.
TEST_F(OptionsFixture, OneDeviceDisablesTheSecondaryAndClearsUseSecondaryAtOnce) {
    platform::wavetest::configure(1);
    live().UseSecondary = 1;
    live().PrimaryDevice = 0;
    storeLive();
    open();
    auto* use = control<QCheckBox>("chkUseSecondary");
    EXPECT_FALSE(use->isEnabled());
    EXPECT_FALSE(use->isChecked());
    EXPECT_FALSE(control<QComboBox>("cmbSecondaryDevice")->isEnabled());
    EXPECT_FALSE(control<QLabel>("lblSecondaryNote")->isEnabled());
    EXPECT_EQ(dialog().workingCopy().UseSecondary, 0);
    EXPECT_EQ(live().UseSecondary, 0);
    EXPECT_EQ(storedOptions()->UseSecondary, 1); // nothing saved yet
    EXPECT_FALSE(dialog().applyButton()->isEnabled());
    EXPECT_EQ(control<QComboBox>("cmbPrimaryDevice")->count(), 1);
}

TEST_F(OptionsFixture, TheSecondaryBoxSwitchesTheListAndTheNoteWithTwoDevices) {
    open();
    auto* use = control<QCheckBox>("chkUseSecondary");
    auto* secondary = control<QComboBox>("cmbSecondaryDevice");
    ASSERT_TRUE(use->isEnabled());
    EXPECT_FALSE(secondary->isEnabled());
    use->click();
    EXPECT_TRUE(secondary->isEnabled());
    EXPECT_TRUE(control<QLabel>("lblSecondaryNote")->isEnabled());
    EXPECT_EQ(dialog().workingCopy().UseSecondary, 1);
    use->click();
    EXPECT_FALSE(secondary->isEnabled());
    EXPECT_EQ(dialog().workingCopy().UseSecondary, 0);

    // Stored on, the dialog opens with the list ready.
    live().UseSecondary = 1;
    live().SecondaryDevice = 1;
    open();
    EXPECT_TRUE(control<QCheckBox>("chkUseSecondary")->isChecked());
    EXPECT_TRUE(control<QComboBox>("cmbSecondaryDevice")->isEnabled());
    EXPECT_EQ(shown("cmbSecondaryDevice"), "ID 1: Test Output 1");
}

TEST_F(OptionsFixture, HelpOpensTopic34) {
    open();
    QTest::mouseClick(dialog().helpButton(), Qt::LeftButton);
    const auto help = headless.system.helpRequests();
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].command, KLV_HELP_CONTEXT);
    EXPECT_EQ(help[0].data, 34);
}

TEST_F(OptionsFixture, FilenameDisplayOptionsEditTheCopyOnlyAfterOk) {
    open();
    dialog().selectPage(app::kPageDisplay);
    auto* formats = control<QPushButton>("cmdFileDisplay");
    for (bool ok : {false, true}) {
        ModalResponder responder([ok](QWidget* modal) {
            auto* editor = qobject_cast<app::DisplayFormatDialog*>(modal);
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->id3Edit(0)->text(), "%G");
            editor->id3Edit(0)->setText(QStringLiteral("%A - %T"));
            if (ok)
                editor->accept();
            else
                editor->reject();
        });
        formats->click();
        EXPECT_EQ(dialog().applyButton()->isEnabled(), ok);
        std::string expected = ok ? "%A - %T" : "%G";
        expected.resize(20, ' ');
        EXPECT_EQ(std::string(dialog().workingCopy().ID3Format[0], 20), expected);
    }
    EXPECT_EQ(live().ID3Format[0][1], 'G'); // the live record waits for Apply
}

// Apply lays out the open navigator again, so a queue's new title shows at once.
TEST_F(OptionsFixture, ApplyUpdatesTheOpenNavigator) {
    app::Navigator navigator(desk);
    desk.nav = &navigator;
    ASSERT_EQ(navigator.tabs().tabText(app::Navigator::kQueueTab1), "Requests");
    open();
    control<QLineEdit>("txtQueueName1")->setText(QStringLiteral("Tonight"));
    EXPECT_EQ(navigator.tabs().tabText(app::Navigator::kQueueTab1), "Requests");
    QTest::mouseClick(dialog().applyButton(), Qt::LeftButton);
    EXPECT_EQ(navigator.tabs().tabText(app::Navigator::kQueueTab1), "Tonight");
    desk.nav = nullptr;
}

// On the virtual devices the lists carry their names, and choosing the recorder as the primary
// device restarts the output on it: its recording appears in the Kelvara home.
TEST_F(OptionsFixture, VirtualDevicesAreListedByNameAndTheRecorderTakesOver) {
    setenv("KELVARA_AUDIO", "virtual", 1); // chosen at the first device query of the process
    const QStringList devices = app::waveDeviceEntries();
    if (devices.value(0) != "ID 0: Virtual Output")
        GTEST_SKIP() << "the devices were chosen before this test: it needs a process of its own";
    klvStartAudio();
    open();
    auto* primary = control<QComboBox>("cmbPrimaryDevice");
    ASSERT_EQ(primary->count(), 2);
    EXPECT_EQ(primary->itemText(0), "ID 0: Virtual Output");
    EXPECT_EQ(primary->itemText(1), "ID 1: Virtual Recorder");
    EXPECT_EQ(control<QComboBox>("cmbSecondaryDevice")->itemText(1), "ID 1: Virtual Recorder");

    const QDir home(QString::fromLocal8Bit(std::getenv("KELVARA_HOME")));
    const QStringList recordings{QStringLiteral("kelvara-rec-*.wav")};
    EXPECT_TRUE(home.entryList(recordings, QDir::Files).isEmpty());
    primary->setCurrentIndex(1);
    QTest::mouseClick(dialog().applyButton(), Qt::LeftButton);
    for (int i = 0; i < 200 && home.entryList(recordings, QDir::Files).isEmpty(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(home.entryList(recordings, QDir::Files).size(), 1);
    EXPECT_EQ(storedOptions()->PrimaryDevice, 1);
}

} // namespace
} // namespace klv::test
