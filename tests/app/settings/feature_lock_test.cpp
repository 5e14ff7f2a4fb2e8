#include "app/settings/feature_lock.h"

#include "app/settings/feature_lock_page.h"
#include "app/settings/input_dialog.h"
#include "app/settings/password_scramble.h"
#include "app/shell/message_route.h"
#include "app/shell/registry_text.h"
#include "tests/app/support/app_test_support.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <vector>

namespace klv::app {
namespace {

using platform::kMbIconExclamation;
using platform::kMbIconInformation;
using platform::kMbOk;

TEST(PasswordScramble, TwentyCapitalLettersThatOnlyTheFirstTwentyCharactersDecide) {
    const QString plain = scramblePassword("door");
    ASSERT_EQ(plain.size(), kPasswordLength);
    for (QChar c : plain)
        EXPECT_TRUE(c >= u'A' && c <= u'Z') << plain.toStdString();
    EXPECT_EQ(scramblePassword("door"), plain); // the same every time: it restarts its generator
    EXPECT_NE(scramblePassword("Door"), plain);
    EXPECT_NE(scramblePassword("door "), scramblePassword("door!"));
    // Padding is with spaces: a password that ends in spaces scrambles like the shorter one.
    EXPECT_EQ(scramblePassword("door   "), plain);
    // Past character 20 nothing counts.
    EXPECT_EQ(scramblePassword("abcdefghijklmnopqrstUVW"),
              scramblePassword("abcdefghijklmnopqrstXYZ"));
    EXPECT_NE(scramblePassword("abcdefghijklmnopqrsT"), scramblePassword("abcdefghijklmnopqrst"));
    // Characters beyond Latin-1 count as one character each and still give letters.
    const QString wide = scramblePassword(QString::fromUtf8("K\xC3\xB6ln \xF0\x9F\x8E\xB5"));
    EXPECT_EQ(wide.size(), kPasswordLength);
    // Different passwords of the venue's kind come out different.
    std::set<QString> seen;
    for (const char* p : {"a", "b", "aa", "ab", "ba", "admin", "Admin", "12345", "54321", ""})
        seen.insert(scramblePassword(p));
    EXPECT_EQ(seen.size(), 10u);
}

TEST(PasswordScramble, GeneratorIsTheDocumentedOne) {
    ScrambleRandom random;
    uint32_t x = ScrambleRandom::kSeed;
    for (int i = 0; i < 5; ++i) {
        x = 1664525u * x + 1013904223u;
        const double r = random.next();
        EXPECT_DOUBLE_EQ(r, x / 4294967296.0);
        EXPECT_GE(r, 0.0);
        EXPECT_LT(r, 1.0);
    }
}

// A feature lock on its own options, with scripted password answers and recorded messages.
class FeatureLockTest : public testing::Test, public MessageTarget {
protected:
    FeatureLockTest() : lock(options) {
        klvDelReg("Install", "Admin Password");
        setMessageTarget(this);
        lock.setAskPassword([this](const QString& prompt) {
            prompts.push_back(prompt);
            if (answers.empty())
                return QString();
            const QString answer = answers.front();
            answers.pop_front();
            return answer;
        });
        lock.setLockChanged([this] { ++lockChanges; });
    }
    ~FeatureLockTest() override { setMessageTarget(nullptr); }

    int32_t statusLevel() const override { return 2; }
    platform::WindowHandle messageOwner() const override { return 0x4242; }
    void showStatusMessage(const QString& text, int32_t level, int32_t) override {
        EXPECT_EQ(level, 0) << text.toStdString();
        status.push_back(text);
    }

    void storePassword(const QString& password) {
        setRegText("Install", "Admin Password", scramblePassword(password).toStdString());
    }
    void enableLocking(int32_t lockOptions, int32_t lockPlugins, int32_t lockId3) {
        options.LockEnabled = 1;
        options.LockOptions = lockOptions;
        options.LockPlugins = lockPlugins;
        options.LockID3 = lockId3;
    }

