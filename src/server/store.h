#ifndef KAVETO_STORE_H
#define KAVETO_STORE_H

#include "room.h"

#include <memory>
#include <string>

// The stores of the rooms' events: a folder of files, the game's own;
// SQLite and PostgreSQL, kaveto-server's.

// The rooms kept as files in a folder, one a room named by its code.
class FolderStore : public RoomStore {
  public:
    explicit FolderStore(std::string folder) : folder(std::move(folder)) {}
    bool keep(const std::string& code, const std::string& line, std::string& why) override;
    void forget(const std::string& code) override;
    std::map<std::string, std::string> kept() override;
    bool claim(const std::string& code, std::string& events, std::string& why) override;

  private:
    std::string folder;
};

// The complete lines of a room's file: a last line without its end was cut
// short by a crash in the middle of its write, and never confirmed.
bool readRoomFile(const std::string& path, std::string& events);

// The rooms in one SQLite file, in WAL, each commit flushed to the disk;
// the events of one turn of the server's loop go in one commit. The rooms'
// files of `folder`, if any, are taken in at the start, in one commit, and
// removed once it is done. Null, with the reason, when it cannot be opened.
std::unique_ptr<RoomStore> openSqliteStore(const std::string& path, const std::string& folder,
                                           std::string& why);

// The rooms in a PostgreSQL database shared by several servers: each room
// has a lease of `lease` seconds, renewed by its server, and a write counts
// only under the lease it was made with. Null, with the reason, when the
// database cannot be reached.
std::unique_ptr<RoomStore> openPostgresStore(const std::string& conninfo, int lease,
                                             std::string& why);

#endif
