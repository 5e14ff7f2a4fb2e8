// The plug-in list through the C interface: loading, refusing, ordering, unloading, the about
// and settings calls, and the order in which the output thread runs the plug-ins.

#include "engine/core/user_message.h"
#include "tests/engine/audio/output_fixture.h"
#include "tests/engine/audio/plugin_host_fixture.h"

#include <fstream>

namespace klv::test {
namespace {

// Whether the process has the library mapped right now.
bool isMapped(const std::string& path) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find(path) != std::string::npos)
            return true;
    return false;
}

class PluginList : public ::testing::Test {
protected:
    void SetUp() override { platform::setWindowSystem(&m_windows); }
    void TearDown() override {
        klvUnloadAllPlugins();
        platform::setWindowSystem(nullptr);
    }
    std::vector<std::string> order() const { return listedPaths({m_offset, m_scale, m_stress}); }

    platform::HeadlessWindowSystem m_windows;
    PluginNotes m_notes;
    const std::string m_offset = testPlugin("offset");
    const std::string m_scale = testPlugin("scale");
    const std::string m_stress = testPlugin("stress_A");
};

// A load returns the count before it; a position inside the list inserts there, anything else
// appends; a path already loaded returns its index and changes nothing.
TEST_F(PluginList, LoadAppendsOrInsertsAndReturnsTheCountBefore) {
    engine::setOwnerWindow(4660);
    const struct {
        const std::string& path;
        int32_t position;
        int32_t result;
        std::vector<std::string> order;
    } steps[] = {
        {m_offset, -1, 0, {m_offset}},
        {m_scale, 1, 1, {m_offset, m_scale}},
        {m_stress, 0, 2, {m_stress, m_offset, m_scale}},
        {m_offset, 0, 1, {m_stress, m_offset, m_scale}},
        {m_scale, -1, 2, {m_stress, m_offset, m_scale}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.path + " at " + std::to_string(step.position));
        EXPECT_EQ(klvLoadPlugin(step.path.c_str(), step.position), step.result);
        EXPECT_EQ(order(), step.order);
    }
    const std::vector<std::string> notes = m_notes.lines();
    EXPECT_EQ(std::count(notes.begin(), notes.end(), "init Offset Plugin 1024 4660"), 1)
        << "plugin_init once, with the block length and the owner window";
}

