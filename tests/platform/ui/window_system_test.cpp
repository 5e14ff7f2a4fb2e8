#include "platform/ui/window_system.h"
#include "tests/doubles/headless_window_system.h"

#include "klv3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

using namespace klv::platform;

namespace {

// Leaves the silent stand-in registered whatever a test did.
class WindowSystemTest : public ::testing::Test {
protected:
    void TearDown() override { setWindowSystem(nullptr); }
};

TEST_F(WindowSystemTest, TheSilentStandInAnswersLikeAUserWhoChangesNothing) {
    WindowSystem& silent = windowSystem();
    struct Case {
        uint32_t flags;
        int answer;
    } cases[] = {
        {kMbOk, kIdOk},
        {kMbOk | kMbIconStop, kIdOk},
        {kMbOkCancel | kMbIconQuestion, kIdCancel},
        {kMbYesNo, kIdNo},
        {kMbYesNo | kMbIconExclamation, kIdNo},
    };
    for (const Case& c : cases)
        EXPECT_EQ(silent.messageBox(0, "text", "caption", c.flags), c.answer) << c.flags;

    UserMessage message{};
    std::strcpy(message.text, "nobody listens");
    EXPECT_EQ(
        silent.sendMessage(1234, KLV_MSG_USER_MESSAGE, reinterpret_cast<intptr_t>(&message), 0), 0);

    uint32_t custom[16];
    for (uint32_t i = 0; i < 16; ++i)
        custom[i] = 0x010101u * i;
    uint32_t chosen = 0xABCDEF;
    EXPECT_FALSE(silent.chooseColor(0, 0x123456, custom, chosen));
    EXPECT_EQ(chosen, 0xABCDEFu);
    for (uint32_t i = 0; i < 16; ++i)
        EXPECT_EQ(custom[i], 0x010101u * i);
    silent.showHelp(0, "/nowhere/help/index.html", 11, 0);
}

TEST_F(WindowSystemTest, RegisteringSwitchesTheImplementationAndNullRestoresTheStandIn) {
    WindowSystem* standIn = &windowSystem();
    HeadlessWindowSystem headless;
    setWindowSystem(&headless);
    EXPECT_EQ(&windowSystem(), &headless);
    windowSystem().showHelp(7, "help/index.html", 1, 42);
    ASSERT_EQ(headless.helpRequests().size(), 1u);
    setWindowSystem(nullptr);
    EXPECT_EQ(&windowSystem(), standIn);
    windowSystem().showHelp(7, "help/index.html", 1, 42);
    EXPECT_EQ(headless.helpRequests().size(), 1u);
}

TEST_F(WindowSystemTest, HeadlessCopiesTheUserMessageDuringTheCall) {
    HeadlessWindowSystem headless;
    std::vector<std::string> seenInside;
    headless.onMessage = [&](const HeadlessWindowSystem::Message& m) -> intptr_t {
        seenInside.push_back(m.text);
        return 77;
    };
    UserMessage message{};
    std::strcpy(message.text, "Invalid or corrupted MP3 File");
    message.level = 2;
    message.helpContext = 5;
    EXPECT_EQ(
        headless.sendMessage(99, KLV_MSG_USER_MESSAGE, reinterpret_cast<intptr_t>(&message), 0),
        77);
    // The sender reuses its record at once; the recorded copy must not change with it.
    std::memset(&message, 'X', sizeof message);

    // A record whose text fills the whole field without a terminating zero.
    UserMessage full;
    std::memset(&full, 'a', sizeof full);
    full.level = 1;
    full.helpContext = 0;
    headless.sendMessage(99, KLV_MSG_USER_MESSAGE, reinterpret_cast<intptr_t>(&full), 0);
    // Other messages are recorded as they are, their parameters not looked into.
    headless.sendMessage(98, 16, 3, 4);

    const auto messages = headless.messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].window, 99);
    EXPECT_EQ(messages[0].msg, static_cast<uint32_t>(KLV_MSG_USER_MESSAGE));
    EXPECT_EQ(messages[0].text, "Invalid or corrupted MP3 File");
    EXPECT_EQ(messages[0].level, 2);
    EXPECT_EQ(messages[0].helpContext, 5);
    EXPECT_EQ(messages[1].text, std::string(256, 'a'));
    EXPECT_EQ(messages[1].level, 1);
    EXPECT_EQ(messages[2].msg, 16u);
    EXPECT_EQ(messages[2].wParam, 3);
    EXPECT_EQ(messages[2].lParam, 4);
    EXPECT_TRUE(messages[2].text.empty());
    EXPECT_EQ(seenInside, (std::vector<std::string>{"Invalid or corrupted MP3 File",
                                                    std::string(256, 'a'), ""}));
}

