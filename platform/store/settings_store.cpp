#include "platform/store/settings_store.h"

#include "platform/store/settings_connection.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace klv::platform {
namespace {

std::atomic<DiagnosticSink> g_sink{nullptr};

// How long a call waits for another process that holds the store, and how often it looks.
constexpr std::chrono::milliseconds kBusyWait{5000};
constexpr std::chrono::milliseconds kBusyRetry{1};

struct Outcome {
    RegResult result;
    int rc; // the SQLite result behind a failure, SQLITE_OK otherwise
};

Outcome ok(RegResult result) {
    return {result, SQLITE_OK};
}
Outcome failed(int rc) {
    return {RegResult::Failed, rc};
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int prepared() const { return m_rc; }
    sqlite3_stmt* get() const { return m_stmt; }
    void bind(int index, std::string_view text) {
        // SQLite takes a null pointer for NULL; an empty name is a real, empty name.
        sqlite3_bind_text64(m_stmt, index, text.data() ? text.data() : "", text.size(),
                            SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    void bind(int index, int64_t value) { sqlite3_bind_int64(m_stmt, index, value); }
    void bindBlob(int index, const void* data, size_t size) {
        // A zero-length value must stay a blob: a null pointer would store NULL.
        if (size == 0)
            sqlite3_bind_zeroblob(m_stmt, index, 0);
        else
            sqlite3_bind_blob64(m_stmt, index, data, size, SQLITE_TRANSIENT);
    }
    int step() { return sqlite3_step(m_stmt); }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc;
};

// Ends a write transaction: rolled back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : m_db(db) {
        // IMMEDIATE takes the write lock up front, so the busy timeout covers the whole write
        // instead of failing half-way when another process is writing.
        m_rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        m_open = m_rc == SQLITE_OK;
    }
    ~Transaction() {
        if (m_open)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    int begun() const { return m_rc; }
    int commit() {
        const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            m_open = false;
        return rc;
    }

private:
    sqlite3* m_db;
    int m_rc;
    bool m_open;
};

// "A\B\" names the same key as "A\B".
std::string_view keyName(std::string_view path) {
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return path;
}

int64_t rootColumn(uint32_t root) {
    return static_cast<int64_t>(root);
}

bool isBusy(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// Runs op on the store, opened for this call alone. A failure that says the file itself is
// broken, deleted or replaced runs op once more on a freshly opened and checked file. Another
// process holding the store makes the call wait, briefly, until it lets go. Notices about the
// store go to the sink after the lock is released, so a sink that logs, or even reads
// settings, cannot dead-lock.
template <class Op> RegResult withStore(RegResult unavailable, Op op) {
    using Clock = std::chrono::steady_clock;
    SettingsConnection& connection = settingsConnection();
    RegResult result = unavailable;
    std::string notice;
    {
        std::lock_guard lock(connection.mutex());
        const Clock::time_point giveUp = Clock::now() + kBusyWait;
        bool retriedFileError = false;
        for (;;) {
            sqlite3* db = connection.get();
            const Outcome outcome = db ? op(db) : failed(connection.openResult());
            result = db ? outcome.result : unavailable;
            if (outcome.rc == SQLITE_OK) {
                connection.release();
                break;
            }
            if (isBusy(outcome.rc) && Clock::now() < giveUp) {
                // Another process holds the store, or took it between our open and our first
                // access (a step SQLite's own busy wait does not cover): wait for it.
                connection.release();
                std::this_thread::sleep_for(kBusyRetry);
                continue;
            }
            if (!db)
                break;
            if (isStoreFileError(outcome.rc) && !retriedFileError) {
                retriedFileError = true;
                connection.close();
                continue;
            }
            connection.close();
            break;
        }
        notice = connection.takeNotice();
    }
    if (!notice.empty()) {
        if (DiagnosticSink sink = g_sink.load(std::memory_order_acquire))
            sink(notice.c_str());
    }
    return result;
}

Outcome findKey(sqlite3* db, uint32_t root, std::string_view path, int64_t& id) {
    Statement find(db, "SELECT id FROM keys WHERE root = ?1 AND path = ?2");
    if (find.prepared() != SQLITE_OK)
        return failed(find.prepared());
    find.bind(1, rootColumn(root));
    find.bind(2, keyName(path));
    const int rc = find.step();
    if (rc == SQLITE_ROW) {
        id = sqlite3_column_int64(find.get(), 0);
        return ok(RegResult::Ok);
    }
    return rc == SQLITE_DONE ? ok(RegResult::NoKey) : failed(rc);
}

Outcome insertKey(sqlite3* db, uint32_t root, std::string_view path) {
    Statement insert(db, "INSERT INTO keys(root, path) VALUES(?1, ?2) ON CONFLICT DO NOTHING");
    if (insert.prepared() != SQLITE_OK)
        return failed(insert.prepared());
    insert.bind(1, rootColumn(root));
    insert.bind(2, keyName(path));
    const int rc = insert.step();
    return rc == SQLITE_DONE ? ok(RegResult::Ok) : failed(rc);
}

} // namespace

bool regKeyExists(uint32_t root, std::string_view keyPath) {
    return withStore(RegResult::NoKey, [&](sqlite3* db) {
               int64_t id = 0;
               return findKey(db, root, keyPath, id);
           }) == RegResult::Ok;
}

RegResult regCreateKey(uint32_t root, std::string_view keyPath) {
    return withStore(RegResult::Failed, [&](sqlite3* db) {
        Transaction transaction(db);
        if (transaction.begun() != SQLITE_OK)
            return failed(transaction.begun());
        const Outcome inserted = insertKey(db, root, keyPath);
        if (inserted.rc != SQLITE_OK)
            return inserted;
        const int rc = transaction.commit();
        return rc == SQLITE_OK ? ok(RegResult::Ok) : failed(rc);
    });
}

RegResult regReadValue(uint32_t root, std::string_view keyPath, std::string_view name,
                       std::vector<uint8_t>& data, RegType* type) {
    data.clear();
    return withStore(RegResult::NoKey, [&](sqlite3* db) {
        // One statement, one snapshot: the key and its value are seen together.
        Statement read(db, R"sql(
            SELECT v.type, v.data, v.key_id IS NOT NULL FROM keys k
            LEFT JOIN "values" v ON v.key_id = k.id AND v.name = ?3
            WHERE k.root = ?1 AND k.path = ?2)sql");
        if (read.prepared() != SQLITE_OK)
            return failed(read.prepared());
        read.bind(1, rootColumn(root));
        read.bind(2, keyName(keyPath));
        read.bind(3, name);
        const int rc = read.step();
        if (rc == SQLITE_DONE)
            return ok(RegResult::NoKey);
        if (rc != SQLITE_ROW)
            return failed(rc);
        if (sqlite3_column_int(read.get(), 2) == 0)
            return ok(RegResult::NoValue);
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(read.get(), 1));
        const int size = sqlite3_column_bytes(read.get(), 1);
        if (bytes && size > 0)
            data.assign(bytes, bytes + size);
        if (type)
            *type = sqlite3_column_int(read.get(), 0) == static_cast<int>(RegType::String)
                        ? RegType::String
                        : RegType::Binary;
        return ok(RegResult::Ok);
    });
}

RegResult regWriteValue(uint32_t root, std::string_view keyPath, std::string_view name,
                        RegType type, const void* data, size_t size) {
    if (!data && size > 0)
        return RegResult::Failed;
    return withStore(RegResult::Failed, [&](sqlite3* db) {
        Transaction transaction(db);
        if (transaction.begun() != SQLITE_OK)
            return failed(transaction.begun());
        const Outcome inserted = insertKey(db, root, keyPath);
        if (inserted.rc != SQLITE_OK)
            return inserted;
        Statement write(db, R"sql(
            INSERT INTO "values"(key_id, name, type, data)
            SELECT id, ?3, ?4, ?5 FROM keys WHERE root = ?1 AND path = ?2
            ON CONFLICT(key_id, name) DO UPDATE SET type = excluded.type, data = excluded.data)sql");
        if (write.prepared() != SQLITE_OK)
            return failed(write.prepared());
        write.bind(1, rootColumn(root));
        write.bind(2, keyName(keyPath));
        write.bind(3, name);
        write.bind(4, static_cast<int64_t>(type));
        write.bindBlob(5, data, size);
        int rc = write.step();
        if (rc != SQLITE_DONE)
            return failed(rc);
        rc = transaction.commit();
        return rc == SQLITE_OK ? ok(RegResult::Ok) : failed(rc);
    });
}

RegResult regDeleteValue(uint32_t root, std::string_view keyPath, std::string_view name) {
    return withStore(RegResult::Failed, [&](sqlite3* db) {
        Transaction transaction(db);
        if (transaction.begun() != SQLITE_OK)
            return failed(transaction.begun());
        int64_t id = 0;
        const Outcome key = findKey(db, root, keyPath, id);
        if (key.result != RegResult::Ok)
            return key;
        Statement remove(db, R"sql(DELETE FROM "values" WHERE key_id = ?1 AND name = ?2)sql");
        if (remove.prepared() != SQLITE_OK)
            return failed(remove.prepared());
        remove.bind(1, id);
        remove.bind(2, name);
        int rc = remove.step();
        if (rc != SQLITE_DONE)
            return failed(rc);
        const bool removed = sqlite3_changes(db) > 0;
        rc = transaction.commit();
        if (rc != SQLITE_OK)
            return failed(rc);
        return ok(removed ? RegResult::Ok : RegResult::NoValue);
    });
}

void regClose() {
    SettingsConnection& connection = settingsConnection();
    std::lock_guard lock(connection.mutex());
    connection.close();
}

void setDiagnosticSink(DiagnosticSink sink) {
    g_sink.store(sink, std::memory_order_release);
}

} // namespace klv::platform