TEST_F(PluginList, LibrariesThatAreNotPluginsAreRefusedAndUnloaded) {
    const std::filesystem::path text = testHome() / "not-a-library.so";
    std::ofstream(text) << "plain text";
    const std::string refusing = testPlugin("refusing");
    const std::string noProcess = testPlugin("no_process");
    for (const std::string& path :
         {refusing, noProcess, text.string(), (testHome() / "missing.so").string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(klvLoadPlugin(path.c_str(), -1), -1);
        EXPECT_EQ(klvGetPluginID(path.c_str()), -1);
        EXPECT_FALSE(isMapped(path));
        char name[KLV_PLUGIN_NAME_BUFFER] = "untouched";
        EXPECT_EQ(klvGetPluginInfo(path.c_str(), name), -1);
        EXPECT_STREQ(name, "untouched");
    }
    EXPECT_EQ(engine::pluginCount(), 0);
    EXPECT_TRUE(m_notes.lines().empty()) << "plugin_init is never called on a refused library";
    EXPECT_EQ(klvLoadPlugin(nullptr, -1), -1);
}

// Reading a description loads the library only for that: no plugin_init, no list entry.
TEST_F(PluginList, InfoReadsTheDescriptionWithoutLoadingThePlugin) {
    char name[KLV_PLUGIN_NAME_BUFFER] = {};
    EXPECT_EQ(klvGetPluginInfo(m_offset.c_str(), name), 1);
    EXPECT_STREQ(name, "Offset Plugin");
    EXPECT_EQ(klvGetPluginInfo(m_offset.c_str(), nullptr), 1);
    EXPECT_EQ(engine::pluginCount(), 0);
    EXPECT_FALSE(isMapped(m_offset));
    EXPECT_TRUE(m_notes.lines().empty());
}

TEST_F(PluginList, SwapExchangesTwoEntriesAndRefusesIndicesOutsideTheList) {
    klvLoadPlugin(m_offset.c_str(), -1);
    klvLoadPlugin(m_scale.c_str(), -1);
    klvLoadPlugin(m_stress.c_str(), -1);
    const struct {
        int32_t a, b, result;
        std::vector<std::string> order;
    } steps[] = {
        {0, 0, 0, {m_offset, m_scale, m_stress}},  {0, 2, 0, {m_stress, m_scale, m_offset}},
        {1, 2, 0, {m_stress, m_offset, m_scale}},  {-1, 0, -1, {m_stress, m_offset, m_scale}},
        {0, 3, -1, {m_stress, m_offset, m_scale}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << step.a << " <-> " << step.b);
        EXPECT_EQ(klvSwapPlugins(step.a, step.b), step.result);
        EXPECT_EQ(order(), step.order);
    }
}

TEST_F(PluginList, UnloadTakesOutOneEntryAndUnloadAllEmptiesTheListInOrder) {
    klvLoadPlugin(m_offset.c_str(), -1);
    klvLoadPlugin(m_scale.c_str(), -1);
    klvLoadPlugin(m_stress.c_str(), -1);
    klvUnloadPlugin(3);
    klvUnloadPlugin(-1);
    EXPECT_EQ(engine::pluginCount(), 3);

    klvUnloadPlugin(1);
    EXPECT_EQ(order(), (std::vector<std::string>{m_offset, m_stress}));
    EXPECT_TRUE(m_notes.contains("uninit Scale Plugin"));
    EXPECT_FALSE(isMapped(m_scale));

    EXPECT_EQ(klvUnloadAllPlugins(), 0);
    EXPECT_EQ(engine::pluginCount(), 0);
    const std::vector<std::string> notes = m_notes.lines();
    const auto offset = std::find(notes.begin(), notes.end(), "uninit Offset Plugin");
    const auto stress = std::find(notes.begin(), notes.end(), "uninit Stress A");
    ASSERT_NE(offset, notes.end());
    ASSERT_NE(stress, notes.end());
    EXPECT_LT(offset, stress) << "in list order";
    EXPECT_FALSE(isMapped(m_offset));
    EXPECT_FALSE(isMapped(m_stress));
    EXPECT_TRUE(m_notes.faults().empty());
}

// A plug-in with about and settings calls gets them with the window; one without gets the
// manager's boxes instead.
TEST_F(PluginList, AboutAndSettingsCallThePluginOrSayItHasNone) {
    klvLoadPlugin(m_offset.c_str(), -1);
    klvLoadPlugin(m_scale.c_str(), -1);
    EXPECT_EQ(klvShowAbout(0, 77), 0);
    EXPECT_EQ(klvShowSettings(0, 78), 0);
    EXPECT_TRUE(m_notes.contains("about Offset Plugin 77"));
    EXPECT_TRUE(m_notes.contains("settings Offset Plugin 78"));
    EXPECT_TRUE(m_windows.boxes().empty());

    EXPECT_EQ(klvShowAbout(1, 79), 0);
    EXPECT_EQ(klvShowSettings(1, 80), 0);
    EXPECT_EQ(klvShowAbout(2, 81), 0);
    EXPECT_EQ(klvShowSettings(-1, 82), 0);
    const auto boxes = m_windows.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "This plugin does not have an About dialog.");
    EXPECT_EQ(boxes[1].text, "This plugin does not have any settings.");
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "KLV3 Plugin Manager");
        EXPECT_EQ(box.flags & platform::kMbIconMask, platform::kMbIconInformation);
    }
    EXPECT_EQ(boxes[0].owner, 79);
    EXPECT_EQ(boxes[1].owner, 80);
}

// The output thread runs the plug-ins in list order on the main mix, before the master gain:
// about 0.1 through +0.25 then x2 is 0.7; the other way round 0.45.
TEST_F(OutputTest, PluginsRunInListOrderOnTheMainMix) {
    PluginNotes notes;
    const std::string offset = testPlugin("offset");
    const std::string scale = testPlugin("scale");
    ASSERT_EQ(klvLoadPlugin(offset.c_str(), -1), 0);
    ASSERT_EQ(klvLoadPlugin(scale.c_str(), -1), 1);
    TestLine line;
    line.feedConstant(0.1f, 0.1f, 20000);
    line.play();
    start();
    const std::vector<int16_t> first = primaryBlock(2);
    ASSERT_FALSE(first.empty());
    // The line arrives on the 16-bit grid of the speed resampler.
    const float line16 = 3277.0f / 32768.0f;
    EXPECT_EQ(first[1000], engine::toPcm16(((line16 + 0.25f) * 2.0f) * engine::kPcmScale));

    ASSERT_EQ(klvSwapPlugins(0, 1), 0);
    // The swap is in force from the first block that starts after it returned.
    const uint64_t swappedAt = platform::wavetest::playedBuffers(0) + 2;
    const std::vector<int16_t> later = primaryBlock(static_cast<int>(swappedAt));
    EXPECT_EQ(later[1000], engine::toPcm16((line16 * 2.0f + 0.25f) * engine::kPcmScale));
    klvKillAudio();
    klvUnloadAllPlugins();
    EXPECT_TRUE(notes.faults().empty());
}

} // namespace
} // namespace klv::test
