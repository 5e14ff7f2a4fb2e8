#pragma once
// The process's connection to registry.db, shared by every settings call and guarded by its
// mutex. It is opened for one call and closed at its end, so it always finds the store of the
// current configDir() and the file now at its path, and another process (a second program
// start, a helper tool) waits at most for one call. A file that is not a database is renamed
// aside, kept, and a fresh store started. A store that nothing can write any more (its file
// system remounted read-only) is still read.

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <mutex>
#include <string>

namespace klv::platform {

class SettingsConnection {
public:
    std::mutex& mutex() { return m_mutex; }

    // [caller holds mutex()] The connection for the current home, or null when the store
    // cannot be opened now (the next call tries again). It holds the store to itself, so
    // every settings call ends with release().
    sqlite3* get();
    // [caller holds mutex()] Why the last get() gave null.
    int openResult() const { return m_openResult; }
    // [caller holds mutex()] Closes the connection, letting other processes at the store;
    // the next get() opens it again.
    void release();
    // [caller holds mutex()] Closes the connection and forgets the file: the next get()
    // checks it afresh.
    void close();
    // [caller holds mutex()] A one-line notice about the store itself, once; empty if none.
    std::string takeNotice();

private:
    // What tells one state of a file from another without reading it.
    struct FileStamp {
        dev_t device;
        ino_t inode;
        off_t size;
        time_t modified;
        long modifiedNs;
        time_t changed;
        long changedNs;
        static FileStamp of(const struct stat& st);
        bool operator==(const FileStamp&) const = default;
    };

    int tryOpen(const std::filesystem::path& path);
    // Opens a store that nothing can write, for reading only.
    int openFrozen(const std::filesystem::path& path);
    bool moveAside(const std::filesystem::path& path);

    std::mutex m_mutex;
    sqlite3* m_db = nullptr;
    std::filesystem::path m_path;
    // The file that last passed the structural check, as this process left it.
    bool m_checked = false;
    FileStamp m_checkedFile{};
    pid_t m_owner = 0;
    int m_openResult = SQLITE_OK;
    std::string m_notice;
};

SettingsConnection& settingsConnection();

// Results that say the file under the connection is broken, gone or replaced: worth closing
// the connection and trying once more on a freshly checked file.
bool isStoreFileError(int rc);

} // namespace klv::platform
