// The reader: what reaches the FileRing, how much of a short file it holds, the end of a file
// with and without looping, and read errors with reopening.

#include "engine/core/file_ring.h"
#include "engine/core/file_type.h"
#include "engine/core/line_threads.h"
#include "tests/engine/core/transport_test_util.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace klv::test {
namespace {

using engine::fileRingBuffered;
using engine::readerPass;

// A reader working on a real file, its passes driven by the test, which also plays the
// decoder's part by taking bytes out of the FileRing.
struct ReaderLine : HandSlot {
    void start(const std::string& path, bool wav) {
        std::strncpy(name, path.c_str(), sizeof(name) - 1);
        const int fd = engine::openAudioFile(path.c_str());
        ASSERT_GT(fd, 0);
        h.file = fd;
        h.isWave = wav ? 1 : 0;
        slot->dataEnd = static_cast<int32_t>(std::filesystem::file_size(path));
        if (wav) {
            ::lseek(fd, 44, SEEK_SET);
            slot->filePos = 44;
        }
    }
    ~ReaderLine() {
        if (h.file > 0)
            ::close(h.file);
    }

    uint32_t pass() { return readerPass(&h, *slot); }

    // Takes count bytes (all when -1) out of the FileRing.
    std::string take(int32_t count = -1) {
        if (count < 0)
            count = fileRingBuffered(*slot);
        std::string bytes;
        int32_t read = slot->fileRead % kFileRingBytes;
        for (int32_t i = 0; i < count; ++i) {
            bytes.push_back(static_cast<char>(fileRing[static_cast<size_t>(read)]));
            read = (read + 1) % kFileRingBytes;
        }
        slot->fileRead = read;
        return bytes;
    }

