#include "platform/settings_connection.h"

#include "platform/home.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace fs = std::filesystem;

namespace klv::platform {
namespace {

constexpr const char* kFileName = "registry.db";
// Another process (a second program start, a test's child) may hold the write lock briefly.
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
    id INTEGER PRIMARY KEY,
    root INTEGER NOT NULL,
    path TEXT NOT NULL COLLATE NOCASE,
    UNIQUE(root, path));
CREATE TABLE IF NOT EXISTS "values"(
    key_id INTEGER NOT NULL REFERENCES keys(id),
    name TEXT NOT NULL COLLATE NOCASE,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key_id, name));
)sql";

bool isNotADatabase(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// A broken file usually shows itself at the first statement, not at sqlite3_open.
int exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// A cheap structural check, so that a damaged file is caught at open rather than half-way
// through a later write.
int quickCheck(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            rc = (text && std::string_view(text) == "ok") ? SQLITE_OK : SQLITE_CORRUPT;
        }
    }
    sqlite3_finalize(stmt);
    return rc;
}

// rename() that never replaces an existing file; false when the file could not be moved.
bool renameNoReplace(const fs::path& from, const fs::path& to, bool& targetTaken) {
    targetTaken = false;
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST) {
        targetTaken = true;
        return false;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without RENAME_NOREPLACE: check first, accepting the small race.
    std::error_code ec;
    if (fs::exists(to, ec)) {
        targetTaken = true;
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

} // namespace

sqlite3* SettingsConnection::get() {
    const fs::path path = configDir() / kFileName;
    if (m_db && m_owner != getpid()) {
        // Inherited through fork(): closing it here could checkpoint and remove the parent's
        // write-ahead log, so the child leaves it alone and opens its own.
        m_db = nullptr;
    }
    if (m_db && path != m_path)
        close();
    if (m_db && !isStillOurFile(path))
        forgetStaleFile();
    if (m_db)
        return m_db;

    int rc = tryOpen(path);
    if (isNotADatabase(rc) && moveAside(path))
        rc = tryOpen(path);
    return rc == SQLITE_OK ? m_db : nullptr;
}

void SettingsConnection::close() {
    if (m_db && m_owner == getpid())
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_path.clear();
    m_hasLog = false;
}

std::string SettingsConnection::takeNotice() {
    std::string notice;
    notice.swap(m_notice);
    return notice;
}

void SettingsConnection::forgetStaleFile() {
    // SQLite leaves the log of a database that was moved or deleted under it beside the path,
    // un-checkpointed. Left there, it would be replayed into whatever file now has that name.
    const bool hadLog = m_hasLog;
    const fs::path logPath = fs::path(m_path) += "-wal";
    close();
    struct stat st {};
    if (hadLog && stat(logPath.c_str(), &st) == 0 && st.st_dev == m_logDevice &&
        st.st_ino == m_logInode)
        unlink(logPath.c_str());
}

bool SettingsConnection::isStillOurFile(const fs::path& path) const {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && st.st_dev == m_device && st.st_ino == m_inode;
}

int SettingsConnection::tryOpen(const fs::path& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        // The store was deleted: a write-ahead log left beside the path belongs to the old
        // file, and replaying it into a new one would damage it.
        for (const char* suffix : {"-wal", "-shm"}) {
            fs::path stale = path;
            stale += suffix;
            unlink(stale.c_str());
        }
    }

    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        rc = exec(db, "PRAGMA journal_mode=WAL");
    }
    // Settings are written rarely and must survive a power cut right after the program
    // closes: every commit reaches the disk.
    if (rc == SQLITE_OK)
        rc = exec(db, "PRAGMA synchronous=FULL");
    if (rc == SQLITE_OK)
        rc = quickCheck(db);
    if (rc == SQLITE_OK)
        rc = exec(db, kSchema);
    if (rc == SQLITE_OK && stat(path.c_str(), &st) != 0)
        rc = SQLITE_CANTOPEN;
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        return rc;
    }
    m_db = db;
    m_path = path;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_owner = getpid();
    const fs::path logPath = fs::path(path) += "-wal";
    m_hasLog = stat(logPath.c_str(), &st) == 0;
    m_logDevice = st.st_dev;
    m_logInode = st.st_ino;
    return SQLITE_OK;
}

bool SettingsConnection::moveAside(const fs::path& path) {
    // Kept, never deleted: it may hold settings someone wants back.
    const std::string stamp = std::to_string(static_cast<long long>(std::time(nullptr)));
    fs::path target;
    bool taken = true;
    for (int n = 1; taken && n < 1000; ++n) {
        target = path;
        target += ".corrupt-" + stamp;
        if (n > 1)
            target += "-" + std::to_string(n);
        if (renameNoReplace(path, target, taken))
            break;
        if (!taken)
            return false;
    }
    if (taken)
        return false;
    for (const char* suffix : {"-wal", "-shm"}) {
        fs::path from = path;
        from += suffix;
        fs::path to = target;
        to += suffix;
        rename(from.c_str(), to.c_str());
    }
    m_notice = "Settings store " + path.string() + " was not a valid database: moved it to " +
               target.string() + " and started a fresh one";
    return true;
}

SettingsConnection& settingsConnection() {
    // Never destroyed, so a settings call made while other static objects are torn down still
    // finds a working store; the connection itself is closed at exit to fold the write-ahead
    // log back into the file, and a later call would simply open it again.
    static SettingsConnection* connection = [] {
        auto* created = new SettingsConnection;
        std::atexit([] {
            SettingsConnection& c = settingsConnection();
            std::lock_guard lock(c.mutex());
            c.close();
        });
        return created;
    }();
    return *connection;
}

bool isStoreFileError(int rc) {
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_READONLY: // includes the file having been moved or deleted under us
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
        return true;
    default:
        return false;
    }
}

} // namespace klv::platform
