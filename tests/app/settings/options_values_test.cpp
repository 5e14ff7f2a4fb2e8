// The values the options dialog shows and the rules it decides by, without a dialog.

#include "app/settings/options_values.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace klv::app {
namespace {

TEST(OptionsValues, ListsAndTheEntryAStoredValueSelects) {
    EXPECT_EQ(crossfadeEntries().size(), 11);
    EXPECT_EQ(crossfadeEntries()[0], "No Crossfade");
    EXPECT_EQ(crossfadeEntries()[1], "1 Second");
    EXPECT_EQ(crossfadeEntries()[2], "2 Seconds");
    EXPECT_EQ(crossfadeEntries()[10], "10 Seconds");
    EXPECT_EQ(numLinesEntries(9), (QStringList{"2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(numLinesEntries(0), QStringList{"2"}); // no screen: still a list to choose from

    struct Case {
        int32_t value;
        int count;
        int entry;
    };
    for (const Case& c : {Case{0, 3, 0}, Case{2, 3, 2}, Case{4, 3, 1}, Case{3, 2, 1}, Case{5, 4, 1},
                          Case{9, 5, 4}, Case{-1, 3, 0}, Case{7, 0, 0}})
        EXPECT_EQ(entryForValue(c.value, c.count), c.entry) << c.value << " of " << c.count;
    EXPECT_EQ(overSampleEntries()[entryForValue(3, 2)], "8x (87%)");
    EXPECT_EQ(reopenCaptions()[entryForValue(4, 3)], "Files on &Local Hard Disk Only");
    // The number of lines is not wrapped: too many means the most the list holds.
    EXPECT_EQ(numLinesEntry(6, 8), 4);
    EXPECT_EQ(numLinesEntry(12, 8), 7);
    EXPECT_EQ(numLinesEntry(1, 8), 0);
}

TEST(OptionsValues, ThresholdAndDeviceTexts) {
    struct Case {
        int32_t tenths;
        const char* text;
    };
    for (const Case& c : {Case{15, "1.5%"}, Case{0, "0.0%"}, Case{100, "10.0%"}, Case{7, "0.7%"}})
        EXPECT_EQ(thresholdText(c.tenths), c.text);
    EXPECT_EQ(deviceEntry(0, "Virtual Output"), "ID 0: Virtual Output");
    EXPECT_EQ(deviceEntry(12, "USB Audio"), "ID 12: USB Audio");
}

TEST(OptionsValues, ColourBoxesAreReferencesWithRedInTheLowByte) {
    const auto& boxes = colorBoxes();
    EXPECT_EQ(boxes[0], 0xFFFFFF);
    EXPECT_EQ(boxes[17], 0x0000FF); // row 2 column 1: FF0000, red
    EXPECT_EQ(boxes[22], 0xFF0000); // row 2 column 6: 0000FF, blue
    EXPECT_EQ(boxes[26], 0x0040C0); // row 3 column 2: C04000
    EXPECT_EQ(boxes[42], 0x002040); // row 5 column 2: 402000
    EXPECT_EQ(boxes[47], 0x400040);
    EXPECT_EQ(colorBoxOf(0x000000), 40);
    EXPECT_EQ(colorBoxOf(0xC0C0C0), 16);
    EXPECT_EQ(colorBoxOf(0x28DC00), -1); // the default focus colour is in no box
}

TEST(OptionsValues, SampleHeightPicksTheElement) {
    struct Case {
        int32_t twips;
        int element;
    };
    for (const Case& c :
         {Case{0, kTextLabels}, Case{239, kTextLabels}, Case{240, kBackground},
          Case{434, kBackground}, Case{435, kLitSegment}, Case{644, kLitSegment},
          Case{645, kDimSegment}, Case{839, kDimSegment}, Case{840, kLedBackground},
          Case{1079, kLedBackground}, Case{1080, kFocusRectangle}, Case{1199, kFocusRectangle}})
        EXPECT_EQ(colorElementAtHeight(c.twips, kSampleHeightTwips), c.element) << c.twips;
    // Every element's marker lies inside its own band.
    for (int element = 0; element < kColorElementCount; ++element)
        EXPECT_EQ(colorElementAtHeight(colorElementMarkTwips(element, kSampleHeightTwips),
                                       kSampleHeightTwips),
                  element);
    OptionsRecord record{};
    record.LCDDimColor = 0x123456;
    EXPECT_EQ(colorField(record, kDimSegment), 0x123456);
    colorField(record, kFocusRectangle) = 0x00FF00;
    EXPECT_EQ(record.FocusColor, 0x00FF00);
}

TEST(OptionsValues, TextFieldsAreTrimmedAndPaddedWithoutSplittingACharacter) {
    char field[10];
    setOptionText(field, QStringLiteral("Hits"));
    EXPECT_EQ(std::string(field, 10), "Hits      ");
    EXPECT_EQ(optionText(field), "Hits");

    setOptionText(field, QStringLiteral("Requests and more"));
    EXPECT_EQ(std::string(field, 10), "Requests a");

    // "Köln" and four "ä": 13 bytes of UTF-8; the tenth byte starts the third "ä".
    setOptionText(field, QString::fromUtf8("K\xC3\xB6ln\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"));
    EXPECT_EQ(std::string(field, 10), "K\xC3\xB6ln\xC3\xA4\xC3\xA4 ");
    EXPECT_EQ(optionText(field), QString::fromUtf8("K\xC3\xB6ln\xC3\xA4\xC3\xA4"));

    const char engine[10] = {' ', 'a', ' ', 'b', '\0', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(optionText(engine), " a b"); // cut at the zero, not trimmed
    const char spaces[10] = {' ', ' ', 'L', 'i', 's', 't', ' ', ' ', ' ', ' '};
    EXPECT_EQ(optionText(spaces), "List");
}

TEST(OptionsValues, RestartOnlyForDeviceFieldsAndWinVersion5) {
    OptionsRecord live{};
    live.PrimaryDevice = 1;
    live.WinVersion5 = 1;
    struct Case {
        const char* name;
        void (*change)(OptionsRecord&);
        bool restart;
    };
    const Case cases[] = {
        {"nothing", [](OptionsRecord&) {}, false},
        {"XFade", [](OptionsRecord& r) { r.XFade = 4; }, false},
        {"HeadphoneMode", [](OptionsRecord& r) { r.HeadphoneMode = 2; }, false},
        {"TimeScale", [](OptionsRecord& r) { r.TimeScale = 0; }, false},
        {"PrimaryDevice", [](OptionsRecord& r) { r.PrimaryDevice = 0; }, true},
        {"SecondaryDevice", [](OptionsRecord& r) { r.SecondaryDevice = 3; }, true},
        {"UseSecondary", [](OptionsRecord& r) { r.UseSecondary = 1; }, true},
        {"WinVersion5", [](OptionsRecord& r) { r.WinVersion5 = 0; }, true},
    };
    for (const Case& c : cases) {
        OptionsRecord copy = live;
        c.change(copy);
        EXPECT_EQ(audioRestartNeeded(copy, live), c.restart) << c.name;
    }
}

TEST(OptionsValues, DevicesClashOnlyWithTheSecondaryOn) {
    OptionsRecord r{};
    r.PrimaryDevice = 2;
    r.SecondaryDevice = 2;
    EXPECT_FALSE(devicesClash(r));
    r.UseSecondary = 1;
    EXPECT_TRUE(devicesClash(r));
    r.SecondaryDevice = 0;
    EXPECT_FALSE(devicesClash(r));
}

} // namespace
} // namespace klv::app
