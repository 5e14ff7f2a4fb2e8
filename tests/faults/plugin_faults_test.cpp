// A plug-in that is slow in every block while lines stream from their files: the watchdog
// takes it out with its message, and the music goes on without it.

#include "tests/faults/fault_fixture.h"

namespace klv::test::fault {
namespace {

class PluginFaults : public FaultTest {};

TEST_F(PluginFaults, ASlowPluginIsTakenOutAndTheLinesPlayOn) {
    const std::string slow = std::string(KLV_TEST_PLUGIN_DIR) + "/slow_plugin.so";
    ASSERT_EQ(klvLoadPlugin(slow.c_str(), -1), 0);
    ASSERT_EQ(klvStartAudio(), 0);
    DevicePlayer device;
    Line first(1);
    Line second(2);
    first.h.loop = 1;
    second.h.loop = 1;
    ASSERT_EQ(klvOpen(&first.h, place("a.wav", constantWav(5 * 44100, kLevel)).c_str()), 0);
    ASSERT_EQ(klvOpen(&second.h, fixture("mp3_cbr128.mp3").c_str()), 0);
    klvSetVolume(&second.h, 0.0f); // heard in the mix of the first only through its level
    ASSERT_EQ(klvPause(&first.h), 0);
    ASSERT_EQ(klvPause(&second.h), 0);

    ASSERT_TRUE(eventually([&] { return !boxes().empty(); }));
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "The following plugin is using too many resources:\n\n\tSlow "
                           "Plugin\n\nIt has been temporarily disabled. You may re-enable it in "
                           "the Plugin Manager dialog."});
    EXPECT_EQ(klvGetPluginID(slow.c_str()), -1);

    const int32_t firstAt = first.slot().position.load();
    const int32_t secondAt = second.slot().position.load();
    const uint64_t heard = levelFrames(0);
    EXPECT_TRUE(eventually([&] { return levelFrames(0) > heard + 44100; }))
        << "a second more of the first line reaches the device";
    EXPECT_NE(first.slot().position.load(), firstAt);
    EXPECT_NE(second.slot().position.load(), secondAt);
    EXPECT_EQ(engine::outputState(), 1);
    EXPECT_TRUE(userMessages().empty());
    EXPECT_EQ(boxes().size(), 1u);
}

} // namespace
} // namespace klv::test::fault
