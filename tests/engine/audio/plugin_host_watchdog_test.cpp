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
    ASSERT_TRUE(m_windows.waitForBoxes(1)) << "the housekeeping thread unloads it and tells";
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
    ASSERT_TRUE(m_windows.waitForBoxes(1));
    EXPECT_EQ(klvGetPluginID(slow.c_str()), -1);
    const std::vector<int16_t> thirteenth = primaryBlock(13);
    const std::vector<int16_t> fourteenth = primaryBlock(14);
    EXPECT_EQ(thirteenth[100], engine::toPcm16(0.25f * engine::kPcmScale)) << "offset only";
    EXPECT_EQ(fourteenth[100], engine::toPcm16(0.5f * engine::kPcmScale)) << "offset, then x2";
}

// The box that tells of the unload waits for the user on another thread: the output goes on,
// block for block, with every frame of the line where it belongs, while the box stays open.
TEST_F(Watchdog, TheLinePlaysOnSampleForSampleWhileTheOverloadBoxIsOpen) {
    m_windows.holdBoxes(true);
    const std::string slow = testPlugin("slow");
    ASSERT_EQ(klvLoadPlugin(slow.c_str(), -1), 0);
    TestLine line;
    // A ramp, so that a lost, repeated or shifted frame shows. Its values lie on the 16-bit
    // grid, which the speed resampler rounds to, a frame late.
    std::vector<Frame> ramp(30 * engine::kBlockFrames);
    for (size_t i = 0; i < ramp.size(); ++i) {
        const float value = static_cast<float>(i % 2000) / 4096.0f;
        ramp[i] = Frame{value, -value};
    }
    const auto heard = [&](int block, int32_t k) {
        const int64_t at = static_cast<int64_t>(block - 1) * engine::kBlockFrames + k - 1;
        return at < 0 ? Frame{0.0f, 0.0f} : ramp[static_cast<size_t>(at)];
    };
    ASSERT_EQ(line.feed(ramp), static_cast<int32_t>(ramp.size()));
    line.play();
    start();
    step(12); // the 13th block disables the slow plug-in
    ASSERT_TRUE(m_windows.waitForBoxes(1));
    ASSERT_EQ(m_windows.openBoxes(), 1);

    for (int block = 1; block <= 25; ++block) {
        const std::vector<int16_t> played = primaryBlock(block);
        ASSERT_EQ(played.size(), engine::kBlockSamples) << "block " << block;
        for (int32_t k = 0; k < engine::kBlockFrames; ++k) {
            const Frame frame = heard(block, k);
            ASSERT_EQ(played[2 * k], engine::toPcm16(frame.left * engine::kPcmScale))
                << "block " << block << " frame " << k;
            ASSERT_EQ(played[2 * k + 1], engine::toPcm16(frame.right * engine::kPcmScale))
                << "block " << block << " frame " << k;
        }
    }
    EXPECT_EQ(m_windows.openBoxes(), 1) << "the box is still waiting for the user";
    EXPECT_EQ(engine::outputState(), 1);
    EXPECT_EQ(klvGetPluginID(slow.c_str()), -1) << "taken out before the box was shown";
    EXPECT_TRUE(m_notes.contains("uninit Slow Plugin"));

    m_windows.holdBoxes(false);
    EXPECT_TRUE(eventually([&] { return m_windows.openBoxes() == 0; }));
    EXPECT_TRUE(m_notes.faults().empty());
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
