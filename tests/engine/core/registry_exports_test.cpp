#include "klv3.h"
#include "platform/store/settings_store.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace platform = klv::platform;

constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 16;

// A caller's buffer of size bytes followed by guard bytes that no call may touch.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t size) : size(size), bytes(size + kGuardBytes, kGuard) {}
    bool guardIntact() const {
        for (size_t i = size; i < bytes.size(); ++i)
            if (bytes[i] != kGuard)
                return false;
        return true;
    }
    bool untouched() const {
        for (uint8_t b : bytes)
            if (b != kGuard)
                return false;
        return true;
    }
    size_t size;
    std::vector<uint8_t> bytes;
};

std::string subkeyForPathLength(size_t pathLength, char fill = 'k') {
    return std::string(pathLength - (sizeof(KLV_APP_KEY) - 1), fill);
}

TEST(RegistryExports, ShortValueIsFollowedByZerosUpToTheBufferSize) {
    ASSERT_EQ(klvSetReg("Settings", "Tiny", "abc", 3), 0);
    GuardedBuffer buffer(255);
    EXPECT_EQ(klvGetReg("Settings", "Tiny", buffer.bytes.data(), 255), 3);
    EXPECT_EQ(std::memcmp(buffer.bytes.data(), "abc", 3), 0);
    for (size_t i = 3; i < 255; ++i)
        ASSERT_EQ(buffer.bytes[i], 0) << "byte " << i;
    EXPECT_TRUE(buffer.guardIntact());
}

