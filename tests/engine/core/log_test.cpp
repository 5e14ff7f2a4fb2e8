#include "engine/core/log.h"
#include "klv3.h"
#include "tests/engine/core/core_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using klv::engine::closeLog;
using klv::engine::logEntry;
using klv::engine::logPath;
using klv::test::readFile;
using klv::test::writeFile;

// Splits the file at CR LF; fails the test on a bare LF or a last line without its CR LF.
std::vector<std::string> crlfLines(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        const size_t end = content.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line lacks CR LF: " << content.substr(start);
            break;
        }
        std::string line = content.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line break: " << line;
        lines.push_back(std::move(line));
        start = end + 2;
    }
    return lines;
}

struct Entry {
    uint32_t tick;
    uint32_t delta;
    std::string text;
};

// Checks the header and parses every entry line after it.
std::vector<Entry> parseLog(const std::string& content, uint32_t* headerTick = nullptr) {
    const std::vector<std::string> lines = crlfLines(content);
    std::vector<Entry> entries;
    if (lines.size() < 3) {
        ADD_FAILURE() << "no header in:\n" << content;
        return entries;
    }
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], std::string(55, '*'));
    std::smatch m;
    const std::regex started(R"(^(\d+)\tLogging Started$)");
    EXPECT_TRUE(std::regex_match(lines[2], m, started)) << lines[2];
    if (headerTick && !m.empty())
        *headerTick = static_cast<uint32_t>(std::stoul(m[1]));
    const std::regex entry(R"(^(\d+)\t\[(\d+)\]:\t(.*)$)");
    for (size_t i = 3; i < lines.size(); ++i) {
        if (!std::regex_match(lines[i], m, entry)) {
            ADD_FAILURE() << "not an entry line: " << lines[i];
            continue;
        }
        entries.push_back({static_cast<uint32_t>(std::stoul(m[1])),
                           static_cast<uint32_t>(std::stoul(m[2])), m[3]});
    }
    return entries;
}

// Every test starts a new run of the log, as a new process would.
class LogTest : public testing::Test {
protected:
    void SetUp() override {
        closeLog();
        std::error_code ec;
        std::filesystem::remove_all(logPath(), ec);
    }
    void TearDown() override { closeLog(); }
};

TEST_F(LogTest, FirstEntryOfARunEmptiesTheOldLogAndWritesTheHeader) {
    writeFile(logPath(), std::string(5000, 'o') + "\r\nold run\r\n");
    logEntry("Attempting Reopen: %s", "/music/a.mp3");
    logEntry("Fixed Slash");
    klvLogInfo("frmMain.Unload() - overflow");

    const std::string content = readFile(logPath());
    EXPECT_EQ(content.find("old run"), std::string::npos);
    uint32_t headerTick = 0;
    const std::vector<Entry> entries = parseLog(content, &headerTick);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, "Attempting Reopen: /music/a.mp3");
    EXPECT_EQ(entries[1].text, "Fixed Slash");
    EXPECT_EQ(entries[2].text, "[VB] frmMain.Unload() - overflow");

    EXPECT_EQ(entries[0].tick, headerTick);
    EXPECT_EQ(entries[0].delta, 0u);
    for (size_t i = 1; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].delta, entries[i].tick - entries[i - 1].tick);
}

TEST_F(LogTest, EntriesOfTheSameRunAreAppended) {
    logEntry("one");
    closeLog();
    logEntry("two");
    logEntry("three");
    const std::vector<Entry> entries = parseLog(readFile(logPath()));
    ASSERT_EQ(entries.size(), 2u) << "a new run starts with a fresh file";
    EXPECT_EQ(entries[0].text, "two");
    EXPECT_EQ(entries[1].text, "three");
}

TEST_F(LogTest, TextIsCutAt4095Characters) {
    logEntry("%s", std::string(5000, 'x').c_str());
    // 4094 ASCII characters and a two-byte character that would end past the limit.
    logEntry("%s\xc3\xa9tail", std::string(4094, 'y').c_str());
    const std::vector<Entry> entries = parseLog(readFile(logPath()));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, std::string(4095, 'x'));
    EXPECT_EQ(entries[1].text, std::string(4094, 'y'));
}

TEST_F(LogTest, ALogThatCannotBeOpenedLosesTheEntryAndTheNextEntryRetries) {
    // A folder in the log's place makes the open fail.
    std::filesystem::create_directory(logPath());
    logEntry("lost");
    EXPECT_TRUE(std::filesystem::is_directory(logPath()));
    std::filesystem::remove(logPath());

    logEntry("kept");
    const std::vector<Entry> entries = parseLog(readFile(logPath()));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].text, "kept");
    EXPECT_EQ(entries[0].delta, 0u);
}

TEST_F(LogTest, ConcurrentWritersNeverInterleaveTheirLines) {
    constexpr int kThreads = 8;
    constexpr int kEntries = 150;
    // Long lines make a torn write likely if lines were written in pieces.
    const std::string padding(600, '.');
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t, &padding] {
            for (int n = 0; n < kEntries; ++n)
                logEntry("writer %d entry %d %s end", t, n, padding.c_str());
        });
    }
    for (auto& writer : writers)
        writer.join();

    const std::vector<Entry> entries = parseLog(readFile(logPath()));
    ASSERT_EQ(entries.size(), static_cast<size_t>(kThreads * kEntries));
    const std::regex text(R"(^writer (\d+) entry (\d+) \.{600} end$)");
    std::map<int, int> nextOfWriter;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(entries[i].text, m, text)) << entries[i].text;
        const int writer = std::stoi(m[1]);
        EXPECT_EQ(std::stoi(m[2]), nextOfWriter[writer]++) << "entries of one writer in order";
        if (i > 0) {
            EXPECT_EQ(entries[i].delta, entries[i].tick - entries[i - 1].tick);
        }
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(nextOfWriter[t], kEntries);
}

} // namespace
