// The overload watchdog: a plug-in that is slow in most blocks is unloaded with a message; one
// that is slow now and then never is. The plug-ins really take the time (they sleep).

#include "tests/engine/audio/output_fixture.h"
#include "tests/engine/audio/plugin_host_fixture.h"

namespace klv::test {
namespace {

class Watchdog : public OutputTest {
protected:
    void TearDown() override {
        OutputTest::TearDown();
        klvUnloadAllPlugins();
    }
    PluginNotes m_notes;
};

// 100 ms per block scores 4 per block: 48 after 12 blocks, 52 > 50 in the 13th.
TEST_F(Watchdog, APluginTaking100MsEveryBlockIsUnloadedInItsThirteenthBlock) {
    const std::string slow = testPlugin("slow");
    ASSERT_EQ(klvLoadPlugin(slow.c_str(), -1), 0);
    start(); // the first block
    EXPECT_EQ(engine::pluginScore(0), 4);
    for (int block = 2; block <= 12; ++block) {
        step();
        ASSERT_EQ(engine::pluginScore(0), 4 * block) << "block " << block;
    }
    EXPECT_EQ(klvGetPluginID(slow.c_str()), 0);
    EXPECT_TRUE(m_windows.boxes().empty());
    EXPECT_FALSE(m_notes.contains("uninit Slow Plugin"));

    step(); // the 13th
    EXPECT_EQ(klvGetPluginID(slow.c_str()), -1);
    EXPECT_EQ(engine::pluginCount(), 0);
    EXPECT_TRUE(m_notes.contains("uninit Slow Plugin"));
    EXPECT_EQ(boxTexts(), std::vector<std::string>{
                              "The following plugin is using too many resources:\n\n\tSlow "
                              "Plugin\n\nIt has been temporarily disabled. You may re-enable "
                              "it in the Plugin Manager dialog."});
    EXPECT_EQ(m_windows.boxes()[0].caption, "KLV3 Message");
    EXPECT_EQ(engine::outputState(), 1) << "the output carries on";
    step(3);
    EXPECT_TRUE(m_notes.faults().empty());
}

// The plug-ins after an overloaded one sit that block out; the ones before it run.
TEST_F(Watchdog, TheRestOfTheListSitsOutTheBlockInWhichAPluginIsUnloaded) {
    const std::string offset = testPlugin("offset");
    const std::string slow = testPlugin("slow");
    const std::string scale = testPlugin("scale");
    ASSERT_EQ(klvLoadPlugin(offset.c_str(), -1), 0);
    ASSERT_EQ(klvLoadPlugin(slow.c_str(), -1), 1);
    ASSERT_EQ(klvLoadPlugin(scale.c_str(), -1), 2);
    start();
    step(12); // the 13th block unloads the slow one
    EXPECT_EQ(klvGetPluginID(slow.c_str()), -1);
    const std::vector<int16_t> thirteenth = primaryBlock(13);
    const std::vector<int16_t> fourteenth = primaryBlock(14);
    EXPECT_EQ(thirteenth[100], engine::toPcm16(0.25f * engine::kPcmScale)) << "offset only";
    EXPECT_EQ(fourteenth[100], engine::toPcm16(0.5f * engine::kPcmScale)) << "offset, then x2";
}

// 20 ms in every other block and next to nothing in the others: the score goes up by one and
// down again, and never gets anywhere near the limit.
TEST_F(Watchdog, APluginSlowInEveryOtherBlockIsNeverUnloaded) {
    const std::string sometimes = testPlugin("sometimes_slow");
    ASSERT_EQ(klvLoadPlugin(sometimes.c_str(), -1), 0);
    start();
    int highest = 0;
    for (int block = 2; block <= 100; ++block) {
        step();
        highest = std::max(highest, engine::pluginScore(0));
    }
    EXPECT_EQ(klvGetPluginID(sometimes.c_str()), 0);
    EXPECT_LE(highest, 3);
    EXPECT_TRUE(m_windows.boxes().empty());
}

} // namespace
} // namespace klv::test
