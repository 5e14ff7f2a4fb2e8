#pragma once
// The process's one connection to registry.db, shared by every settings call and guarded by
// its mutex. It follows the home: it is opened lazily, and opened again when configDir()
// changes or the file at the path is no longer the one it has open (deleted or replaced).
// A file that is not a database is renamed aside, kept, and a fresh store started.

#include <sqlite3.h>
#include <sys/types.h>

#include <filesystem>
#include <mutex>
#include <string>

namespace klv::platform {

class SettingsConnection {
public:
    std::mutex& mutex() { return m_mutex; }

    // [caller holds mutex()] The connection for the current home, or null when the store
    // cannot be opened now (the next call tries again).
    sqlite3* get();
    // [caller holds mutex()] Closes the connection; the next get() opens it again and checks
    // the file afresh.
    void close();
    // [caller holds mutex()] A one-line notice about the store itself, once; empty if none.
    std::string takeNotice();

private:
    bool isStillOurFile(const std::filesystem::path& path) const;
    void forgetStaleFile();
    int tryOpen(const std::filesystem::path& path);
    bool moveAside(const std::filesystem::path& path);

    std::mutex m_mutex;
    sqlite3* m_db = nullptr;
    std::filesystem::path m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    // The write-ahead log the connection works with, to recognise it once the database file
    // beside it has been replaced.
    bool m_hasLog = false;
    dev_t m_logDevice = 0;
    ino_t m_logInode = 0;
    pid_t m_owner = 0;
    std::string m_notice;
};

SettingsConnection& settingsConnection();

// Results that say the file under the connection is broken, gone or replaced: worth closing
// the connection and trying once more on a freshly checked file.
bool isStoreFileError(int rc);

} // namespace klv::platform
