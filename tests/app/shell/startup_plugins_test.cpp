// Start-up's plug-in list against the real engine: the stored rows, the libraries found in the
// "Plugins" folder, and crash protection keeping every plug-in out.

#include "app/settings/crash_dialog.h"
#include "app/shell/main_window.h"
#include "app/shell/registry_text.h"
#include "app/shell/startup.h"
#include "app/shell/startup_plugins.h"
#include "tests/app/support/app_test_support.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace klv::app {
namespace {

namespace fs = std::filesystem;

const std::string kCompressor = KLV_COMPRESSOR_PATH;
const fs::path kTestPlugins = KLV_TEST_PLUGIN_DIR;

std::string stored(int row, const char* what) {
    const std::string name = std::to_string(row) + ": " + what;
    return getRegText("Plugins", name.c_str(), "missing");
}

void storeRow(int row, const std::string& file, const char* enabled) {
    setRegText("Plugins", (std::to_string(row) + ": Filename").c_str(), file);
    setRegText("Plugins", (std::to_string(row) + ": Enabled").c_str(), enabled);
}

class StartupPluginsTest : public testing::Test {
protected:
    void SetUp() override {
        test::clearStartupSettings();
        klvDelReg("Plugins", "Count");
        ASSERT_TRUE(folder.isValid());
        pluginFolder = fs::path(folder.path().toStdString()) / "Plugins";
        fs::create_directories(pluginFolder);
    }
    void TearDown() override { endRun(); }

    void copyIn(const char* library) {
        fs::copy_file(kTestPlugins / library, pluginFolder / library);
    }

    // A start as the program runs it; answerCrash plays the crash dialog when it comes.
    void start() {
        main = std::make_unique<MainWindow>(state);
        StartupProviders providers = StartupProviders::system();
        providers.deviceCount = [] { return 2u; };
        providers.screenWidth = [] { return 1024; };
        providers.pluginFolder = [this] { return pluginFolder; };
        providers.arguments = [] { return QStringList(); };
        startup = std::make_unique<Startup>(*main, providers);
        ASSERT_EQ(startup->run(), Startup::Outcome::Running);
    }

    // Ends a run the way the shut-down leaves the engine and the store: no plug-in loaded, the
    // run marked as ended.
    void endRun() {
        startup.reset();
        main.reset();
        klvKillAudio(); // as the shut-down does, so that no thread outlives the test
        klvUnloadAllPlugins();
        setRegText("Settings", "Running", "0");
        state = ProgramState{};
    }

    test::ScopedHeadless windows;
    ProgramState state;
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<Startup> startup;
    QTemporaryDir folder;
    fs::path pluginFolder;
};

TEST_F(StartupPluginsTest, StoredRowsAreValidatedAndNewLibrariesListedDisabled) {
    copyIn("scale_plugin.so");
    std::ofstream(pluginFolder / "broken.so") << "not a library";
    std::ofstream(pluginFolder / "readme.txt") << "not a plug-in either";
    copyIn("offset_plugin.so");
    const std::string offset = (pluginFolder / "offset_plugin.so").string();
    const std::string gone = (pluginFolder / "gone.so").string();
    setRegText("Plugins", "Count", "3");
    storeRow(1, gone, "1");
    storeRow(2, kCompressor, "1");
    storeRow(3, offset, "0");
    start();

    // The missing library is dropped and the rows behind it move up; the folder's libraries
    // that were not listed are appended by name, not loaded, with no name until validated.
    const auto& list = pluginList();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].Filename, kCompressor);
    EXPECT_FALSE(list[0].Name.empty());
    EXPECT_GE(list[0].ID, 0);
    EXPECT_EQ(list[1].Filename, offset);
    EXPECT_EQ(list[1].Name, "Offset Plugin");
    EXPECT_EQ(list[1].ID, -1);
    EXPECT_EQ(list[2].Filename, (pluginFolder / "broken.so").string());
    EXPECT_EQ(list[3].Filename, (pluginFolder / "scale_plugin.so").string());
    for (size_t row = 2; row < 4; ++row) {
        EXPECT_TRUE(list[row].Name.empty()) << row;
        EXPECT_EQ(list[row].ID, -1) << row;
    }
    EXPECT_GE(klvGetPluginID(kCompressor.c_str()), 0);
    EXPECT_EQ(klvGetPluginID(offset.c_str()), -1);

    // Stored: enabled exactly when loaded now.
    EXPECT_EQ(getRegText("Plugins", "Count", "missing"), "4");
    const char* const expected[][2] = {
        {KLV_COMPRESSOR_PATH, "1"}, {nullptr, "0"}, {nullptr, "0"}, {nullptr, "0"}};
    for (int row = 1; row <= 4; ++row) {
        EXPECT_EQ(stored(row, "Filename"), list[static_cast<size_t>(row - 1)].Filename) << row;
        EXPECT_EQ(stored(row, "Enabled"), expected[row - 1][1]) << row;
    }
    endRun();

    // The next start validates the appended rows: the file that is no plug-in leaves its place
    // and, still in the folder, comes back at the end unvalidated.
    start();
    const auto& again = pluginList();
    ASSERT_EQ(again.size(), 4u);
    EXPECT_EQ(again[2].Filename, (pluginFolder / "scale_plugin.so").string());
    EXPECT_EQ(again[2].Name, "Scale Plugin");
    EXPECT_EQ(again[3].Filename, (pluginFolder / "broken.so").string());
    EXPECT_TRUE(again[3].Name.empty());
    EXPECT_EQ(stored(3, "Filename"), (pluginFolder / "scale_plugin.so").string());
    EXPECT_EQ(stored(4, "Filename"), (pluginFolder / "broken.so").string());
    EXPECT_EQ(stored(1, "Enabled"), "1");
}

TEST_F(StartupPluginsTest, NoStoredListAndNoFolderGiveAnEmptyList) {
    fs::remove(pluginFolder);
    start();
    EXPECT_TRUE(pluginList().empty());
    EXPECT_EQ(getRegText("Plugins", "Count", "missing"), "0");
}

TEST_F(StartupPluginsTest, CrashProtectionCanKeepEveryPluginOutInThisAndLaterRuns) {
    const struct {
        bool disableAll;
        const char* enabledAfter;
        bool loaded;
    } cases[] = {{true, "0", false}, {false, "1", true}};
    for (const auto& c : cases) {
        setRegText("Plugins", "Count", "1");
        storeRow(1, kCompressor, "1");
        setRegText("Settings", "Running", "1");
        test::ModalResponder responder([&](QWidget* modal) {
            auto* dialog = qobject_cast<CrashDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            if (c.disableAll) {
                QCheckBox* box = dialog->noPluginsBox();
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            }
            QTest::mouseClick(dialog->continueButton(), Qt::LeftButton);
        });
        start();
        EXPECT_EQ(state.noPlugins, c.disableAll);
        EXPECT_EQ(stored(1, "Enabled"), c.enabledAfter) << c.disableAll;
        EXPECT_EQ(klvGetPluginID(kCompressor.c_str()) >= 0, c.loaded) << c.disableAll;
        ASSERT_EQ(pluginList().size(), 1u);
        EXPECT_EQ(pluginList()[0].ID >= 0, c.loaded);
        endRun();

        // A clean start afterwards keeps what the crash dialog decided.
        start();
        EXPECT_EQ(stored(1, "Enabled"), c.enabledAfter) << c.disableAll;
        EXPECT_EQ(klvGetPluginID(kCompressor.c_str()) >= 0, c.loaded) << c.disableAll;
        endRun();
    }
}

} // namespace
} // namespace klv::app
