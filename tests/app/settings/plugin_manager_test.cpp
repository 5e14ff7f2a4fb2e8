// The plug-in manager on the real engine: the test plug-ins and the compressor in a plug-in
// folder of the test's own, the list kept as start-up keeps it.

#include "app/settings/feature_lock.h"
#include "app/settings/password_scramble.h"
#include "app/settings/plugin_manager.h"
#include "app/shell/default_options.h"
#include "app/shell/program_state.h"
#include "app/shell/qt_window_system.h"
#include "app/shell/registry_text.h"
#include "app/shell/template_dialog.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/test_desk.h"
#include "tests/support/temp_home.h"

#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace klv::test {
namespace {

using app::PluginEntry;
using app::PluginManager;

#ifdef KLV_TEST_PLUGIN_DIR

class PluginManagerTest : public testing::Test {
protected:
    PluginManagerTest() : desk(app::programState()) {
        app::assignDefaultOptions(options());
        klvSaveOptions(&options());
        folder = testHome() / "Plugins";
        std::filesystem::create_directories(folder);
        // The list shows the libraries by file name: these names keep the plug-ins in order.
        add("offset_plugin.so", "1_offset.so");
        add("scale_plugin.so", "2_scale.so");
        add("stress_A_plugin.so", "3_stress.so");
    }
    ~PluginManagerTest() override {
        manager.reset();
        klvUnloadAllPlugins();
        app::featureLock().setAskPassword({});
        options().LockEnabled = 0;
        app::featureLock().authenticate(false);
    }

    void add(const char* library, const char* as) {
        std::filesystem::copy_file(std::filesystem::path(KLV_TEST_PLUGIN_DIR) / library,
                                   folder / as);
    }
    std::string path(const char* as) const { return (folder / as).string(); }
    OptionsRecord& options() { return app::programState().options; }

    PluginManager& open() {
        manager = std::make_unique<PluginManager>(desk, rows, folder);
        manager->show();
        return *manager;
    }
    QListWidgetItem* item(int row) { return manager->pluginListView()->item(row); }
    // Clicks row's check box as the user does; the list is redrawn afterwards.
    void toggle(int row) {
        QListWidgetItem* it = item(row);
        it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        QCoreApplication::processEvents();
    }
    void select(int row) { manager->pluginListView()->setCurrentRow(row); }
    std::vector<bool> checks() {
        std::vector<bool> marks;
        for (int r = 0; r < manager->pluginListView()->count(); ++r)
            marks.push_back(item(r)->checkState() == Qt::Checked);
        return marks;
    }
    std::vector<int32_t> engineIds() const {
        std::vector<int32_t> ids;
        for (const PluginEntry& row : rows)
            ids.push_back(klvGetPluginID(row.Filename.c_str()));
        return ids;
    }

