#include "platform.h"
#include "server.h"

#include <cstdio>
#include <cstring>

// kaveto-server: the server of Kaveto's online games.
int main(int argc, char** argv) {
    useParentConsole();
    allowManyFiles();
    for (int i = 1; i < argc; i++)
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(serverUsage, stdout);
            return 0;
        }
    ServerOptions options;
    const std::string wrong = parseServerOptions(argc, argv, options);
    if (!wrong.empty()) {
        std::fprintf(stderr, "kaveto-server: %s; try 'kaveto-server --help'\n", wrong.c_str());
        return 2;
    }
    return runServer(options);
}
