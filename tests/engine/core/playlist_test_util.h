#pragma once
// Shared by the playlist and tag tests: a fixture that starts and ends with every playlist
// closed and the current directory restored, the log's lines, and a way to make writes fail.

#include "engine/core/log.h"
#include "engine/core/user_message.h"
#include "klv3.h"
#include "tests/engine/core/core_test_util.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace klv::test {

constexpr KlvWindow kPlaylistOwner = 0x4711;

// How many log lines carry exactly this text.
inline int logCount(const std::string& text) {
    const std::string log = readFile(engine::logPath());
    const std::string needle = "\t" + text + "\r\n";
    int count = 0;
    for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1))
        ++count;
    return count;
}

inline std::vector<std::string> playlistItems(int32_t playlist) {
    std::vector<std::string> items;
    char buffer[KLV_PATH_BUFFER];
    const int32_t count = klvGetPlaylistCount(playlist);
    for (int32_t i = 0; i < count; ++i) {
        if (klvGetPlaylistFile(playlist, i, buffer) != 0)
            break;
        items.emplace_back(buffer);
    }
    return items;
}

inline std::vector<std::string> messageTexts(platform::HeadlessWindowSystem& windows) {
    std::vector<std::string> texts;
    for (const auto& message : windows.messages())
        texts.push_back(message.text);
    return texts;
}

class PlaylistTest : public testing::Test {
protected:
    void SetUp() override {
        closeAll();
        m_cwd = std::filesystem::current_path();
        engine::setOwnerWindow(kPlaylistOwner);
        // Paths in the lists are built from this, with its trailing separator.
        folder = dir.path().string() + "/";
    }
    void TearDown() override {
        closeAll();
        std::filesystem::current_path(m_cwd);
        engine::setOwnerWindow(0);
    }
    static void closeAll() {
        for (int32_t n = 0; n < 16; ++n)
            klvClosePlaylist(n);
    }
    // A playlist holding these items.
    static int32_t makePlaylist(const std::vector<std::string>& items) {
        const int32_t n = klvCreatePlaylist();
        for (const auto& item : items)
            klvAddPlaylistFile(n, -1, item.c_str());
        return n;
    }

    TempDir dir;
    std::string folder;
    ScopedWindowSystem windows;

private:
    std::filesystem::path m_cwd;
};

} // namespace klv::test
