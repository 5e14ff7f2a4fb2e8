#include "app/shell/registry_text.h"

#include "klv3.h"

#include <gtest/gtest.h>

#include <string>

namespace klv::app {
namespace {

TEST(RegistryText, RoundTripsAndDefaults) {
    const std::string chars254(254, 'a');
    const std::string chars255(255, 'b');
    const std::string chars256(256, 'c');
    const struct {
        const char* name;
        std::string stored;
        bool store;
        std::string expected;
    } cases[] = {
        {"missing", "", false, "fallback"},
        {"plain", "Lounge Set", true, "Lounge Set"},
        {"empty", "", true, ""}, // an empty text is a value, not a missing one
        {"number", "42", true, "42"},
        {"utf8", "K\xC3\xB6ln", true, "K\xC3\xB6ln"},
        {"254 chars", chars254, true, chars254},
        {"255 chars", chars255, true, ""},         // no zero byte left in the buffer
        {"256 chars", chars256, true, "fallback"}, // too long for the buffer
        {"inner zero", std::string("ab\0cd", 5), true, "ab"},
    };
    for (const auto& c : cases) {
        if (c.store)
            setRegText("Tests", c.name, c.stored);
        EXPECT_EQ(getRegText("Tests", c.name, "fallback"), c.expected) << c.name;
    }
}

TEST(RegistryText, StoresTheCharactersWithoutTerminator) {
    setRegText("Settings", "Remain Time", "0");
    char buffer[8];
    EXPECT_EQ(klvGetReg("Settings", "Remain Time", buffer, sizeof buffer), 1);
    EXPECT_EQ(buffer[0], '0');
}

TEST(RegistryText, ShorterValueLeavesNothingOfALongerOne) {
    setRegText("Tests", "Shrinking", "123456");
    setRegText("Tests", "Shrinking", "7");
    EXPECT_EQ(getRegText("Tests", "Shrinking", ""), "7");
}

TEST(RegistryText, NumericValueReadsTheLeadingNumber) {
    const struct {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"1", 1},
        {"0", 0},
        {"", 0},
        {"abc", 0},
        {"42abc", 42},
        {"  17", 17},
        {"-3", -3},
        {"+8", 8},
        {"12 34", 12},
        {"3.9", 3},
        {"-", 0},
        {"007", 7},
        {"2147483647", 2147483647},
        {"99999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numericValue(c.text), c.expected) << '"' << c.text << '"';
}

} // namespace
} // namespace klv::app