    test::ScopedHeadless windows;
    OptionsRecord options{};
    FeatureLock lock;
    std::deque<QString> answers;
    std::vector<QString> prompts;
    std::vector<QString> status;
    int lockChanges = 0;
};

TEST_F(FeatureLockTest, GuardedFeaturesAskOnlyWhereTheirFlagIsSet) {
    storePassword("venue");
    enableLocking(0, 1, 0);
    EXPECT_TRUE(lock.mayOpen(GuardedFeature::Options)); // not guarded: no question
    EXPECT_TRUE(lock.mayOpen(GuardedFeature::Id3Tags));
    EXPECT_TRUE(prompts.empty());
    EXPECT_TRUE(lock.locked());

    EXPECT_FALSE(lock.mayOpen(GuardedFeature::Plugins)); // cancelled
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0], "Please Enter Password");
    EXPECT_EQ(status, std::vector<QString>{"Password Required to Manage Plugins"});
}

TEST_F(FeatureLockTest, RefusalsCarryTheFeaturesMessage) {
    storePassword("venue");
    enableLocking(1, 1, 1);
    const struct {
        GuardedFeature feature;
        const char* answer; // null: cancelled
        std::vector<QString> messages;
    } cases[] = {
        {GuardedFeature::Options, nullptr, {"Password Required to Change Options"}},
        {GuardedFeature::Plugins,
         "wrong",
         {"Password Incorrect", "Password Required to Manage Plugins"}},
        {GuardedFeature::Id3Tags,
         "Venue",
         {"Password Incorrect", "Password Required to Modify ID3 Tags"}},
    };
    for (const auto& c : cases) {
        status.clear();
        if (c.answer)
            answers.push_back(c.answer);
        EXPECT_FALSE(lock.mayOpen(c.feature));
        EXPECT_EQ(status, c.messages);
        EXPECT_TRUE(lock.locked());
    }
    EXPECT_EQ(lockChanges, 0);
}

TEST_F(FeatureLockTest, OneCorrectPasswordOpensEverythingUntilTheLockButton) {
    storePassword("venue");
    enableLocking(1, 1, 1);
    answers.push_back("venue");
    EXPECT_TRUE(lock.mayOpen(GuardedFeature::Options));
    EXPECT_EQ(lockChanges, 1);
    EXPECT_FALSE(lock.locked());
    EXPECT_TRUE(lock.mayOpen(GuardedFeature::Plugins));
    EXPECT_TRUE(lock.mayOpen(GuardedFeature::Id3Tags));
    EXPECT_TRUE(lock.mayOpenFeatureLockPage());
    EXPECT_EQ(prompts.size(), 1u); // asked once

    lock.pressLockButton(); // open and enabled: locks again
    EXPECT_TRUE(lock.locked());
    EXPECT_EQ(lockChanges, 2);
    EXPECT_FALSE(lock.authenticate(false)); // no question without ask
    EXPECT_EQ(prompts.size(), 1u);

    answers.push_back("venue");
    lock.pressLockButton(); // locked: asks, and opens
    EXPECT_EQ(prompts.size(), 2u);
    EXPECT_FALSE(lock.locked());
    EXPECT_EQ(lockChanges, 3);
    EXPECT_TRUE(status.empty());
}

TEST_F(FeatureLockTest, OnlyTheFirstTwentyCharactersOfThePasswordCount) {
    storePassword("abcdefghijklmnopqrstUVW");
    enableLocking(1, 0, 0);
    answers.push_back("abcdefghijklmnopqrstXYZ");
    EXPECT_TRUE(lock.authenticate(true));
}

TEST_F(FeatureLockTest, LockingTurnedOffClearsTheFlagAtTheNextCheck) {
    storePassword("venue");
    enableLocking(1, 1, 1);
    answers.push_back("venue");
    ASSERT_TRUE(lock.authenticate(true));
    options.LockEnabled = 0; // the options dialog turned it off
    EXPECT_TRUE(lock.authenticate(false));
    EXPECT_FALSE(lock.authenticated());
    options.LockEnabled = 1; // and on again: the earlier password no longer counts
    EXPECT_TRUE(lock.locked());
    EXPECT_FALSE(lock.authenticate(false));
}

TEST_F(FeatureLockTest, LockButtonWithoutLockingTellsWhereToConfigureIt) {
    options.LockEnabled = 0;
    lock.pressLockButton();
    EXPECT_EQ(status,
              std::vector<QString>{
                  "You must configure Feature Locking in the Options dialog in order to lock KLV"});
    EXPECT_EQ(lockChanges, 0);
    EXPECT_TRUE(prompts.empty());
}