    ScopedHeadless headless;
    TestDesk desk;
    std::filesystem::path folder;
    std::vector<PluginEntry> rows;
    std::unique_ptr<PluginManager> manager;
};

TEST_F(PluginManagerTest, ListsTheLibrariesAndEnablesTheButtonsBySelection) {
    PluginManager& m = open();
    EXPECT_EQ(m.windowTitle(), "KLV3 Plugin Manager");
    ASSERT_EQ(m.pluginListView()->count(), 3);
    EXPECT_EQ(checks(), (std::vector<bool>{false, false, false}));
    // Found in this run, not validated yet: the file name stands in for the name.
    EXPECT_EQ(item(0)->text(), "1_offset.so");
    EXPECT_EQ(item(2)->toolTip(), QString::fromStdString(path("3_stress.so")));

    QTest::mouseClick(m.refreshButton(), Qt::LeftButton);
    EXPECT_EQ(item(0)->text(), "Offset Plugin");
    EXPECT_EQ(item(1)->text(), "Scale Plugin");
    EXPECT_EQ(item(2)->text(), "Stress A");

    const struct {
        int row;
        bool up, down;
    } cases[] = {{0, false, true}, {1, true, true}, {2, true, false}};
    for (const auto& c : cases) {
        select(c.row);
        EXPECT_EQ(m.moveUpButton()->isEnabled(), c.up) << c.row;
        EXPECT_EQ(m.moveDownButton()->isEnabled(), c.down) << c.row;
        EXPECT_FALSE(m.settingsButton()->isEnabled()) << "not loaded";
        EXPECT_FALSE(m.aboutButton()->isEnabled());
    }
    toggle(2);
    EXPECT_TRUE(m.settingsButton()->isEnabled());
    EXPECT_TRUE(m.aboutButton()->isEnabled());
    EXPECT_EQ(m.pluginListView()->currentRow(), 2) << "the rebuild keeps the selection";
    keepScreenshot(m, "plugin_manager.png");
}

TEST_F(PluginManagerTest, EnablingLoadsAtTheListPositionAndDisablingUnloads) {
    open();
    // Third of three while the first two are loaded: appended.
    toggle(0);
    toggle(1);
    EXPECT_EQ(engineIds(), (std::vector<int32_t>{0, 1, -1}));
    toggle(2);
    EXPECT_EQ(engineIds(), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(checks(), (std::vector<bool>{true, true, true}));

    // The first while the second and third are loaded: before the second.
    toggle(0);
    EXPECT_EQ(engineIds(), (std::vector<int32_t>{-1, 0, 1}));
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true}));
    toggle(0);
    EXPECT_EQ(engineIds(), (std::vector<int32_t>{0, 1, 2}));
    for (size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(rows[r].ID, static_cast<int32_t>(r));

    // The stored list says what is loaded now.
    toggle(1);
    EXPECT_EQ(app::getRegText("Plugins", "Count", ""), "3");
    EXPECT_EQ(app::getRegText("Plugins", "1: Enabled", ""), "1");
    EXPECT_EQ(app::getRegText("Plugins", "2: Enabled", ""), "0");
    EXPECT_EQ(app::getRegText("Plugins", "3: Enabled", ""), "1");
    EXPECT_EQ(app::getRegText("Plugins", "2: Filename", ""), path("2_scale.so"));
}

TEST_F(PluginManagerTest, MovingExchangesRowsAndEachLibraryKeepsItsEngineIndex) {
    PluginManager& m = open();
    toggle(1); // scale loaded alone: index 0
    select(1);
    QTest::mouseClick(m.moveUpButton(), Qt::LeftButton);
    // Past an unloaded one: the rows change places, the engine has nothing to change.
    EXPECT_EQ(rows[0].Filename, path("2_scale.so"));
    EXPECT_EQ(rows[0].ID, 0);
    EXPECT_EQ(rows[1].Filename, path("1_offset.so"));
    EXPECT_EQ(rows[1].ID, -1);
    EXPECT_EQ(m.pluginListView()->currentRow(), 0) << "the moved entry stays selected";
    EXPECT_EQ(checks(), (std::vector<bool>{true, false, false}));

    // Two loaded ones change places in the engine too.
    toggle(1); // offset after scale: appended, index 1
    EXPECT_EQ(engineIds(), (std::vector<int32_t>{0, 1, -1}));
    select(1);
    QTest::mouseClick(m.moveUpButton(), Qt::LeftButton);
    EXPECT_EQ(rows[0].Filename, path("1_offset.so"));
    EXPECT_EQ(klvGetPluginID(path("1_offset.so").c_str()), 0);
    EXPECT_EQ(klvGetPluginID(path("2_scale.so").c_str()), 1);
    EXPECT_EQ(engineIds(), (std::vector<int32_t>{0, 1, -1}));

    select(1);
    QTest::mouseClick(m.moveDownButton(), Qt::LeftButton);
    EXPECT_EQ(rows[2].Filename, path("2_scale.so"));
    EXPECT_EQ(rows[2].ID, 1);
    EXPECT_EQ(m.pluginListView()->currentRow(), 2);
    EXPECT_FALSE(m.moveDownButton()->isEnabled());
}

TEST_F(PluginManagerTest, SettingsAboutAndHelp) {
    PluginManager& m = open();
    toggle(1); // scale: no about, no settings of its own
    select(1);
    QTest::mouseClick(m.settingsButton(), Qt::LeftButton);
    QTest::mouseClick(m.aboutButton(), Qt::LeftButton);
    const auto boxes = headless.system.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "This plugin does not have any settings.");
    EXPECT_EQ(boxes[1].text, "This plugin does not have an About dialog.");
    EXPECT_EQ(boxes[0].caption, "KLV3 Plugin Manager");
    EXPECT_EQ(boxes[0].owner, app::windowHandle(&m));

    QTest::mouseClick(m.helpButton(), Qt::LeftButton);
    const auto help = headless.system.helpRequests();
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].data, 35);
}

