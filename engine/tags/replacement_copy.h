#pragma once
// A file edited as a copy beside it that replaces it only when complete.
//
// open copies the file to ".name.klvtmp-XXXXXX" in its folder (a rename within one file
// system is atomic); the caller edits the copy through fd(); commit flushes it to the disk and
// renames it over the file, with the file's permissions (and owner, where allowed). Until
// commit succeeds the file is untouched, so a full disk, a crash or a refusal leaves it byte
// for byte; the destructor removes a copy that was not committed.

#include <string>

namespace klv::engine::tags {

class ReplacementCopy {
public:
    ReplacementCopy() = default;
    ~ReplacementCopy();
    ReplacementCopy(const ReplacementCopy&) = delete;
    ReplacementCopy& operator=(const ReplacementCopy&) = delete;

    // false with the reason a user reads ("The file is read-only").
    bool open(const std::string& path, std::string& reason);
    int fd() const { return m_fd; }
    // The file replaced (a symbolic link's target: the link stays).
    const std::string& target() const { return m_target; }
    bool commit(std::string& reason);

private:
    void discard();

    std::string m_target;
    std::string m_copy;
    int m_fd = -1;
};

// The user's words for a failed write's errno.
std::string writeFailure(int error);

} // namespace klv::engine::tags
