// Drives one desktop game from another program's tests, a command a line on
// standard input, each answered "ok" or "failed" on standard output: the
// browser's tests meet a desktop player through it.
//
//   menu X Y E...   right-click at (X, Y), then pick entry E of each menu opened
//   type KEYS       the pointer to the middle, then the keys typed
//
// Usage: kaveto-xplay HOME [GAME ARGUMENTS]   (the game is $KAVETO_BINARY,
// else kaveto; its settings and record go under HOME)

#include "xdrive.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kaveto-xplay HOME [GAME ARGUMENTS]\n");
        return 2;
    }
    const std::string home = argv[1];
    GameProcess game({"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config",
                      "XDG_STATE_HOME=" + home + "/state"},
                     std::vector<std::string>(argv + 2, argv + argc));
    if (game.waitForWindow() == 0) {
        std::fprintf(stderr, "kaveto-xplay: the game showed no window: %s\n",
                     game.output().c_str());
        return 1;
    }
    std::cout << "ok" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        bool done = false;
        if (command == "menu") {
            int x = 0, y = 0, entry;
            std::vector<int> entries;
            words >> x >> y;
            while (words >> entry)
                entries.push_back(entry);
            done = !entries.empty() && game.pickMenu(x, y, entries);
        } else if (command == "type" && line.size() > 5) {
            game.moveTo(400, 400);
            game.type(line.substr(5));
            done = true;
        }
        std::cout << (done && game.running() ? "ok" : "failed") << std::endl;
    }
    return 0;
}
