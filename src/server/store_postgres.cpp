#include "store.h"

#include "platform.h"

#include <libpq-fe.h>

#include <chrono>
#include <set>

namespace {

using Clock = std::chrono::steady_clock;

const char* const schema = R"(
SELECT pg_advisory_xact_lock(7742);
CREATE TABLE IF NOT EXISTS kaveto_leases (
    code text PRIMARY KEY,
    owner text NOT NULL,
    epoch bigint NOT NULL,
    expires timestamptz NOT NULL);
CREATE TABLE IF NOT EXISTS kaveto_events (
    code text NOT NULL REFERENCES kaveto_leases ON DELETE CASCADE,
    seq integer NOT NULL,
    line text NOT NULL,
    PRIMARY KEY (code, seq));
)";

// The lease is taken when it is free, expired, or this server's; each
// taking is a new epoch.
const char* const claimLease = R"(
INSERT INTO kaveto_leases AS l (code, owner, epoch, expires)
VALUES ($1, $2, 1, now() + make_interval(secs => $3))
ON CONFLICT (code) DO UPDATE SET owner = $2, epoch = l.epoch + 1, expires = EXCLUDED.expires
WHERE l.owner = $2 OR l.expires < now()
RETURNING epoch)";

// A write under a lease taken over since writes nothing. The lease's row
// is locked for it, so that a taking waits for the write and then reads it.
const char* const writeEvent = R"(
WITH l AS (SELECT 1 FROM kaveto_leases WHERE code = $1 AND owner = $2 AND epoch = $3 FOR SHARE)
INSERT INTO kaveto_events (code, seq, line) SELECT $1, $4, $5 FROM l)";

class PostgresStore : public RoomStore {
  public:
    ~PostgresStore() override { PQfinish(db); }

    bool open(const std::string& conninfo, int seconds, std::string& why) {
        lease = seconds;
        unsigned char bytes[8];
        static const char digits[] = "0123456789abcdef";
        if (!secureRandom(bytes, sizeof bytes)) {
            why = "no random numbers";
            return false;
        }
        for (unsigned char b : bytes)
            owner += std::string(1, digits[b >> 4]) + digits[b & 15];
        db = PQconnectdb(conninfo.c_str());
        // Nothing printed unasked: "already exists, skipping" and the like.
        PQsetNoticeProcessor(
            db, [](void*, const char*) {}, nullptr);
        if (PQstatus(db) != CONNECTION_OK ||
            !command(("BEGIN;" + std::string(schema) + "COMMIT;").c_str())) {
            why = firstLine(PQerrorMessage(db));
            return false;
        }
        renewed = Clock::now();
        return true;
    }

    bool keep(const std::string& code, const std::string& line, std::string& why) override {
        auto room = held.find(code);
        const Clock::time_point start = Clock::now();
        if (room == held.end() || !answering() ||
            !wrote1(query(writeEvent, {code, owner, std::to_string(room->second.epoch),
                                       std::to_string(room->second.next), line}))) {
            why = room == held.end() ? "not held here" : "the database did not keep it";
            // Whether it was kept is not known: the room is read again.
            if (room != held.end()) {
                held.erase(room);
                lost.push_back(code);
            }
            return false;
        }
        room->second.next++;
        if (wrote)
            wrote(std::chrono::duration<double>(Clock::now() - start).count());
        return true;
    }

    void forget(const std::string& code) override {
        auto room = held.find(code);
        if (room == held.end())
            return;
        if (answering())
            PQclear(query("DELETE FROM kaveto_leases WHERE code = $1 AND owner = $2 AND epoch = $3",
                          {code, owner, std::to_string(room->second.epoch)}));
        held.erase(room);
    }

    void unclaim(const std::string& code) override { forget(code); }

    void letGo(const std::string& code) override {
        auto room = held.find(code);
        if (room == held.end())
            return;
        if (answering())
            PQclear(query("UPDATE kaveto_leases SET expires = now() - interval '1 second' "
                          "WHERE code = $1 AND owner = $2 AND epoch = $3",
                          {code, owner, std::to_string(room->second.epoch)}));
        held.erase(room);
    }

    // Rooms are taken one by one, as their players come.
    std::map<std::string, std::string> kept() override { return {}; }

