// The real program, started as a user starts it.

#include "app/shell/registry_text.h"
#include "tests/app/app_test_support.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// Generous bounds: they only keep a broken build from hanging the test run.
constexpr int kPatienceMs = 60000;

QProcessEnvironment programEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment(); // with KELVARA_HOME
    env.insert("KELVARA_AUDIO", "virtual");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

TEST(Program, SecondStartInTheSameHomeEndsSilentlyAndSigtermEndsTheFirstCleanly) {
    klv::test::clearStartupSettings();
    QProcess first;
    first.setProcessEnvironment(programEnvironment());
    first.start(KLV3_PROGRAM_PATH, {});
    ASSERT_TRUE(first.waitForStarted(kPatienceMs));

    // The options are stored only after the instance lock is held.
    QDeadlineTimer deadline(kPatienceMs);
    while (!klv::test::storedOptions() && first.state() == QProcess::Running &&
           !deadline.hasExpired())
        QTest::qWait(20);
    ASSERT_TRUE(klv::test::storedOptions()) << first.readAllStandardError().toStdString();
    ASSERT_EQ(first.state(), QProcess::Running);

    QProcess second;
    second.setProcessEnvironment(programEnvironment());
    second.start(KLV3_PROGRAM_PATH, {});
    ASSERT_TRUE(second.waitForFinished(kPatienceMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    ASSERT_EQ(kill(static_cast<pid_t>(first.processId()), SIGTERM), 0);
    ASSERT_TRUE(first.waitForFinished(kPatienceMs));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    // The shut-down ran: it leaves the run marked as ended.
    EXPECT_EQ(klv::app::getRegText("Settings", "Running", "missing"), "0");
}

} // namespace