TEST_F(WindowSystemTest, HeadlessRecordsBoxesColoursAndHelpAndAnswersFromItsScript) {
    HeadlessWindowSystem headless;
    headless.boxAnswer = kIdYes;
    EXPECT_EQ(headless.messageBox(5, "Really quit?", "Kelvara", kMbYesNo | kMbIconQuestion),
              kIdYes);

    uint32_t custom[16] = {};
    custom[3] = 0x0000FF;
    uint32_t chosen = 0x111111;
    EXPECT_FALSE(headless.chooseColor(5, 0x00FF00, custom, chosen)); // cancelled by default
    EXPECT_EQ(chosen, 0x111111u);

    headless.colorAccept = true;
    headless.colorAnswer = 0x336699;
    headless.colorSetCustom = true;
    std::fill_n(headless.colorCustomOut, 16, 0x0A0B0Cu);
    EXPECT_TRUE(headless.chooseColor(6, 0x00FF00, custom, chosen));
    EXPECT_EQ(chosen, 0x336699u);
    EXPECT_TRUE(std::all_of(custom, custom + 16, [](uint32_t c) { return c == 0x0A0B0Cu; }));

    headless.showHelp(5, "/opt/kelvara/help/index.html", 1, 1200);

    const auto boxes = headless.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, 5);
    EXPECT_EQ(boxes[0].text, "Really quit?");
    EXPECT_EQ(boxes[0].caption, "Kelvara");
    EXPECT_EQ(boxes[0].flags, kMbYesNo | kMbIconQuestion);

    const auto colors = headless.colorRequests();
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(colors[0].initial, 0x00FF00u);
    EXPECT_EQ(colors[0].customIn[3], 0x0000FFu);
    EXPECT_EQ(colors[1].owner, 6);
    EXPECT_EQ(colors[1].customIn[3], 0x0000FFu); // what was passed in, before the answer

    const auto help = headless.helpRequests();
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].helpFile, "/opt/kelvara/help/index.html");
    EXPECT_EQ(help[0].command, 1);
    EXPECT_EQ(help[0].data, 1200);

    headless.clear();
    EXPECT_TRUE(headless.messages().empty());
    EXPECT_TRUE(headless.boxes().empty());
    EXPECT_TRUE(headless.colorRequests().empty());
    EXPECT_TRUE(headless.helpRequests().empty());
}

TEST_F(WindowSystemTest, HeadlessRecordsEveryMessageFromManyThreads) {
    HeadlessWindowSystem headless;
    setWindowSystem(&headless);
    constexpr int kThreads = 6;
    constexpr int kEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i) {
                UserMessage message{};
                std::snprintf(message.text, sizeof message.text, "%d:%d", t, i);
                message.level = 2;
                windowSystem().sendMessage(1, KLV_MSG_USER_MESSAGE,
                                           reinterpret_cast<intptr_t>(&message), 0);
                // The record changes right after the call, as a sender's stack does.
                std::memset(message.text, 0, sizeof message.text);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::set<std::string> texts;
    for (const auto& m : headless.messages())
        texts.insert(m.text);
    EXPECT_EQ(texts.size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(texts.count("5:199"), 1u);
}

} // namespace