    // Passes until the reader reports the end of the file, the FileRing emptied after each.
    std::string readAll(int maxPasses = 100000) {
        std::string bytes;
        for (int i = 0; i < maxPasses && slot->endOfFile == 0; ++i) {
            pass();
            bytes += take();
        }
        return bytes;
    }
};

class ReaderTest : public LineTest {
protected:
    ReaderLine m_line;
};

TEST_F(ReaderTest, CopiesTheFileThroughTheRingAcrossItsWrap) {
    const auto path = fixture("mp3_48000_3min.mp3");
    m_line.start(path.string(), false);
    // Let the ring fill to its limit once, then drain it in odd amounts so that blocks cross the
    // end of the ring at many places.
    std::string bytes;
    for (int i = 0; i < 200; ++i)
        m_line.pass();
    EXPECT_GT(engine::fileRingFree(*m_line.slot), 0);
    EXPECT_LE(engine::fileRingFree(*m_line.slot), engine::kReaderBlock);
    for (int i = 0; m_line.slot->endOfFile == 0 && i < 100000; ++i) {
        bytes += m_line.take(std::min(fileRingBuffered(*m_line.slot), 5000 + i % 7));
        m_line.pass();
    }
    bytes += m_line.take();
    EXPECT_TRUE(bytes == readFile(path)) << bytes.size();
    EXPECT_EQ(m_line.slot->filePos, m_line.slot->dataEnd);
}

TEST_F(ReaderTest, NeverHoldsMoreThanHalfOfAShortFile) {
    const auto path = fixture("wav_300k_noise.wav");
    m_line.start(path.string(), true);
    const int32_t half = m_line.slot->dataEnd / 2;
    int32_t most = 0;
    // Nobody consumes: the reader must stop on its own.
    for (int i = 0; i < 200; ++i) {
        m_line.pass();
        most = std::max(most, fileRingBuffered(*m_line.slot));
    }
    EXPECT_LE(most, half);
    EXPECT_GE(most, half - 8192);
    EXPECT_EQ(m_line.slot->endOfFile, 0);
    // Consumed, the rest follows in order.
    std::string bytes = m_line.take() + m_line.readAll();
    EXPECT_TRUE(bytes == readFile(path).substr(44));
}

// A file far shorter than a conversion chunk is read to its end, so its line can finish.
TEST_F(ReaderTest, AVeryShortFileIsReadToItsEnd) {
    const std::string wav = readFile(fixture("wav_44100_16_stereo.wav")).substr(0, 10044);
    m_line.start(place("tiny.wav", wav), true);
    for (int i = 0; i < 20 && m_line.slot->endOfFile == 0; ++i)
        m_line.pass();
    EXPECT_EQ(m_line.slot->endOfFile, 1);
    EXPECT_TRUE(m_line.take() == wav.substr(44));
}

TEST_F(ReaderTest, ALoopingFileContinuesWithItsBeginning) {
    struct Case {
        const char* fixture;
        bool wav;
        size_t restart; // where the second pass begins
    };
    for (const Case& c :
         {Case{"wav_44100_16_mono.wav", true, 44}, Case{"mp3_zeros_20000.mp3", false, 20000}}) {
        SCOPED_TRACE(c.fixture);
        ReaderLine line;
        line.start(fixture(c.fixture).string(), c.wav);
        line.h.loop = 1;
        const std::string file = readFile(fixture(c.fixture));
        const size_t first = c.wav ? 44 : 0;
        const size_t wanted = (file.size() - first) + (file.size() - c.restart) / 2;
        std::string bytes;
        line.slot->byteRateCount = 57; // the decoder's average, restarted by the loop
        for (int i = 0; i < 100000 && bytes.size() < wanted; ++i) {
            line.pass();
            bytes += line.take();
        }
        ASSERT_GE(bytes.size(), wanted);
        const std::string expected = file.substr(first) + file.substr(c.restart);
        EXPECT_TRUE(bytes.substr(0, wanted) == expected.substr(0, wanted));
        EXPECT_EQ(line.slot->endOfFile, 0);
        EXPECT_EQ(line.slot->byteRateCount, c.wav ? 57 : 1);
    }
}

TEST_F(ReaderTest, AfterTheEndTheReaderWaitsAndSettingLoopRestartsIt) {
    const auto path = fixture("wav_44100_16_mono.wav");
    m_line.start(path.string(), true);
    const std::string file = readFile(path);
    EXPECT_TRUE(m_line.readAll() == file.substr(44));
    EXPECT_EQ(m_line.slot->filePos, m_line.slot->dataEnd);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(m_line.pass(), 1u);
    EXPECT_EQ(fileRingBuffered(*m_line.slot), 0);
    m_line.h.loop = 1;
    m_line.pass(); // notices the end once more and starts again
    m_line.pass();
    EXPECT_TRUE(m_line.take() == file.substr(44, 8192));
}

// A read that fails mid-file (the medium is gone): the file is closed and opened again by its
// path every 50 ms until that works, and reading goes on where it stopped.
TEST_F(ReaderTest, AReadErrorClosesTheFileAndItIsReopenedUntilItIsBack) {
    const std::string path = copyFixture("mp3_48000_3min.mp3", "song.mp3");
    const std::string file = readFile(path);
    m_line.start(path, false);
    std::string bytes;
    for (int i = 0; i < 10; ++i) {
        m_line.pass();
        bytes += m_line.take();
    }
    // The medium goes: reads now fail, and the path no longer opens.
    const int folder = ::open(m_dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(::dup2(folder, m_line.h.file), 0);
    ::close(folder);
    std::filesystem::rename(path, path + ".away");
    EXPECT_EQ(m_line.pass(), 50u);
    EXPECT_EQ(m_line.h.file, 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_line.pass(), 50u);
    EXPECT_EQ(countOccurrences(logText(), "Read Error, not EOF - Closing, will re-open in 100ms [" +
                                              path + "]"),
              1u);
    EXPECT_EQ(countOccurrences(logText(), "Attempting Reopen: " + path), 3u);

    std::filesystem::rename(path + ".away", path);
    bytes += m_line.readAll();
    EXPECT_GT(m_line.h.file, 0);
    EXPECT_EQ(countOccurrences(logText(), "Attempting Reopen: " + path), 4u);
    EXPECT_TRUE(bytes == file) << bytes.size() << " of " << file.size();
}

// A file that shrinks while it plays simply ends early.
TEST_F(ReaderTest, AFileThatShrinksEndsWhereItNowEnds) {
    const std::string path = copyFixture("mp3_48000_3min.mp3", "shrinking.mp3");
    m_line.start(path, false);
    for (int i = 0; i < 5; ++i)
        m_line.pass();
    std::filesystem::resize_file(path, 100000);
    const std::string bytes = m_line.take() + m_line.readAll(1000);
    EXPECT_EQ(m_line.slot->endOfFile, 1);
    EXPECT_EQ(bytes.size(), 100000u);
    EXPECT_EQ(logText().find("Read Error, not EOF - Closing, will re-open in 100ms [" + path),
              std::string::npos);
}

} // namespace
} // namespace klv::test