TEST(RegistryExports, OverwriteWithShorterValueLeavesNoOldBytes) {
    const std::array<uint8_t, 10> longValue{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(klvSetReg("Settings", "Shrinks", longValue.data(), 10), 0);
    ASSERT_EQ(klvSetReg("Settings", "Shrinks", "\x07\x08", 2), 0);
    std::array<uint8_t, 10> out{};
    out.fill(0xFF);
    EXPECT_EQ(klvGetReg("Settings", "Shrinks", out.data(), 10), 2);
    EXPECT_EQ(out, (std::array<uint8_t, 10>{7, 8, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(RegistryExports, SetRegWritesBinaryValuesUnderTheApplicationKey) {
    const char text[] = "12";
    ASSERT_EQ(klvSetReg("Plugins", "Count", text, 2), 0);
    std::vector<uint8_t> data;
    platform::RegType type{};
    ASSERT_EQ(
        platform::regReadValue(KLV_HKEY_LOCAL_MACHINE, KLV_APP_KEY "Plugins", "Count", data, &type),
        platform::RegResult::Ok);
    EXPECT_EQ(type, platform::RegType::Binary);
    EXPECT_EQ(std::string(data.begin(), data.end()), "12");
}

TEST(RegistryExports, EmptyValueReadsAsZeroBytes) {
    ASSERT_EQ(klvSetReg("Settings", "Empty", nullptr, 0), 0);
    GuardedBuffer buffer(8);
    EXPECT_EQ(klvGetReg("Settings", "Empty", buffer.bytes.data(), 8), 0);
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(buffer.bytes[i], 0);
    EXPECT_TRUE(buffer.guardIntact());
}

struct GetFailure {
    const char* what;
    std::string subkey;
    const char* name;
    bool nullBuffer;
    int32_t size;
};

void PrintTo(const GetFailure& c, std::ostream* os) {
    *os << c.what;
}

class RegistryGetFailures : public testing::TestWithParam<GetFailure> {};

TEST_P(RegistryGetFailures, ReturnMinusOneAndLeaveTheBufferAlone) {
    const std::array<uint8_t, 40> stored{};
    ASSERT_EQ(klvSetReg("Settings", "Forty", stored.data(), 40), 0);
    const GetFailure& c = GetParam();
    GuardedBuffer buffer(c.size > 0 ? static_cast<size_t>(c.size) : 0);
    EXPECT_EQ(
        klvGetReg(c.subkey.c_str(), c.name, c.nullBuffer ? nullptr : buffer.bytes.data(), c.size),
        -1);
    EXPECT_TRUE(buffer.untouched());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryGetFailures,
    testing::Values(GetFailure{"missing key", "NoSuchKey", "Forty", false, 64},
                    GetFailure{"missing value", "Settings", "NoSuchValue", false, 64},
                    GetFailure{"value longer than size", "Settings", "Forty", false, 39},
                    GetFailure{"null buffer", "Settings", "Forty", true, 64},
                    GetFailure{"negative size", "Settings", "Forty", false, -1},
                    GetFailure{"key path over 99", subkeyForPathLength(100), "Forty", false, 64},
                    GetFailure{"null value name", "Settings", nullptr, false, 64}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(RegistryExports, KeyPathOfNinetyNineCharactersIsTheLongestAccepted) {
    const std::string longest = subkeyForPathLength(99);
    const std::string tooLong = subkeyForPathLength(100, 'q');
    int32_t value = 42;
    int32_t out = 0;

    EXPECT_EQ(klvSetReg(longest.c_str(), "V", &value, 4), 0);
    EXPECT_EQ(klvGetReg(longest.c_str(), "V", &out, 4), 4);
    EXPECT_EQ(out, 42);
    EXPECT_EQ(klvDelReg(longest.c_str(), "V"), 0);

    EXPECT_EQ(klvSetReg(tooLong.c_str(), "V", &value, 4), -1);
    EXPECT_EQ(klvGetReg(tooLong.c_str(), "V", &out, 4), -1);
    EXPECT_EQ(klvDelReg(tooLong.c_str(), "V"), -1);
    // The long path was refused, not cut down to an existing one.
    EXPECT_FALSE(platform::regKeyExists(KLV_HKEY_LOCAL_MACHINE, KLV_APP_KEY + tooLong));
    EXPECT_FALSE(platform::regKeyExists(KLV_HKEY_LOCAL_MACHINE,
                                        KLV_APP_KEY + tooLong.substr(0, tooLong.size() - 1)));
}

TEST(RegistryExports, DelRegRemovesAValueOnceAndFailsOnMissingOnes) {
    ASSERT_EQ(klvSetReg("Presets", "Club", "x", 1), 0);
    EXPECT_EQ(klvDelReg("Presets", "Club"), 0);
    char out[4];
    EXPECT_EQ(klvGetReg("Presets", "Club", out, 4), -1);
    EXPECT_EQ(klvDelReg("Presets", "Club"), -1) << "value already gone";
    EXPECT_EQ(klvDelReg("NoSuchKey", "Club"), -1) << "key missing";
    EXPECT_EQ(klvDelReg("Presets", nullptr), -1);
}

TEST(RegistryExports, SetRegStringLengthZeroStoresTheTextWithoutItsTerminator) {
    constexpr uint32_t root = KLV_HKEY_CURRENT_USER;
    const char* key = "Software\\Other\\Place";
    ASSERT_EQ(klvSetRegString(root, key, "Auto", "hello", 0), 0);
    ASSERT_EQ(klvSetRegString(root, key, "Counted", "hello", 6), 0);

    std::vector<uint8_t> data;
    platform::RegType type{};
    ASSERT_EQ(platform::regReadValue(root, key, "Auto", data, &type), platform::RegResult::Ok);
    EXPECT_EQ(type, platform::RegType::String);
    EXPECT_EQ(std::string(data.begin(), data.end()), "hello");

    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(klvGetRegString(root, key, "Counted", buffer, 16), 6);
    EXPECT_EQ(std::memcmp(buffer, "hello\0\0\0\0\0\0\0\0\0\0\0", 16), 0);
}

TEST(RegistryExports, RootKeysAreSeparateStores) {
    ASSERT_EQ(klvSetReg("Settings", "Other", "x", 1), 0);
    ASSERT_EQ(klvSetRegString(KLV_HKEY_CURRENT_USER, KLV_APP_KEY "Settings", "Where", "cu", 0), 0);
    char out[8];
    EXPECT_EQ(klvGetReg("Settings", "Where", out, 8), -1);
    EXPECT_EQ(klvGetRegString(KLV_HKEY_LOCAL_MACHINE, KLV_APP_KEY "Settings", "Where", out, 8), -2);
    EXPECT_EQ(klvGetRegString(KLV_HKEY_CURRENT_USER, KLV_APP_KEY "Settings", "Where", out, 8), 2);
}

TEST(RegistryExports, GetRegStringTellsAMissingKeyFromAnUnreadableValue) {
    constexpr uint32_t root = KLV_HKEY_USERS;
    ASSERT_EQ(klvSetRegString(root, "Some\\Key", "Name", "0123456789", 0), 0);
    GuardedBuffer buffer(4);
    auto* out = reinterpret_cast<char*>(buffer.bytes.data());

    EXPECT_EQ(klvGetRegString(root, "Some\\Missing", "Name", out, 4), -1);
    EXPECT_EQ(klvGetRegString(root, nullptr, "Name", out, 4), -1);
    EXPECT_EQ(klvGetRegString(root, "Some\\Key", "Missing", out, 4), -2);
    EXPECT_EQ(klvGetRegString(root, "Some\\Key", "Name", out, 4), -2) << "longer than size";
    EXPECT_EQ(klvGetRegString(root, "Some\\Key", "Name", nullptr, 4), -2);
    EXPECT_EQ(klvGetRegString(root, "Some\\Key", "Name", out, -4), -2);
    EXPECT_TRUE(buffer.untouched());
}

TEST(RegistryExports, SetRegStringRefusesWhatItCannotWrite) {
    EXPECT_EQ(klvSetRegString(KLV_HKEY_CURRENT_USER, nullptr, "N", "x", 0), -1);
    EXPECT_EQ(klvSetRegString(KLV_HKEY_CURRENT_USER, "K", "N", nullptr, 0), -2);
    EXPECT_EQ(klvSetRegString(KLV_HKEY_CURRENT_USER, "K", "N", "x", -1), -2);
}

} // namespace