TEST_F(FeatureLockTest, FeatureLockPageAlwaysAsksAndRefusesWithABox) {
    storePassword("venue");
    enableLocking(0, 0, 0);
    EXPECT_FALSE(lock.mayOpenFeatureLockPage());
    const auto boxes = windows.system.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Authentication Required");
    EXPECT_EQ(boxes[0].text, "Authentication is required to modify these options");
    EXPECT_EQ(boxes[0].flags, kMbOk | kMbIconInformation);
    EXPECT_EQ(boxes[0].owner, 0x4242);
    EXPECT_EQ(prompts.size(), 1u);
    EXPECT_TRUE(status.empty());

    options.LockEnabled = 0; // nothing locked: the page opens
    EXPECT_TRUE(lock.mayOpenFeatureLockPage());
}

TEST_F(FeatureLockTest, SettingThePasswordAsksTwiceUntilBothAgree) {
    answers = {"first", "frist", "second", "second"};
    EXPECT_TRUE(lock.changePassword());
    const std::vector<QString> expectedPrompts = {"Enter New Password", "Re-Enter Password",
                                                  "Enter New Password", "Re-Enter Password"};
    EXPECT_EQ(prompts, expectedPrompts);
    EXPECT_EQ(FeatureLock::storedPassword(), scramblePassword("second"));
    const auto boxes = windows.system.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Verification Error");
    EXPECT_EQ(boxes[0].text, "Your passwords did not match");
    EXPECT_EQ(boxes[0].flags, kMbOk | kMbIconExclamation);
    EXPECT_EQ(boxes[1].caption, "Password Changed");
    EXPECT_EQ(boxes[1].text, "Password has been Changed");
    EXPECT_EQ(boxes[1].flags, kMbOk | kMbIconInformation);

    // Cancelling the first question ends without change.
    prompts.clear();
    answers = {};
    EXPECT_FALSE(lock.changePassword());
    EXPECT_EQ(prompts.size(), 1u);
    EXPECT_EQ(FeatureLock::storedPassword(), scramblePassword("second"));
}

TEST_F(FeatureLockTest, PasswordIsAskedWithTheInputDialog) {
    storePassword("venue");
    enableLocking(1, 0, 0);
    FeatureLock real(options); // its own question: frmGetInput
    QString title;
    test::ModalResponder responder([&](QWidget* modal) {
        auto* dialog = qobject_cast<InputDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        QTest::keyClicks(dialog->inputEdit(), "venue");
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(real.authenticate(true));
    EXPECT_EQ(title, "Enter Password");
}

TEST(FeatureLockPage, EnablingFollowsThePasswordAndTheBoxes) {
    const struct {
        bool password, lockEnabled, lockNav;
        FeatureLockPageState expected;
    } cases[] = {
        {false, false, false, {false, false, false, false, false, "S&et"}},
        {false, true, true, {false, false, false, false, false, "S&et"}}, // unchecked by force
        {true, false, false, {false, true, true, false, false, "Chang&e"}},
        {true, false, true, {false, true, true, false, false, "Chang&e"}},
        {true, true, false, {true, true, true, true, false, "Chang&e"}},
        {true, true, true, {true, true, true, true, true, "Chang&e"}},
    };
    for (const auto& c : cases) {
        const FeatureLockPageState s = featureLockPageState(c.password, c.lockEnabled, c.lockNav);
        const auto& e = c.expected;
        const auto label = testing::Message() << c.password << c.lockEnabled << c.lockNav;
        EXPECT_EQ(s.lockEnabledChecked, e.lockEnabledChecked) << label;
        EXPECT_EQ(s.lockEnabledEnabled, e.lockEnabledEnabled) << label;
        EXPECT_EQ(s.frameEnabled, e.frameEnabled) << label;
        EXPECT_EQ(s.featureBoxesEnabled, e.featureBoxesEnabled) << label;
        EXPECT_EQ(s.navDirEnabled, e.navDirEnabled) << label;
        EXPECT_EQ(s.passwordCaption, e.passwordCaption) << label;
    }
}

} // namespace
} // namespace klv::app
