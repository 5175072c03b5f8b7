// Plays a short scripted game of Kaveto on the current X display through
// real input, as a player would, and saves what the window shows: a PPM
// image for each moment worth a picture (named after it) and one for every
// step (step-NNN-D.ppm, shown D hundredths of a second), from which
// scripts/play makes PNGs and a GIF. The first moves' falls and GAME OVER's
// rows are saved frame by frame.
//
// Usage: kaveto-demo FOLDER   (the game is $KAVETO_BINARY, else kaveto)

#include "xdrive.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

std::string folder;
int steps = 0;

// Saves a shot as the next step of the animation, shown for that many hundredths.
bool saveStep(const Shot& shot, int hundredths = 60) {
    char stepName[32];
    std::snprintf(stepName, sizeof stepName, "/step-%03d-%d.ppm", steps++, hundredths);
    return shot.writePpm(folder + stepName);
}

// Every picture that the window shows until it has stayed the same for a
// quarter of a second, each a short step, the last a long one.
bool untilStill(GameProcess& game, Shot last) {
    bool ok = true, pending = false;
    auto still = std::chrono::steady_clock::now();
    while (ok && std::chrono::steady_clock::now() - still < std::chrono::milliseconds(250)) {
        Shot shot = game.screenshot();
        if (shot == last)
            continue;
        if (pending)
            ok = saveStep(last, 4);
        last = shot;
        pending = true;
        still = std::chrono::steady_clock::now();
    }
    return ok && (!pending || saveStep(last));
}

// The turn line of player 1 (red, then blue) or of player 2 (green).
bool turnLine(const Shot& s, bool playerOne) {
    return s.count(650, 694, 770, 712, [&](Pixel p) {
        return playerOne ? p.green < 80 && (p.red > 150 || p.blue > 150)
                         : p.green > 150 && p.red < 80 && p.blue < 80;
    }) > 60;
}

// Waits until the window passes the test, then saves it as the next step of
// the animation unless told not to, and under a name of its own when one is given.
bool keep(GameProcess& game, const std::function<bool(const Shot&)>& test,
          const char* name = nullptr, bool step = true) {
    Shot shot = game.waitForShot(test);
    if (shot.width == 0 || !test(shot)) {
        std::fprintf(stderr, "kaveto-demo: the game did not show %s\n",
                     name != nullptr ? name : "the next move");
        return false;
    }
    bool ok = !step || saveStep(shot);
    if (name != nullptr)
        ok = ok && shot.writePpm(folder + "/" + name + ".ppm");
    return ok;
}

bool changed(GameProcess& game, const Shot& before, const char* name = nullptr) {
    return keep(
        game, [&](const Shot& s) { return !(s == before); }, name);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: kaveto-demo FOLDER\n", stderr);
        return 2;
    }
    folder = argv[1];
    GameProcess game;
    if (game.waitForWindow() == 0) {
        std::fprintf(stderr, "kaveto-demo: the game's window did not show\n%s",
                     game.output().c_str());
        return 1;
    }
    bool ok = keep(
        game, [](const Shot& s) { return turnLine(s, true); }, "01-start");

    // Player 1 marks column 7 and plays there; player 2 marks column 2,
    // turns the board to look, and plays.
    Shot before = game.screenshot();
    game.type("7");
    ok = ok && changed(game, before, "02-marked");
    before = game.screenshot();
    game.type(" ");
    ok = ok && untilStill(game, before);
    game.type("2");
    before = game.screenshot();
    game.type("w");
    ok = ok && changed(game, before, "03-turned");
    before = game.screenshot();
    game.type(" ");
    ok = ok && untilStill(game, before) &&
         keep(
             game, [](const Shot& s) { return turnLine(s, true); }, "04-home-after-move", false);

    // Player 1 takes blue, and the keyboard page is shown.
    before = game.screenshot();
    ok = ok && game.pickMenu(400, 300, {0, 0, 1}) && changed(game, before, "05-colour");
    before = game.screenshot();
    ok = ok && game.pickMenu(400, 300, {4}) && changed(game, before, "06-page");

    // The value of each column for player 1, shown for one look, then hidden.
    // The best column's value is white, above the board.
    auto valuesShown = [](const Shot& s) {
        return s.count(100, 0, 700, 150, [](Pixel p) {
            return p.red == 255 && p.green == 255 && p.blue == 255;
        }) > 10;
    };
    ok = ok && game.pickMenu(400, 300, {7}) && keep(game, valuesShown, "08-column-values");
    ok = ok && game.pickMenu(400, 300, {7}) &&
         keep(game, [&](const Shot& s) { return !valuesShown(s); });

    // The rest of the game, a move at a time, until the board is full; the
    // last move's rows come one by one.
    const char* moves = "5137986424157369824931685";
    for (int i = 0; ok && moves[i] != '\0'; i++) {
        bool nextIsOne = i % 2 == 1;
        before = game.screenshot();
        game.type(std::string(1, moves[i]) + " ");
        ok = moves[i + 1] == '\0'
                 ? untilStill(game, before)
                 : keep(game, [&](const Shot& s) { return turnLine(s, nextIsOne); });
    }
    ok = ok && keep(
                   game,
                   [](const Shot& s) {
                       return s.count(280, 706, 420, 722,
                                      [](Pixel p) { return p.red > 150 && p.blue > 150; }) > 60;
                   },
                   "07-game-over", false);
    // The review of the game, in the strip (the "Moves:" line is white), at
    // the last move that was not best; a picture of its own, after the
    // animation's end.
    ok = ok && game.pickMenu(400, 300, {12}) &&
         keep(
             game,
             [&](const Shot& s) {
                 return s.count(40, 785, 300, 799, [](Pixel p) {
                     return p.red == 255 && p.green == 255 && p.blue == 255;
                 }) > 100;
             },
             nullptr, false);
    before = game.screenshot();
    game.type("p");
    ok = ok && keep(
                   game, [&](const Shot& s) { return !(s == before); }, "09-review", false);
    if (!ok)
        return 1;
    return 0;
}
