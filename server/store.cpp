#include "store.h"

#include <algorithm>
#include <sqlite3.h>
#include <stdexcept>

namespace tarnvale::server {

namespace {

constexpr const char *schema = R"sql(
CREATE TABLE IF NOT EXISTS requests (
    id INTEGER PRIMARY KEY,
    received TEXT NOT NULL,
    client TEXT NOT NULL,
    action TEXT NOT NULL,
    state TEXT NOT NULL,
    note TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS requests_action ON requests(action, state);
CREATE TABLE IF NOT EXISTS fields (
    request INTEGER NOT NULL REFERENCES requests(id),
    pos INTEGER NOT NULL,
    name BLOB NOT NULL,
    value BLOB NOT NULL,
    PRIMARY KEY (request, pos)
);
)sql";

// Fields keep their exact bytes, so they are bound and read as blobs.
std::string columnBytes(sqlite3_stmt *stmt, int column)
{
    const void *data = sqlite3_column_blob(stmt, column);
    const int size = sqlite3_column_bytes(stmt, column);
    return data ? std::string(static_cast<const char *>(data), static_cast<std::size_t>(size))
                : std::string();
}

std::string columnText(sqlite3_stmt *stmt, int column)
{
    const unsigned char *text = sqlite3_column_text(stmt, column);
    return text ? reinterpret_cast<const char *>(text) : "";
}

// A row of "SELECT id, received, client, action, state, note", without its fields.
Record readRecord(sqlite3_stmt *stmt)
{
    Record r;
    r.id = sqlite3_column_int64(stmt, 0);
    r.received = columnText(stmt, 1);
    r.client = columnText(stmt, 2);
    r.action = columnText(stmt, 3);
    r.state = columnText(stmt, 4);
    r.note = columnText(stmt, 5);
    return r;
}

void bindBytes(sqlite3_stmt *stmt, int index, const std::string &bytes)
{
    sqlite3_bind_blob(stmt, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void bindText(sqlite3_stmt *stmt, int index, const std::string &text)
{
    sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Finalises a statement when the scope ends.
struct Statement {
    sqlite3_stmt *stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

std::string initialState(const std::string &action)
{
    return action == "getlisted" ? "pending" : "open";
}

} // namespace

Store::Store(const std::string &path)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = "cannot open database " + path + ": " + sqlite3_errmsg(m_db);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw std::runtime_error(message);
    }
    try {
        // The moderation commands and the service use the database at the same time.
        sqlite3_busy_timeout(m_db, 10000);
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
        exec(schema);
        m_begin = prepare("BEGIN IMMEDIATE");
        m_commit = prepare("COMMIT");
        m_rollback = prepare("ROLLBACK");
        m_insertRequest =
            prepare("INSERT INTO requests(received, client, action, state) VALUES(?1, ?2, ?3, ?4)");
        m_insertField =
            prepare("INSERT INTO fields(request, pos, name, value) VALUES(?1,?2,?3,?4)");
    } catch (...) {
        close();
        throw;
    }
}

Store::~Store()
{
    close();
}

void Store::close()
{
    for (sqlite3_stmt *stmt : {m_begin, m_commit, m_rollback, m_insertRequest, m_insertField})
        sqlite3_finalize(stmt);
    m_begin = m_commit = m_rollback = m_insertRequest = m_insertField = nullptr;
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void Store::fail(const char *what)
{
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(m_db));
}

sqlite3_stmt *Store::prepare(const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        fail(sql);
    return stmt;
}

void Store::exec(const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = std::string(sql) + ": " + (error ? error : "failed");
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

std::int64_t Store::add(const std::string &action, const std::string &client, const Fields &fields)
{
    std::lock_guard lock(m_mutex);
    auto step = [this](sqlite3_stmt *stmt, const char *what) {
        const int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE)
            fail(what);
    };
    step(m_begin, "begin");
    try {
        bindText(m_insertRequest, 1, utcNow());
        bindText(m_insertRequest, 2, client);
        bindText(m_insertRequest, 3, action);
        bindText(m_insertRequest, 4, initialState(action));
        step(m_insertRequest, "insert request");
        sqlite3_clear_bindings(m_insertRequest);
        const std::int64_t id = sqlite3_last_insert_rowid(m_db);
        int pos = 0;
        for (const auto &[name, value] : fields) {
            sqlite3_bind_int64(m_insertField, 1, id);
            sqlite3_bind_int(m_insertField, 2, pos++);
            bindBytes(m_insertField, 3, name);
            bindBytes(m_insertField, 4, value);
            step(m_insertField, "insert field");
        }
        sqlite3_clear_bindings(m_insertField);
        step(m_commit, "commit");
        return id;
    } catch (...) {
        sqlite3_step(m_rollback);
        sqlite3_reset(m_rollback);
        throw;
    }
}

void Store::loadFields(Record &record)
{
    Statement q{prepare("SELECT name, value FROM fields WHERE request = ?1 ORDER BY pos")};
    sqlite3_bind_int64(q.stmt, 1, record.id);
    while (sqlite3_step(q.stmt) == SQLITE_ROW)
        record.fields.emplace_back(columnBytes(q.stmt, 0), columnBytes(q.stmt, 1));
}

std::vector<Record> Store::list(const std::vector<std::string> &actions, const std::string &state)
{
    std::lock_guard lock(m_mutex);
    Statement q{prepare("SELECT id, received, client, action, state, note FROM requests "
                        "WHERE action = ?1 AND (?2 = '' OR state = ?2) ORDER BY id")};
    std::vector<Record> records;
    for (const std::string &action : actions) {
        sqlite3_reset(q.stmt);
        bindText(q.stmt, 1, action);
        bindText(q.stmt, 2, state);
        while (sqlite3_step(q.stmt) == SQLITE_ROW) {
            records.push_back(readRecord(q.stmt));
        }
    }
    for (Record &r : records)
        loadFields(r);
    std::sort(records.begin(), records.end(),
              [](const Record &a, const Record &b) { return a.id < b.id; });
    return records;
}

std::optional<Record> Store::get(std::int64_t id)
{
    std::lock_guard lock(m_mutex);
    Statement q{prepare("SELECT id, received, client, action, state, note FROM requests "
                        "WHERE id = ?1")};
    sqlite3_bind_int64(q.stmt, 1, id);
    if (sqlite3_step(q.stmt) != SQLITE_ROW)
        return std::nullopt;
    Record r = readRecord(q.stmt);
    loadFields(r);
    return r;
}

void Store::setState(std::int64_t id, const std::string &state, const std::string &note)
{
    std::lock_guard lock(m_mutex);
    Statement q{prepare("UPDATE requests SET state = ?2, note = ?3 WHERE id = ?1")};
    sqlite3_bind_int64(q.stmt, 1, id);
    bindText(q.stmt, 2, state);
    bindText(q.stmt, 3, note);
    if (sqlite3_step(q.stmt) != SQLITE_DONE)
        fail("update state");
}

} // namespace tarnvale::server
