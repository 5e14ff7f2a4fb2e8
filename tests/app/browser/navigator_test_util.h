#pragma once
// Helpers of the navigator and file queue tests: a folder of real files the engine can judge
// (WAV tones, silent MP3 frames, playlists, links), and a navigator on a test desk with the
// default options and timers the test steps itself.

#include "app/browser/navigator_window.h"
#include "app/shell/default_options.h"
#include "app/shell/interval_timer.h"
#include "app/shell/program_state.h"
#include "tests/app/support/test_desk.h"
#include "tests/support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace klv::test {

inline void putLe(std::string& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A 16-bit stereo WAV at 44100 frames per second: a quiet 440 Hz tone of seconds length.
inline std::string wavTone(double seconds) {
    const uint32_t frames = static_cast<uint32_t>(seconds * 44100);
    std::string bytes = "RIFF";
    putLe(bytes, 36 + frames * 4, 4);
    bytes += "WAVEfmt ";
    putLe(bytes, 16, 4);
    putLe(bytes, 1, 2);
    putLe(bytes, 2, 2);
    putLe(bytes, 44100, 4);
    putLe(bytes, 44100 * 4, 4);
    putLe(bytes, 4, 2);
    putLe(bytes, 16, 2);
    bytes += "data";
    putLe(bytes, frames * 4, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<int16_t>(8000 * std::sin(i * 2 * M_PI * 440 / 44100));
        putLe(bytes, static_cast<uint16_t>(sample), 2);
        putLe(bytes, static_cast<uint16_t>(sample), 2);
    }
    return bytes;
}

// MPEG-1 Layer III frames at 128 kbit/s and 44100 Hz whose side information is all zero: a
// valid stream that decodes to silence.
inline std::string silentMp3(int frames) {
    std::string frame(417, '\0');
    frame[0] = static_cast<char>(0xFF);
    frame[1] = static_cast<char>(0xFB);
    frame[2] = static_cast<char>(0x90);
    frame[3] = static_cast<char>(0x64);
    std::string bytes;
    for (int i = 0; i < frames; ++i)
        bytes += frame;
    return bytes;
}

// A folder tree the test fills; paths are given relative to its root.
class MusicFolder {
public:
    QString root() const { return QString::fromStdString(m_dir.path().string()); }
    QString path(const QString& relative) const { return root() + u'/' + relative; }

    void folder(const QString& relative) const { QDir().mkpath(path(relative)); }
    void file(const QString& relative, const std::string& bytes) const {
        const std::filesystem::path where = m_dir.path() / relative.toStdString();
        std::filesystem::create_directories(where.parent_path());
        std::ofstream(where, std::ios::binary) << bytes;
    }
    void wav(const QString& relative, double seconds = 0.5) const {
        file(relative, wavTone(seconds));
    }
    void mp3(const QString& relative) const { file(relative, silentMp3(40)); }
    void link(const QString& relative, const QString& target) const {
        QFile::link(path(target), path(relative));
    }

private:
    TempDir m_dir;
};

// Default options on a test desk, and the navigator built over it with stepped timers.
class NavigatorBench {
public:
    NavigatorBench() { app::assignDefaultOptions(state.options); }

    app::Navigator& open() {
        stopTimer = new app::SteppedTimer;
        tabTimer = new app::SteppedTimer;
        navigator = std::make_unique<app::Navigator>(desk, nullptr,
                                                     app::NavigatorTimers{stopTimer, tabTimer});
        desk.nav = navigator.get();
        navigator->resize(900, 400);
        return *navigator;
    }
    void close() {
        desk.nav = nullptr;
        navigator.reset();
    }
    void restrictTo(const QString& folder, bool lockNav = true) {
        state.options.LockEnabled = 1;
        state.options.LockNav = lockNav ? 1 : 0;
        app::putOptionText(state.options.NavDir, sizeof state.options.NavDir, folder.toStdString());
    }

    app::ProgramState state;
    TestDesk desk{state};
    std::unique_ptr<app::Navigator> navigator;
    app::SteppedTimer* stopTimer = nullptr;
    app::SteppedTimer* tabTimer = nullptr;
};

} // namespace klv::test
