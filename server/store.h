#pragma once

#include "text.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tarnvale::server {

// One form received by the request script, with every field as decoded.
struct Record {
    std::int64_t id = 0;
    std::string received; // UTC, ISO 8601
    std::string client;   // the address the request came from
    std::string action;   // brokenlink, badmod, getlisted or bug
    std::string state;    // open for reports and bugs; pending, approved or rejected
    std::string note;     // what the moderator did, in words
    Fields fields;        // in the order they were sent
};

// The database of reports, bug reports and submissions. SQLite in WAL mode with full
// synchronisation: add() returns only once the record is on disk, so a reply sent after it
// never announces something a crash could lose. Safe to use from several threads.
class Store {
public:
    // Opens or creates the database; throws std::runtime_error when it cannot.
    explicit Store(const std::string &path);
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // Stores one form in one transaction; returns its id.
    std::int64_t add(const std::string &action, const std::string &client, const Fields &fields);

    // Records of these actions, oldest first; an empty state matches every state.
    std::vector<Record> list(const std::vector<std::string> &actions, const std::string &state);
    std::optional<Record> get(std::int64_t id);
    void setState(std::int64_t id, const std::string &state, const std::string &note);

private:
    void close();
    sqlite3_stmt *prepare(const char *sql);
    void exec(const char *sql);
    void loadFields(Record &record);
    [[noreturn]] void fail(const char *what);

    std::mutex m_mutex;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_begin = nullptr;
    sqlite3_stmt *m_commit = nullptr;
    sqlite3_stmt *m_rollback = nullptr;
    sqlite3_stmt *m_insertRequest = nullptr;
    sqlite3_stmt *m_insertField = nullptr;
};

} // namespace tarnvale::server