TEST_F(PluginManagerTest, AVanishedLibraryLeavesTheListAndDoneStoresTheOptionsUnchanged) {
    PluginManager& m = open();
    toggle(2);
    std::filesystem::remove(folder / "1_offset.so");
    QTest::mouseClick(m.refreshButton(), Qt::LeftButton);
    ASSERT_EQ(m.pluginListView()->count(), 2);
    EXPECT_EQ(item(0)->text(), "Scale Plugin");
    EXPECT_EQ(checks(), (std::vector<bool>{false, true}));
    EXPECT_EQ(m.pluginListView()->currentRow(), 1);

    OptionsRecord other = options();
    other.FadeSpeed = 4;
    klvSetReg("Settings", "Options", &other, sizeof other);
    QTest::mouseClick(m.doneButton(), Qt::LeftButton);
    EXPECT_FALSE(m.isVisible());
    const std::optional<OptionsRecord> stored = storedOptions();
    ASSERT_TRUE(stored);
    EXPECT_TRUE(sameBytes(*stored, options()));
}

TEST_F(PluginManagerTest, LockedWithoutThePasswordTheDialogNeverAppears) {
    app::setRegText("Install", "Admin Password", app::scramblePassword("secret").toStdString());
    options().LockEnabled = 1;
    options().LockPlugins = 1;
    app::featureLock().setAskPassword([](const QString&) { return QString(); });
    bool appeared = false;
    ModalResponder watch([&appeared](QWidget* modal) {
        appeared = true;
        modal->close();
    });
    app::showPluginManager(desk);
    QTest::qWait(30);
    EXPECT_FALSE(appeared);
    const auto boxes = headless.system.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Password Required to Manage Plugins");
    EXPECT_EQ(klvGetPluginID(path("1_offset.so").c_str()), -1);
}

#ifdef KLV_COMPRESSOR_PATH

TEST_F(PluginManagerTest, TheCompressorsSettingsDialogStoresWhatItsSlidersSay) {
    app::QtWindowSystem windows;
    platform::setWindowSystem(&windows);
    std::filesystem::copy_file(KLV_COMPRESSOR_PATH, folder / "0_compressor.so");
    PluginManager& m = open();
    ASSERT_EQ(m.pluginListView()->count(), 4);
    toggle(0);
    ASSERT_GE(rows[0].ID, 0);
    select(0);
    EXPECT_EQ(item(0)->text().toStdString().find("ompressor") != std::string::npos, true);
    QTest::mouseClick(m.settingsButton(), Qt::LeftButton);
    const QList<app::TemplateDialog*> dialogs = m.findChildren<app::TemplateDialog*>();
    ASSERT_EQ(dialogs.size(), 1);
    app::TemplateDialog* settings = dialogs.front();
    EXPECT_TRUE(settings->isVisible());
    const QList<QSlider*> sliders = settings->findChildren<QSlider*>();
    ASSERT_EQ(sliders.size(), 5);

    // The threshold slider is the first; what the user sets is stored as a 4-byte value.
    QSlider* threshold = sliders.front();
    const int target =
        threshold->value() == threshold->minimum() ? threshold->maximum() : threshold->minimum();
    threshold->setFocus();
    QTest::keyClick(threshold, target == threshold->minimum() ? Qt::Key_Home : Qt::Key_End);
    EXPECT_EQ(threshold->value(), target);
    char stored[4] = {};
    ASSERT_EQ(klvGetRegString(KLV_HKEY_LOCAL_MACHINE,
                              "Software\\Quellwerk\\KLV3 Compressor Plugin 1.1\\Default",
                              "Threshold", stored, sizeof stored),
              4);
    int32_t value = 0;
    std::memcpy(&value, stored, sizeof value);
    EXPECT_EQ(value, target);

    if (const char* dir = std::getenv("KLV_SCREENSHOT_DIR")) {
        // Both windows side by side, as the user sees them.
        const QPixmap list = m.grab();
        const QPixmap dialog = settings->grab();
        QPixmap both(list.width() + dialog.width() + 12, std::max(list.height(), dialog.height()));
        both.fill(Qt::darkGray);
        QPainter painter(&both);
        painter.drawPixmap(0, 0, list);
        painter.drawPixmap(list.width() + 12, 0, dialog);
        painter.end();
        both.save(QDir(dir).filePath("plugin_manager_compressor.png"));
    }
    delete settings;
    platform::setWindowSystem(&headless.system);
}

#endif
#endif

} // namespace
} // namespace klv::test