    bool claim(const std::string& code, std::string& events, std::string& why) override {
        if (!answering()) {
            why = "the database does not answer";
            return false;
        }
        PGresult* taken = query(claimLease, {code, owner, std::to_string(lease)});
        const bool ok = PQresultStatus(taken) == PGRES_TUPLES_OK;
        const bool ours = ok && PQntuples(taken) == 1;
        const long long epoch = ours ? std::stoll(PQgetvalue(taken, 0, 0)) : 0;
        PQclear(taken);
        if (!ours) {
            why = ok ? "held by another server" : "the database does not answer";
            return false;
        }
        PGresult* read =
            query("SELECT line FROM kaveto_events WHERE code = $1 ORDER BY seq", {code});
        const bool readOk = PQresultStatus(read) == PGRES_TUPLES_OK;
        const int count = readOk ? PQntuples(read) : 0;
        for (int i = 0; i < count; i++)
            events += std::string(PQgetvalue(read, i, 0)) + "\n";
        PQclear(read);
        if (!readOk) {
            why = "the database does not answer";
            return false;
        }
        held[code] = Held{epoch, count};
        return true;
    }

    // Renews every lease held here; one not renewed, or renewed too late, is lost.
    void renew() override {
        const Clock::time_point now = Clock::now();
        PGresult* answer = answering() ? query("UPDATE kaveto_leases SET expires = now() + "
                                               "make_interval(secs => $2) WHERE owner = $1 "
                                               "RETURNING code, epoch",
                                               {owner, std::to_string(lease)})
                                       : nullptr;
        if (PQresultStatus(answer) != PGRES_TUPLES_OK) {
            PQclear(answer);
            if (now - renewed > std::chrono::seconds(lease))
                loseAll();
            return;
        }
        std::set<std::pair<std::string, long long>> still;
        for (int i = 0; i < PQntuples(answer); i++)
            still.emplace(PQgetvalue(answer, i, 0), std::stoll(PQgetvalue(answer, i, 1)));
        PQclear(answer);
        const bool late = now - renewed > std::chrono::seconds(lease);
        renewed = now;
        for (auto room = held.begin(); room != held.end();)
            if (late || still.count({room->first, room->second.epoch}) == 0) {
                lost.push_back(room->first);
                room = held.erase(room);
            } else {
                ++room;
            }
        // The rooms that nobody has served for an hour are over or abandoned.
        if (++renewals % 60 == 0)
            PQclear(
                query("DELETE FROM kaveto_leases WHERE expires < now() - interval '1 hour'", {}));
    }

    // Asked by /readyz: a connection that looks open may have lost its
    // server, so it is asked, once a second at most.
    bool ready() override {
        const Clock::time_point now = Clock::now();
        if (now - answered < std::chrono::seconds(1) && PQstatus(db) == CONNECTION_OK)
            return true;
        PGresult* answer = answering() ? PQexec(db, "SELECT 1") : nullptr;
        const bool ok = PQresultStatus(answer) == PGRES_TUPLES_OK;
        PQclear(answer);
        if (ok)
            answered = now;
        return ok;
    }

    bool shared() const override { return true; }

  private:
    struct Held {
        long long epoch;
        int next;
    };

    static std::string firstLine(const char* text) {
        const std::string all = text;
        return all.substr(0, all.find('\n'));
    }

    // Whether the connection is up; a lost one is tried again, once a second at most.
    bool answering() {
        if (PQstatus(db) == CONNECTION_OK)
            return true;
        const Clock::time_point now = Clock::now();
        if (now - lastTry < std::chrono::seconds(1))
            return false;
        lastTry = now;
        PQreset(db);
        return PQstatus(db) == CONNECTION_OK;
    }

    PGresult* query(const char* sql, const std::vector<std::string>& values) {
        std::vector<const char*> pointers;
        for (const std::string& value : values)
            pointers.push_back(value.c_str());
        return PQexecParams(db, sql, static_cast<int>(values.size()), nullptr, pointers.data(),
                            nullptr, nullptr, 0);
    }

    bool command(const char* sql) {
        PGresult* result = PQexec(db, sql);
        const bool ok =
            PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
        PQclear(result);
        return ok;
    }

    // Whether a write wrote its one row.
    static bool wrote1(PGresult* result) {
        const bool one =
            PQresultStatus(result) == PGRES_COMMAND_OK && std::string(PQcmdTuples(result)) == "1";
        PQclear(result);
        return one;
    }

    void loseAll() {
        for (const auto& room : held)
            lost.push_back(room.first);
        held.clear();
    }

    PGconn* db = nullptr;
    std::string owner;
    int lease = 15;
    std::map<std::string, Held> held;
    Clock::time_point renewed, lastTry, answered;
    long renewals = 0;
};

} // namespace

std::unique_ptr<RoomStore> openPostgresStore(const std::string& conninfo, int lease,
                                             std::string& why) {
    auto store = std::make_unique<PostgresStore>();
    if (!store->open(conninfo, lease, why))
        return nullptr;
    return store;
}
