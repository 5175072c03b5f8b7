#include "platform.h"
#include "server.h"
#include "store.h"

#include <cstdio>
#include <cstring>

#ifdef KAVETO_DATABASES
namespace {

// SQLite or PostgreSQL, as --store names it.
std::unique_ptr<RoomStore> openDatabase(const ServerOptions& options, std::string& why) {
    const std::string& store = options.store;
    if (store.rfind("sqlite:", 0) == 0 && store.size() > 7)
        return openSqliteStore(store.substr(7), options.state, why);
    if (store.rfind("postgresql://", 0) == 0 || store.rfind("postgres://", 0) == 0)
        return openPostgresStore(store, options.lease, why);
    why = "--store: '" + store + "' is not sqlite:PATH, postgresql://... or folder";
    return nullptr;
}

} // namespace
#endif

// kaveto-server: the server of Kaveto's online games.
int main(int argc, char** argv) {
    useParentConsole();
    allowManyFiles();
    for (int i = 1; i < argc; i++)
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(serverUsage, stdout);
            return 0;
        }
    if (argc == 3 && std::strcmp(argv[1], "--health") == 0)
        return checkHealth(argv[2]);
    ServerOptions options;
    const std::string wrong = parseServerOptions(argc, argv, options);
    if (!wrong.empty()) {
        std::fprintf(stderr, "kaveto-server: %s; try 'kaveto-server --help'\n", wrong.c_str());
        return 2;
    }
#ifdef KAVETO_DATABASES
    options.openDatabase = openDatabase;
    if (options.store.empty() && !options.state.empty())
        options.store = "sqlite:" + options.state + "/games.sqlite";
#endif
    return runServer(options);
}
