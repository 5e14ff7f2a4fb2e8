#pragma once
// Lines on a test desk, playing real files through the real engine onto the test wave devices.
// The display tick of each line is a stepped timer: the test decides when a line looks at its
// handles, and the devices play a block only when the test lets them, so the song's position
// and the line's reactions move in lockstep.

#include "app/decks/line_control.h"
#include "app/shell/default_options.h"
#include "app/shell/interval_timer.h"
#include "tests/app/decks/master_audio_support.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/test_desk.h"
#include "tests/doubles/wave_test_backend.h"
#include "tests/support/temp_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace klv::test {

// The main window empties a crossfader side on every line; the recording desk does the same.
class LineDesk : public TestDesk {
public:
    using TestDesk::TestDesk;
    void clearXF(int32_t side) override {
        TestDesk::clearXF(side);
        for (app::LineControl* l : lines)
            l->clearXF(side);
    }
};

class LinesTest : public testing::Test {
protected:
    void SetUp() override {
        platform::wavetest::configure(2);
        app::assignDefaultOptions(state.options);
        state.options.SkipSilence = 0;
        klvSaveOptions(&state.options);
        klvSetMainVol(1.0f, 1.0f, 1.0f);
        // The master equalizer is silent until its bands are set, as the master section does.
        for (int32_t band = 0; band < 10; ++band)
            klvSetEQ(band, 0.0f);
        for (int i = 0; i < 3; ++i)
            addLine();
    }
    void TearDown() override {
        klvKillAudio();
        desk.lines.clear();
        lines.clear();
    }

    void addLine() {
        auto* timer = new app::SteppedTimer;
        const int number = static_cast<int>(lines.size());
        lines.push_back(std::make_unique<app::LineControl>(desk, number, nullptr, timer));
        timers.push_back(timer);
        desk.lines.push_back(lines.back().get());
        lines.back()->show();
    }

    app::LineControl& line(int n) { return *lines[static_cast<size_t>(n)]; }

    // A WAV of a constant level, seconds long, in the test's home.
    static QString wav(const char* name, int seconds) {
        const auto path = testHome() / name;
        writeConstantWav(path, kLineSample, seconds);
        return QString::fromStdString(path.string());
    }

    // A playlist (M3U) of the given files.
    static QString m3u(const char* name, const std::vector<QString>& files) {
        const QString path = QString::fromStdString((testHome() / name).string());
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        for (const QString& file : files)
            f.write((file + QStringLiteral("\n")).toUtf8());
        return path;
    }

    // The build's audio fixtures, beside the test program.
    static QString fixture(const char* name) {
        return QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("../fixtures/") + QString::fromLatin1(name));
    }

    void startAudio() { ASSERT_EQ(klvStartAudio(), 0); }

    // Lets each device play one block, then gives every line one display tick.
    void block() {
        const uint64_t requests = platform::wavetest::writeRequests(0);
        platform::wavetest::playOldest(0);
        platform::wavetest::playOldest(1);
        platform::wavetest::waitForWriteRequests(0, requests + 1, 2000);
        tick();
    }
    void tick() {
        for (app::SteppedTimer* t : timers)
            if (t->isActive())
                t->step();
    }
    // Plays blocks until done() holds; false when it never does within maxBlocks.
    bool playUntil(const std::function<bool()>& done, int maxBlocks = 3000) {
        for (int i = 0; i < maxBlocks; ++i) {
            if (done())
                return true;
            block();
        }
        return done();
    }

    // The largest left sample the main device played after index from.
    static int maxLeft(size_t from = 0) {
        const std::vector<int16_t> played = platform::wavetest::played(0);
        int most = 0;
        for (size_t i = from; i + 1 < played.size(); i += 2)
            most = std::max(most, std::abs(static_cast<int>(played[i])));
        return most;
    }

    ScopedHeadless headless;
    app::ProgramState state;
    LineDesk desk{state};
    std::vector<std::unique_ptr<app::LineControl>> lines;
    std::vector<app::SteppedTimer*> timers;
};

} // namespace klv::test
