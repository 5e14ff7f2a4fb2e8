// The compressor's identity, its stored settings and its about box.

#include "klv3.h"
#include "tests/plugins/compressor_fixture.h"

namespace klv::test {
namespace {

TEST_F(CompressorTest, AFreshStoreGetsTheDefaultsAtInit) {
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(storedBytes(i).empty()) << kSettingNames[i];
    m_plugin.start();
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(kSettingNames[i]);
        const std::vector<uint8_t> bytes = storedBytes(i);
        ASSERT_EQ(bytes.size(), 4u);
        const uint32_t v = kDefaults[i];
        EXPECT_EQ(bytes, (std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16),
                                               uint8_t(v >> 24)}))
            << "4-byte little-endian";
        std::vector<uint8_t> data;
        platform::RegType type{};
        platform::regReadValue(platform::kHkeyLocalMachine, kCompressorKey, kSettingNames[i], data,
                               &type);
        EXPECT_EQ(type, platform::RegType::Binary);
    }
}

// Stored values are kept; one that is not exactly 4 bytes counts as missing and gets its
// default.
TEST_F(CompressorTest, StoredValuesAreUsedAndMalformedOnesReplaced) {
    storeSetting(0, -6);
    storeSetting(4, 0);
    const uint8_t shortValue[2] = {9, 0};
    platform::regWriteValue(platform::kHkeyLocalMachine, kCompressorKey, "Attack",
                            platform::RegType::Binary, shortValue, 2);
    const uint8_t longValue[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    platform::regWriteValue(platform::kHkeyLocalMachine, kCompressorKey, "Gain",
                            platform::RegType::Binary, longValue, 8);
    m_plugin.start();
    const CompressorSettings s = storedSettings();
    EXPECT_EQ(s.value[0], -6);
    EXPECT_EQ(s.value[1], 3) << "a 2-byte attack is missing";
    EXPECT_EQ(s.value[3], 0) << "an 8-byte gain is missing";
    EXPECT_EQ(s.value[4], 0);
    EXPECT_EQ(s.value[2], 120);
}

TEST_F(CompressorTest, InfoAndAboutNameVersionOnePointOne) {
    char text[KLV_PLUGIN_INFO_BUFFER] = {};
    EXPECT_EQ(m_plugin.info(text), 1);
    EXPECT_STREQ(text, "Compressor/Limiter Plugin 1.1");
    ASSERT_NE(m_plugin.about, nullptr);
    m_plugin.about(321);
    const auto boxes = m_windows.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Compressor/Limiter Plugin v.1.1");
    EXPECT_EQ(boxes[0].caption, "About Compressor/Limiter");
    EXPECT_EQ(boxes[0].flags & platform::kMbIconMask, platform::kMbIconInformation);
    EXPECT_EQ(boxes[0].owner, 321);
}

// The engine takes it as a plug-in from the program folder.
TEST_F(CompressorTest, TheEngineLoadsItAndShowsItsAboutBox) {
    char name[KLV_PLUGIN_NAME_BUFFER] = {};
    EXPECT_EQ(klvGetPluginInfo(KLV_COMPRESSOR_PATH, name), 1);
    EXPECT_STREQ(name, "Compressor/Limiter Plugin 1.1");
    ASSERT_EQ(klvLoadPlugin(KLV_COMPRESSOR_PATH, -1), 0);
    EXPECT_EQ(klvShowAbout(0, 5), 0);
    ASSERT_EQ(m_windows.boxes().size(), 1u);
    EXPECT_EQ(m_windows.boxes()[0].caption, "About Compressor/Limiter");
    EXPECT_EQ(storedSettings().value[2], 120) << "plugin_init wrote the defaults";
    klvUnloadAllPlugins();
}

} // namespace
} // namespace klv::test
