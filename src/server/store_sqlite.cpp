#include "store.h"

#include "platform.h"
#include "protocol.h"

#include <sqlite3.h>

#include <chrono>
#include <set>

namespace {

using Clock = std::chrono::steady_clock;

class SqliteStore : public RoomStore {
  public:
    ~SqliteStore() override {
        // Whatever was not committed was never confirmed either.
        sqlite3_finalize(insert);
        sqlite3_finalize(remove);
        sqlite3_finalize(select);
        sqlite3_close(db);
    }

    bool open(const std::string& path, const std::string& folder, std::string& why) {
        if (!makeFolders(path) || sqlite3_open(path.c_str(), &db) != SQLITE_OK ||
            !run("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                 "CREATE TABLE IF NOT EXISTS events (id INTEGER PRIMARY KEY, code TEXT NOT NULL,"
                 " line TEXT NOT NULL);"
                 "CREATE INDEX IF NOT EXISTS events_code ON events (code, id);") ||
            !prepare("INSERT INTO events (code, line) VALUES (?, ?)", insert) ||
            !prepare("DELETE FROM events WHERE code = ?", remove) ||
            !prepare("SELECT line FROM events WHERE code = ? ORDER BY id", select)) {
            why = path + ": " + (db != nullptr ? sqlite3_errmsg(db) : "out of memory");
            return false;
        }
        return takeIn(folder, why);
    }

    bool keep(const std::string& code, const std::string& line, std::string& why) override {
        if (!begun())
            return failed(why);
        bind(insert, code, &line);
        if (sqlite3_step(insert) != SQLITE_DONE)
            return failed(why);
        touched.insert(code);
        return true;
    }

    void forget(const std::string& code) override {
        if (!begun())
            return;
        bind(remove, code);
        sqlite3_step(remove);
    }

    std::map<std::string, std::string> kept() override {
        std::map<std::string, std::string> rooms;
        sqlite3_stmt* all = nullptr;
        if (!prepare("SELECT code, line FROM events ORDER BY id", all))
            return rooms;
        while (sqlite3_step(all) == SQLITE_ROW)
            rooms[text(all, 0)] += text(all, 1) + "\n";
        sqlite3_finalize(all);
        return rooms;
    }

    bool claim(const std::string& code, std::string& events, std::string& why) override {
        bind(select, code);
        int step;
        while ((step = sqlite3_step(select)) == SQLITE_ROW)
            events += text(select, 0) + "\n";
        if (step != SQLITE_DONE)
            return failed(why);
        return true;
    }

    bool pending() const override { return inTransaction; }

    // One commit, one flush of the WAL to the disk, for all that came at once.
    void flush() override {
        if (!inTransaction)
            return;
        const Clock::time_point start = Clock::now();
        inTransaction = false;
        if (!run("COMMIT")) {
            run("ROLLBACK");
            lost.insert(lost.end(), touched.begin(), touched.end());
        }
        touched.clear();
        if (wrote)
            wrote(std::chrono::duration<double>(Clock::now() - start).count());
    }

  private:
    bool run(const char* sql) {
        return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    bool prepare(const char* sql, sqlite3_stmt*& statement) {
        return sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK;
    }

    static void bind(sqlite3_stmt* statement, const std::string& code,
                     const std::string* line = nullptr) {
        sqlite3_reset(statement);
        sqlite3_bind_text(statement, 1, code.c_str(), -1, SQLITE_TRANSIENT);
        if (line != nullptr)
            sqlite3_bind_text(statement, 2, line->c_str(), -1, SQLITE_TRANSIENT);
    }

    static std::string text(sqlite3_stmt* statement, int column) {
        const unsigned char* value = sqlite3_column_text(statement, column);
        return value != nullptr ? reinterpret_cast<const char*>(value) : "";
    }

    bool begun() {
        if (!inTransaction)
            inTransaction = run("BEGIN");
        return inTransaction;
    }

    bool failed(std::string& why) {
        why = sqlite3_errmsg(db);
        return false;
    }

    // The rooms' files of a folder, moved in: all in one commit, then the
    // files removed. A room already here was moved by a start that stopped
    // before the files went.
    bool takeIn(const std::string& folder, std::string& why) {
        std::vector<std::string> codes;
        for (const std::string& name : folderFiles(folder))
            if (isRoomCode(name))
                codes.push_back(name);
        if (codes.empty())
            return true;
        if (!run("BEGIN"))
            return failed(why);
        for (const std::string& code : codes) {
            std::string events, line;
            if (!claim(code, events, why))
                return false;
            if (!events.empty() || !readRoomFile(folder + "/" + code, events))
                continue;
            for (size_t at = 0, end; (end = events.find('\n', at)) != std::string::npos;
                 at = end + 1) {
                line = events.substr(at, end - at);
                bind(insert, code, &line);
                if (sqlite3_step(insert) != SQLITE_DONE) {
                    failed(why);
                    run("ROLLBACK");
                    return false;
                }
            }
        }
        if (!run("COMMIT"))
            return failed(why);
        for (const std::string& code : codes)
            removeFile(folder + "/" + code);
        return true;
    }

    sqlite3* db = nullptr;
    sqlite3_stmt *insert = nullptr, *remove = nullptr, *select = nullptr;
    // A transaction is open, and the rooms it writes to.
    bool inTransaction = false;
    std::set<std::string> touched;
};

} // namespace

std::unique_ptr<RoomStore> openSqliteStore(const std::string& path, const std::string& folder,
                                           std::string& why) {
    auto store = std::make_unique<SqliteStore>();
    if (!store->open(path, folder, why))
        return nullptr;
    return store;
}
