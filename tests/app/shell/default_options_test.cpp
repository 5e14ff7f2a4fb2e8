#include "app/shell/default_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace klv::app {
namespace {

int32_t intAt(const OptionsRecord& r, size_t offset) {
    int32_t v;
    std::memcpy(&v, reinterpret_cast<const char*>(&r) + offset, 4);
    return v;
}

std::string bytesAt(const OptionsRecord& r, size_t offset, size_t width) {
    return std::string(reinterpret_cast<const char*>(&r) + offset, width);
}

std::string padded(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
}

TEST(DefaultOptions, IntegerFieldsSitAtTheirStoredOffsets) {
    OptionsRecord r;
    std::memset(&r, 0xAB, sizeof r); // leftovers must not survive
    assignDefaultOptions(r);
    const struct {
        size_t offset;
        int32_t value;
    } cases[] = {
        {0, 0},         {4, 0},         {8, 1},          {12, 1},        {16, 0},
        {20, 1},        {24, 15},       {28, 1},         {32, 1},        {36, 0},
        {40, 1},        {44, 1},        {48, 6},         {52, 0},        {56, 0},
        {60, 1},        {64, 0x000000}, {68, 0xFFC800},  {72, 0x302400}, {76, 0xC0C0C0},
        {80, 0x000000}, {84, 1},        {88, 1},         {92, 0},        {96, 0},
        {100, 1},       {104, 1},       {108, 0x28DC00}, {112, 0},       {116, 0},
        {120, 1},       {124, 0},       {128, 1},        {132, 1},       {216, 1},
        {224, 0},       {228, 1},       {232, 0},        {236, 1},       {240, 1},
        {244, 0},       {248, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(intAt(r, c.offset), c.value) << "offset " << c.offset;
    const int32_t win5 = intAt(r, 220);
    EXPECT_TRUE(win5 == 0 || win5 == 1);
    EXPECT_EQ(win5, systemWinVersion5());
}

TEST(DefaultOptions, TextFieldsAreSpacePaddedWithoutTerminator) {
    OptionsRecord r;
    std::memset(&r, 0, sizeof r);
    assignDefaultOptions(r);
    const struct {
        size_t offset;
        size_t width;
        const char* text;
    } cases[] = {
        {136, 40, "Requests"},
        {176, 40, "Popular Songs"},
        {252, 80, "/"},
        {332, 20, "%G"},
        {352, 20, "%A"},
        {372, 20, "%T"},
        {392, 20, "<No ID3 Tag>"},
        {412, 20, "%D1"},
        {432, 20, "%F"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bytesAt(r, c.offset, c.width), padded(c.text, c.width)) << c.text;
}

TEST(DefaultOptions, OptionTextIsCutToItsField) {
    char field[8];
    std::memset(field, 'x', sizeof field);
    putOptionText(field, 5, "abcdefgh");
    EXPECT_EQ(std::string(field, 8), "abcdexxx"); // never past the width
    putOptionText(field, 5, "");
    EXPECT_EQ(std::string(field, 8), "     xxx");
}

TEST(DefaultOptions, WinVersion5FollowsTheKernelMajorVersion) {
    const struct {
        const char* release;
        int32_t expected;
    } cases[] = {
        {"6.1.0-13-amd64", 1}, {"5.10.0", 1}, {"5", 1}, {"4.19.0-21-amd64", 0},
        {"10.2.1", 1},         {"3.2", 0},    {"", 0},  {"generic", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(winVersion5FromRelease(c.release), c.expected) << c.release;
}

TEST(DefaultOptions, NumLinesFitsTheScreenButNeverBelowTwo) {
    const struct {
        int32_t width;
        int32_t stored;
        int32_t expected;
    } cases[] = {
        {1024, 12, 9}, {1024, 9, 9}, {1024, 6, 6}, {800, 12, 6}, {1280, 12, 12}, {1280, 20, 12},
        {300, 6, 2},   {0, 6, 2},    {1024, 1, 2}, {1024, 0, 2}, {1024, -5, 2},  {1920, 6, 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clampNumLines(c.stored, maxLinesForWidth(c.width)), c.expected)
            << c.stored << " lines on " << c.width << " pixels";
}

} // namespace
} // namespace klv::app
