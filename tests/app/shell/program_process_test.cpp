// The real program, started as a user starts it: on an X display of its own when the machine
// has Xvfb (otherwise Qt's offscreen platform), with the virtual sound devices.

#include "app/shell/default_options.h"
#include "app/shell/registry_text.h"
#include "tests/app/decks/master_audio_support.h"
#include "tests/app/support/app_test_support.h"
#include "tests/support/temp_home.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

namespace {

// Generous bounds: they only keep a broken build from hanging the test run.
constexpr int kPatienceMs = 60000;

// An X server for the program alone, so that it runs as on a desktop.
class VirtualDisplay {
public:
    VirtualDisplay() {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty())
            return;
        for (int n = 87; n < 120 && m_name.isEmpty(); ++n) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            m_server.start(xvfb, {QStringLiteral(":%1").arg(n), "-screen", "0", "1280x800x24",
                                  "-nolisten", "tcp"});
            QDeadlineTimer deadline(10000);
            while (m_server.state() != QProcess::NotRunning && !deadline.hasExpired() &&
                   !QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                QTest::qWait(20);
            if (m_server.state() == QProcess::Running)
                m_name = QStringLiteral(":%1").arg(n);
        }
    }
    ~VirtualDisplay() {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            m_server.waitForFinished(5000);
        }
    }
    // Empty when there is none.
    QString name() const { return m_name; }

private:
    QProcess m_server;
    QString m_name;
};

QProcessEnvironment programEnvironment(const QString& display = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment(); // with KELVARA_HOME
    env.insert("KELVARA_AUDIO", "virtual");
    if (display.isEmpty()) {
        env.insert("QT_QPA_PLATFORM", "offscreen");
    } else {
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", display);
    }
    return env;
}

// Waits until the started program has marked its run as running.
bool waitUntilRunning(QProcess& program) {
    QDeadlineTimer deadline(kPatienceMs);
    while (klv::app::getRegText("Settings", "Running", "0") != "1" &&
           program.state() == QProcess::Running && !deadline.hasExpired())
        QTest::qWait(20);
    return program.state() == QProcess::Running &&
           klv::app::getRegText("Settings", "Running", "0") == "1";
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

// A desk with two songs on the crossfader's sides survives being ended by the system however
// it asks, even with the exit question switched on, and even when it asks twice.
TEST(Program, EndedBySignalsItRunsTheShutDownAndTheNextStartFindsTheDesk) {
    VirtualDisplay display;
    if (display.name().isEmpty())
        std::fprintf(stderr, "no Xvfb: the program runs on the offscreen platform\n");
    klv::test::clearStartupSettings();
    OptionsRecord options;
    klv::app::assignDefaultOptions(options);
    options.ConfirmExit = 0; // would always ask a user
    ASSERT_EQ(klvSaveOptions(&options), 0);
    klv::app::setRegText("Settings", "Navigator", "0");
    std::string songs[2];
    for (int n = 0; n < 2; ++n) {
        const auto path = klv::test::testHome() / ("song" + std::to_string(n + 1) + ".wav");
        klv::test::writeConstantWav(path, klv::test::kLineSample, 30);
        songs[n] = path.string();
        const std::string line = "Line " + std::to_string(n + 1);
        klv::app::setRegText("Last Opened Files", line.c_str(), songs[n]);
        klv::app::setRegText("Settings", (line + " XFader").c_str(), std::to_string(n + 1));
    }

    const struct {
        std::vector<int> requests;
    } runs[] = {{{SIGHUP}}, {{SIGINT, SIGINT}}, {{SIGTERM, SIGHUP}}};
    for (const auto& run : runs) {
        QProcess program;
        program.setProcessEnvironment(programEnvironment(display.name()));
        program.start(KLV3_PROGRAM_PATH, {});
        ASSERT_TRUE(program.waitForStarted(kPatienceMs));
        ASSERT_TRUE(waitUntilRunning(program)) << program.readAllStandardError().toStdString();
        QTest::qWait(500); // the lines open their files
        for (int sig : run.requests)
            ASSERT_EQ(kill(static_cast<pid_t>(program.processId()), sig), 0);
        ASSERT_TRUE(program.waitForFinished(kPatienceMs));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << run.requests[0];
        EXPECT_EQ(program.exitCode(), 0) << run.requests[0];
        EXPECT_EQ(klv::app::getRegText("Settings", "Running", "missing"), "0");
        // The lines' CleanUp wrote back what they had re-opened.
        for (int n = 0; n < 2; ++n) {
            const std::string line = "Line " + std::to_string(n + 1);
            EXPECT_EQ(klv::app::getRegText("Last Opened Files", line.c_str(), "missing"), songs[n]);
            EXPECT_EQ(klv::app::getRegText("Settings", (line + " XFader").c_str(), "missing"),
                      std::to_string(n + 1));
        }
    }
}

} // namespace
