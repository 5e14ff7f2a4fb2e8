#pragma once
// Helpers for the tests of files, decoding, streaming and transport: the build's audio
// fixtures, a line the test owns, a slot with real rings for driving one piece of the stream
// by hand, waiting for the line's threads, and the log.

#include "engine/core/log.h"
#include "engine/core/options_copy.h"
#include "engine/core/slot_pool.h"
#include "engine/core/user_message.h"
#include "klv3.h"
#include "platform/system/clock.h"
#include "tests/engine/core/core_test_util.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace klv::test {

inline std::filesystem::path fixture(const char* name) {
    return std::filesystem::path(KLV_FIXTURE_DIR) / name;
}

inline std::string logText() {
    return readFile(engine::logPath());
}

inline size_t countOccurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Engine options as the program's defaults have them for what the stream reads.
inline void useOptions(int32_t skipSilence, int32_t threshold = 15) {
    OptionsRecord options{};
    options.SkipSilence = skipSilence;
    options.SilenceThreshold = threshold;
    engine::replaceOptions(options);
}

inline int32_t load(int32_t& field) {
    return KLV_LOAD_FIELD(field);
}

// A LineHandle the test owns, closed when the test ends.
struct Line {
    LineHandle h{};
    explicit Line(int32_t index = 1) { h.index = index; }
    ~Line() { klvClose(&h); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    LineSlot& slot() { return *h.slot; }
};

// A slot outside the table with real rings, for driving the reader's and decoder's steps by
// hand without threads.
struct HandSlot {
    std::unique_ptr<LineSlot> slot = std::make_unique<LineSlot>();
    std::unique_ptr<uint8_t[]> fileRing = std::make_unique<uint8_t[]>(kFileRingBytes);
    std::unique_ptr<Frame[]> sampleRing = std::make_unique<Frame[]>(kSampleRingFrames);
    std::unique_ptr<Frame[]> resample =
        std::make_unique<Frame[]>(kResampleBufferBytes / sizeof(Frame));
    LineHandle h{};
    char name[KLV_PATH_BUFFER] = {};

    HandSlot() {
        engine::clearSlot(*slot);
        slot->fileRing = fileRing.get();
        slot->sampleRing = sampleRing.get();
        slot->resampleBuffer = reinterpret_cast<uint8_t*>(resample.get());
        slot->pitch = 1000;
        h.slot = slot.get();
        h.fileName = name;
        h.state = 1;
    }
    ~HandSlot() { engine::clearSlot(*slot); }

    // Appends bytes to the FileRing as the reader does.
    void putFileBytes(const std::string& bytes) {
        int32_t write = slot->fileWrite.load() % kFileRingBytes;
        for (char c : bytes) {
            fileRing[static_cast<size_t>(write)] = static_cast<uint8_t>(c);
            write = (write + 1) % kFileRingBytes;
        }
        slot->fileWrite.store(write);
    }

    // Takes every frame out of the SampleRing as the output thread would.
    std::vector<Frame> takeFrames() {
        std::vector<Frame> frames;
        int32_t read = slot->sampleRead.load();
        const int32_t write = slot->sampleWrite.load();
        while (read != write) {
            frames.push_back(sampleRing[static_cast<size_t>(read)]);
            read = (read + 1) % kSampleRingFrames;
        }
        slot->sampleRead.store(read);
        return frames;
    }
};

// The program's side of a test: a headless window system that records messages and boxes, an
// owner window, a folder for files the test makes, and options without the silence skip.
class LineTest : public testing::Test {
protected:
    void SetUp() override {
        engine::setOwnerWindow(kOwner);
        useOptions(0);
    }
    void TearDown() override { engine::setOwnerWindow(0); }

    std::vector<std::string> userMessages() const { return m_windows.userMessages(); }
    std::vector<std::string> boxes() const { return m_windows.boxes(); }
    // A file in the test's folder with the given bytes, or a copy of a fixture.
    std::string place(const std::string& name, const std::string& bytes) {
        const auto path = m_dir.path() / name;
        writeFile(path, bytes);
        return path.string();
    }
    std::string copyFixture(const char* fixtureName, const std::string& name) {
        return place(name, readFile(fixture(fixtureName)));
    }

    static constexpr KlvWindow kOwner = 0x4242;
    ScopedWindowSystem m_windows;
    TempDir m_dir;
};

} // namespace klv::test
