#include "platform/store/settings_connection.h"

#include "platform/store/home.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace fs = std::filesystem;

namespace klv::platform {
namespace {

constexpr const char* kFileName = "registry.db";

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

// True when the store cannot be written at all (a read-only file system, an immutable file)
// and has no write-ahead log beside it, so the file alone holds every committed value.
bool isFrozen(const fs::path& path) {
    if (access(path.c_str(), W_OK) == 0 || (errno != EROFS && errno != EPERM && errno != EACCES))
        return false;
    struct stat st {};
    const fs::path logPath = fs::path(path) += "-wal";
    return stat(path.c_str(), &st) == 0 && stat(logPath.c_str(), &st) != 0 && errno == ENOENT;
}

std::string uriPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::string_view("/._-~").find(c) != std::string_view::npos) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xf];
        }
    }
    return uri;
}

} // namespace

SettingsConnection::FileStamp SettingsConnection::FileStamp::of(const struct stat& st) {
    return {st.st_dev,          st.st_ino,         st.st_size,        st.st_mtim.tv_sec,
            st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}

sqlite3* SettingsConnection::get() {
    const fs::path path = configDir() / kFileName;
    if (m_db && m_owner != getpid()) {
        // Inherited through fork() in the middle of another thread's call: the parent still
        // holds the store, so the child leaves that connection alone and opens its own.
        m_db = nullptr;
    }
    if (m_db && path != m_path)
        release();
    if (m_db) {
        m_openResult = SQLITE_OK;
        return m_db;
    }

    int rc = tryOpen(path);
    if (isNotADatabase(rc) && moveAside(path))
        rc = tryOpen(path);
    if (rc != SQLITE_OK && isFrozen(path))
        rc = openFrozen(path);
    m_openResult = rc;
    return rc == SQLITE_OK ? m_db : nullptr;
}

void SettingsConnection::release() {
    if (m_db && m_owner == getpid()) {
        // Closing folds the log into the file; what the file looks like afterwards is what
        // the next open compares against.
        struct stat st {};
        m_checked =
            sqlite3_close_v2(m_db) == SQLITE_OK && m_checked && stat(m_path.c_str(), &st) == 0;
        if (m_checked)
            m_checkedFile = FileStamp::of(st);
    }
    m_db = nullptr;
    m_path.clear();
}

void SettingsConnection::close() {
    release();
    m_checked = false;
}

std::string SettingsConnection::takeNotice() {
    std::string notice;
    notice.swap(m_notice);
    return notice;
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
        // No busy handler: a connection waiting inside SQLite keeps the locks it already
        // has, and two processes each holding a shared lock while waiting for the other's
        // would both wait out the whole timeout. The caller waits instead, with the
        // connection closed (see withStore()).
        // Set before the first access, so that the write-ahead log's index lives in this
        // connection's memory instead of a shared mapping of the "-shm" file: a mapped file
        // that turns read-only under the program (a file system remounted read-only after an
        // error) kills the process with SIGBUS at the next touch, where a plain read or
        // write just fails. The connection then holds the file to itself until it closes,
        // which is why it lives for one call only.
        rc = exec(db, "PRAGMA locking_mode=EXCLUSIVE");
    }
    if (rc == SQLITE_OK)
        rc = exec(db, "PRAGMA journal_mode=WAL");
    // Settings are written rarely and must survive a power cut right after the program
    // closes: every commit reaches the disk.
    if (rc == SQLITE_OK)
        rc = exec(db, "PRAGMA synchronous=FULL");
    // The structural check reads the whole file. A file that passed it and that nobody has
    // touched since this process closed it (same file, size and times) is not read again:
    // that would cost every settings call far more than its own work. A failure in between
    // forgets the file (close()), so a file damaged later is checked, and moved aside, at the
    // next open.
    if (rc == SQLITE_OK && stat(path.c_str(), &st) != 0)
        rc = SQLITE_CANTOPEN;
    const bool known = m_checked && FileStamp::of(st) == m_checkedFile;
    if (rc == SQLITE_OK && !known)
        rc = quickCheck(db);
    if (rc == SQLITE_OK && !known)
        rc = exec(db, kSchema);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        m_checked = false;
        return rc;
    }
    m_db = db;
    m_path = path;
    m_checked = true;
    m_owner = getpid();
    return SQLITE_OK;
}

int SettingsConnection::openFrozen(const fs::path& path) {
    // Nothing can change the file, so it is read as it is, without a log and without locks
    // (which would need write access). Writes through this connection fail.
    sqlite3* db = nullptr;
    const std::string uri = "file:" + uriPath(path.string()) + "?immutable=1";
    int rc = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        rc = quickCheck(db);
    }
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        return rc;
    }
    m_db = db;
    m_path = path;
    m_checked = false;
    m_owner = getpid();
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
