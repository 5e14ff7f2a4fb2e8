// The whole program's desk as start-up builds it (main window, six lines, master section and
// crossfader) on the virtual output devices paced like a sound card:
//   DeskCpu/0 and DeskCpu/2: the process's CPU over 20 s with six lines loaded (120 s WAV
//     files), nothing playing and two playing (goal: under 10 % of one core);
//   DeskMemoryWhileTwoLinesLoop: the resident size while two 15 s songs loop, printed once a
//     minute for KLV_SOAK_MINUTES minutes (10 unless set).
// The desk is drawn on the display Qt is given; an X display (Xvfb, as README.md runs it) counts
// the painting as a user's screen would.

#include "app/decks/line_control.h"
#include "app/shell/default_options.h"
#include "app/shell/main_window.h"
#include "app/shell/program_state.h"
#include "app/shell/qt_window_system.h"
#include "app/shell/startup.h"
#include "klv3.h"
#include "platform/ui/window_system.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QRect>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using klv::app::LineControl;
using klv::bench::processCpuSeconds;
using klv::bench::wallSeconds;

constexpr int kLines = 6;
constexpr int kSettleMs = 2000;
constexpr int kCpuWindowMs = 20000;

// Lets the program's event loop run for ms milliseconds, as the program's own loop would.
void runEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A 16-bit stereo WAV at 44100 frames per second of one constant level (a quarter of full
// scale), seconds long, in the bench's home.
QString constantWav(const std::string& name, int seconds) {
    const std::filesystem::path path = klv::bench::benchHome() / name;
    klv::bench::writeWav(path, 44100u * static_cast<uint32_t>(seconds),
                         [](uint32_t) { return int16_t{8192}; });
    return QString::fromStdString(path.string());
}

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& row : status.readAll().split('\n')) {
        if (row.startsWith("VmRSS:"))
            return row.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// The desk started as the program starts it, on a 1024 x 768 monitor with two devices, and
// closed without the exit question.
class Desk {
public:
    bool start() {
        for (const char* name : {"Options", "Remain Time", "Navigator", "Running"})
            klvDelReg("Settings", name);
        OptionsRecord record;
        klv::app::assignDefaultOptions(record);
        record.NumLines = kLines;
        record.ConfirmExit = 2;
        klvSaveOptions(&record);
        m_main = std::make_unique<klv::app::MainWindow>(m_state);
        m_main->setMonitorRect([] { return QRect(0, 0, 1024, 768); });
        klv::app::StartupProviders providers = klv::app::StartupProviders::system();
        providers.deviceCount = [] { return 2u; };
        providers.screenWidth = [] { return 1024; };
        providers.arguments = [] { return QStringList(); }; // the bench's flags are not files
        m_startup = std::make_unique<klv::app::Startup>(*m_main, providers);
        if (m_startup->run() != klv::app::Startup::Outcome::Running ||
            m_main->lineCount() != kLines)
            return false;
        m_main->raise();
        return true;
    }

    ~Desk() {
        if (m_main && m_main->isVisible())
            m_main->closeWithoutQuestion();
        m_startup.reset();
        m_main.reset();
    }

    LineControl& line(int n) { return *m_main->line(n); }

private:
    klv::app::ProgramState m_state;
    std::unique_ptr<klv::app::MainWindow> m_main;
    std::unique_ptr<klv::app::Startup> m_startup;
};

void DeskCpu(benchmark::State& state) {
    const auto playing = static_cast<int>(state.range(0));
    Desk desk;
    if (!desk.start()) {
        state.SkipWithError("the desk did not start");
        return;
    }
    for (int n = 0; n < kLines; ++n)
        desk.line(n).loadFile(constantWav("cpu" + std::to_string(n) + ".wav", 120));
    for (int n = 0; n < playing; ++n)
        desk.line(n).pause();
    runEventsFor(kSettleMs);
    for (auto _ : state) {
        const double cpu0 = processCpuSeconds();
        const double wall0 = wallSeconds();
        runEventsFor(kCpuWindowMs);
        const double cpu = processCpuSeconds() - cpu0;
        const double wall = wallSeconds() - wall0;
        state.SetIterationTime(wall);
        state.counters["cpu_pct_of_core"] = 100.0 * cpu / wall;
    }
    int stillPlaying = 0;
    for (int n = 0; n < playing; ++n)
        stillPlaying += desk.line(n).state() == LineControl::State::Playing ? 1 : 0;
    state.counters["lines_playing"] = stillPlaying;
}

void DeskMemoryWhileTwoLinesLoop(benchmark::State& state) {
    const char* minutesText = std::getenv("KLV_SOAK_MINUTES");
    const int minutes = minutesText ? std::max(1, std::atoi(minutesText)) : 10;
    Desk desk;
    if (!desk.start()) {
        state.SkipWithError("the desk did not start");
        return;
    }
    for (int n = 0; n < kLines; ++n)
        desk.line(n).loadFile(constantWav("loop" + std::to_string(n) + ".wav", 15));
    for (int n = 0; n < 2; ++n) {
        desk.line(n).toggleLoop();
        desk.line(n).pause();
    }
    const auto bothPlaying = [&] {
        return desk.line(0).state() == LineControl::State::Playing &&
               desk.line(1).state() == LineControl::State::Playing;
    };
    for (auto _ : state) {
        const double wall0 = wallSeconds();
        const long atStart = residentKb();
        std::printf("RSS at start: %ld kB\n", atStart);
        long afterFirst = atStart;
        long now = atStart;
        for (int minute = 1; minute <= minutes; ++minute) {
            runEventsFor(60000);
            now = residentKb();
            if (minute == 1)
                afterFirst = now;
            std::printf("RSS after %d min: %ld kB, lines 1 and 2 %s\n", minute, now,
                        bothPlaying() ? "playing" : "STOPPED");
            std::fflush(stdout);
        }
        state.SetIterationTime(wallSeconds() - wall0);
        state.counters["rss_start_kB"] = static_cast<double>(atStart);
        state.counters["rss_1min_kB"] = static_cast<double>(afterFirst);
        state.counters["rss_end_kB"] = static_cast<double>(now);
        state.counters["both_playing"] = bothPlaying() ? 1 : 0;
    }
}

} // namespace

using benchmark::kSecond;
// The argument: how many lines play.
BENCHMARK(DeskCpu)->Arg(0)->Arg(2)->Iterations(1)->UseManualTime()->Unit(kSecond);
BENCHMARK(DeskMemoryWhileTwoLinesLoop)->Iterations(1)->UseManualTime()->Unit(kSecond);

int main(int argc, char** argv) {
    setenv("KELVARA_AUDIO", "virtual", 1); // before the first device call chooses the back end
    klv::bench::benchHome();
    QApplication app(argc, argv);
    // Boxes and engine messages go where the program sends them.
    klv::app::QtWindowSystem windows;
    klv::platform::setWindowSystem(&windows);
    const int result = klv::bench::runBenchmarks(argc, argv);
    klv::platform::setWindowSystem(nullptr);
    return result;
}
