// The plug-in list changing all the time while the output thread runs flat out: no entry may be
// unloaded while it processes, nothing may be used after it was freed (the plug-ins note a
// call after their uninit, and an unloaded library's code is gone), and the output keeps
// going. Run under ThreadSanitizer this also shows the protocol free of data races.

#include "tests/engine/audio/output_fixture.h"
#include "tests/engine/audio/plugin_host_fixture.h"

#include <random>
#include <set>

namespace klv::test {
namespace {

TEST_F(OutputTest, ChangingThePluginListWhileTheOutputRunsIsSafe) {
    PluginNotes notes;
    const std::vector<std::string> paths = {testPlugin("stress_A"), testPlugin("stress_B"),
                                            testPlugin("stress_C")};
    TestLine line;
    line.feedConstant(0.2f, -0.2f, 60000);
    line.play();
    platform::wavetest::setAutoComplete(0, true); // the device never makes the output wait
    start();

    std::mt19937 random(5);
    auto pick = [&](int from, int to) {
        return std::uniform_int_distribution<int>(from, to)(random);
    };
    // At least 600 changes, and on until the output has run 2000 blocks meanwhile.
    for (int i = 0; i < 600 || (blocksDone() < 2000 && engine::outputState() == 1 && i < 1000000);
         ++i) {
        const int32_t count = engine::pluginCount();
        switch (pick(0, 5)) {
        case 0:
        case 1:
            klvLoadPlugin(paths[pick(0, 2)].c_str(), pick(-1, 3));
            break;
        case 2:
            klvUnloadPlugin(pick(-1, 3));
            break;
        case 3: {
            const int32_t a = pick(0, 2), b = pick(0, 2);
            EXPECT_EQ(klvSwapPlugins(a, b), a < count && b < count ? 0 : -1);
            break;
        }
        case 4:
            if (pick(0, 9) == 0)
                klvUnloadAllPlugins();
            break;
        default:
            break;
        }
        // The list stays consistent: each loaded path once, at an index inside the list.
        std::set<int32_t> indices;
        for (const std::string& path : paths) {
            const int32_t index = klvGetPluginID(path.c_str());
            if (index >= 0) {
                EXPECT_TRUE(indices.insert(index).second);
            }
            EXPECT_LT(index, engine::pluginCount());
        }
        EXPECT_EQ(static_cast<int32_t>(indices.size()), engine::pluginCount());
    }
    const uint64_t blocks = blocksDone();
    EXPECT_GE(blocks, 2000u) << "the output kept running meanwhile";
    EXPECT_EQ(engine::outputState(), 1);
    klvKillAudio();
    klvUnloadAllPlugins();
    EXPECT_TRUE(notes.faults().empty());
    EXPECT_TRUE(m_windows.boxes().empty());
}

} // namespace
} // namespace klv::test
