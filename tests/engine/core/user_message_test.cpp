#include "engine/core/user_message.h"
#include "klv3.h"
#include "tests/engine/core/core_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using klv::engine::sendUserMessage;
using klv::engine::setOwnerWindow;
using klv::engine::showMessageBox;
namespace platform = klv::platform;

constexpr KlvWindow kOwner = 0x1234;

class UserMessageTest : public testing::Test {
protected:
    void SetUp() override { setOwnerWindow(kOwner); }
    void TearDown() override { setOwnerWindow(0); }
    klv::test::ScopedWindowSystem windows;
};

struct CutCase {
    const char* what;
    std::string text;
    std::string arrives;
};

const std::string kEAcute = "\xc3\xa9";        // two bytes
const std::string kEuro = "\xe2\x82\xac";      // three bytes
const std::string kSmile = "\xf0\x9f\x98\x80"; // four bytes

void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.what;
}

class MessageCut : public UserMessageTest, public testing::WithParamInterface<CutCase> {};

TEST_P(MessageCut, ArrivesAsOneRecordCutAt255BytesOnACharacterBoundary) {
    const CutCase& c = GetParam();
    EXPECT_EQ(sendUserMessage("%s", c.text.c_str()), -1);
    const auto messages = windows->messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].window, kOwner);
    EXPECT_EQ(messages[0].msg, 1025u);
    EXPECT_NE(messages[0].wParam, 0);
    EXPECT_EQ(messages[0].lParam, 0);
    EXPECT_EQ(messages[0].text, c.arrives);
    EXPECT_EQ(messages[0].level, 2);
    EXPECT_EQ(messages[0].helpContext, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageCut,
    testing::Values(
        CutCase{"short", "Invalid or corrupted MP3 File", "Invalid or corrupted MP3 File"},
        CutCase{"ascii_300", std::string(300, 'a'), std::string(255, 'a')},
        CutCase{"exactly_255", std::string(255, 'b'), std::string(255, 'b')},
        CutCase{"two_byte_fits", std::string(253, 'c') + kEAcute + "x",
                std::string(253, 'c') + kEAcute},
        CutCase{"two_byte_across", std::string(254, 'c') + kEAcute, std::string(254, 'c')},
        CutCase{"three_byte_across", std::string(253, 'd') + kEuro, std::string(253, 'd')},
        CutCase{"four_byte_across", std::string(252, 'e') + kSmile, std::string(252, 'e')},
        CutCase{"four_byte_fits", std::string(251, 'e') + kSmile + "z",
                std::string(251, 'e') + kSmile}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(UserMessageTest, FormatsItsArguments) {
    sendUserMessage("Decoding Failed for %s", "/music/set one.mp3");
    const auto messages = windows->messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Decoding Failed for /music/set one.mp3");
}

TEST_F(UserMessageTest, SenderWaitsUntilTheWindowHasHandledTheMessage) {
    std::atomic<bool> senderReturned{false};
    std::atomic<bool> handled{false};
    std::atomic<bool> returnedBeforeHandled{false};
    std::string seenThroughRecord;
    windows->onMessage = [&](const platform::HeadlessWindowSystem::Message& m) -> intptr_t {
        if (senderReturned.load(std::memory_order_acquire))
            returnedBeforeHandled.store(true);
        // The record lives on the sender's stack: it must still be there while we look.
        seenThroughRecord = reinterpret_cast<const UserMessage*>(m.wParam)->text;
        handled.store(true, std::memory_order_release);
        return 0;
    };
    std::thread decoder([&] {
        sendUserMessage("Can't open file for writing: %s", "/tmp/x.pls");
        senderReturned.store(true, std::memory_order_release);
        EXPECT_TRUE(handled.load(std::memory_order_acquire));
    });
    decoder.join();
    EXPECT_FALSE(returnedBeforeHandled.load());
    EXPECT_EQ(seenThroughRecord, "Can't open file for writing: /tmp/x.pls");
}

TEST_F(UserMessageTest, BeforeAnOwnerIsKnownTheMessageReachesNobody) {
    setOwnerWindow(0);
    EXPECT_EQ(sendUserMessage("Invalid or corrupted MP3 File"), -1);
    EXPECT_TRUE(windows->messages().empty());
}

TEST_F(UserMessageTest, TheOwnerIsTheWindowGivenToLoadOptions) {
    setOwnerWindow(0);
    OptionsRecord record{};
    klvLoadOptions(&record, 0x777);
    sendUserMessage("x");
    const auto messages = windows->messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].window, 0x777);
}

TEST_F(UserMessageTest, SendersOnManyThreadsDoNotShareTheirRecords) {
    constexpr int kThreads = 6;
    constexpr int kEach = 50;
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t)
        senders.emplace_back([t] {
            for (int n = 0; n < kEach; ++n)
                sendUserMessage("sender %d message %d %0*d", t, n, 200, t);
        });
    for (auto& sender : senders)
        sender.join();
    std::set<std::string> expected;
    for (int t = 0; t < kThreads; ++t)
        for (int n = 0; n < kEach; ++n)
            expected.insert("sender " + std::to_string(t) + " message " + std::to_string(n) + " " +
                            std::string(199, '0') + std::to_string(t));
    std::set<std::string> received;
    for (const auto& m : windows->messages())
        received.insert(m.text);
    EXPECT_EQ(received, expected);
}

TEST_F(UserMessageTest, MessageBoxHasItsCaptionIconAndOwner) {
    showMessageBox("Can't open %s", "/music/gone.mp3");
    setOwnerWindow(0);
    showMessageBox("%s", std::string(3000, 'm').c_str());
    const auto boxes = windows->boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].owner, kOwner);
    EXPECT_EQ(boxes[0].text, "Can't open /music/gone.mp3");
    EXPECT_EQ(boxes[0].caption, "KLV3 Message");
    EXPECT_EQ(boxes[0].flags, platform::kMbOk | platform::kMbIconExclamation);
    EXPECT_EQ(boxes[1].owner, 0) << "no owner before klvLoadOptions";
    EXPECT_EQ(boxes[1].text, std::string(2047, 'm'));
}

} // namespace
