#pragma once
// Writes a whole file so that its old contents survive every failure (full disk, read-only
// folder, a crash half way): the new contents go to a temporary file beside the target, are
// flushed to the disk and then renamed over the old file in one step.
//
// [thread-safe] Each object belongs to one thread.

#include "platform/platform_api.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace klv::platform {

class KLV_PLATFORM_API ReplacingFile {
public:
    ReplacingFile() = default;
    // A temporary file that was not committed is removed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Starts the new contents of target. false with errno set when the target cannot be
    // replaced: its folder is missing or not writable, it is a folder, or it exists and is
    // read-only (like opening it for writing, a read-only file is not overwritten). A symbolic
    // link is followed, so the file it points to gets the new contents.
    bool begin(const std::filesystem::path& target);
    // Buffered; a failure is remembered and reported by commit().
    void write(std::string_view data);
    // Flushes, syncs and renames over the target. false with errno set on any failure; the
    // old file is then untouched and the temporary file gone.
    bool commit();

private:
    bool flush();
    void discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    int m_fd = -1;
    int m_error = 0;
    std::string m_buffer;
};

} // namespace klv::platform
