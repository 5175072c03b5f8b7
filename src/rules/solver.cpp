#include "solver.h"

#include <algorithm>
#include <vector>

// The search works on its own layout: column c holds bits 4c to 4c + 2, its
// level l at bit 4c + l, so that a column fills like a counter and the next
// free cell of every column is one addition away. Bit 4c + 3 stays clear.

namespace {

constexpr uint64_t columnBits(int c) { return uint64_t{7} << (4 * c); }
constexpr uint64_t bottomBits = 0x111111111;
constexpr uint64_t boardBits = 0x777777777;

// Public cell index 9 * level + column to the search's bit.
constexpr int searchBit(int cell) { return 4 * (cell % 9) + cell / 9; }

} // namespace

namespace {

/* ---------------- Board in the search's layout ---------------- */

struct Tables {
    // The 49 rows of three as sets of cells, by cell index and in the search's layout.
    uint32_t rowCells[49];
    uint64_t rows[49];
    // For each bit, the other two cells of every row through it.
    uint64_t pairs[36][13];
    int pairCount[36];
    // The board's 8 symmetries as maps of columns: the square of columns
    // turned and mirrored; the levels never flip.
    int symmetry[8][9];
    Tables();
};

Tables::Tables() : pairs{}, pairCount{} {
    // A row is a middle cell and one step to either side; counting each step
    // with its first non-zero component positive meets every row once.
    int found = 0;
    for (int cell = 0; cell < 27; cell++)
        for (int d = 0; d < 27; d++) {
            int dx = d % 3 - 1, dz = d / 3 % 3 - 1, dy = d / 9 - 1;
            int first = dx != 0 ? dx : dz != 0 ? dz : dy;
            int x = cell % 3, z = cell / 3 % 3, y = cell / 9;
            if (first <= 0 || x + dx < 0 || x + dx > 2 || x - dx < 0 || x - dx > 2 || z + dz < 0 ||
                z + dz > 2 || z - dz < 0 || z - dz > 2 || y + dy < 0 || y + dy > 2 || y - dy < 0 ||
                y - dy > 2)
                continue;
            int step = 9 * dy + 3 * dz + dx;
            rowCells[found++] =
                uint32_t{1} << cell | uint32_t{1} << (cell - step) | uint32_t{1} << (cell + step);
        }
    for (int i = 0; i < 49; i++) {
        rows[i] = 0;
        for (int cell = 0; cell < 27; cell++)
            if (rowCells[i] >> cell & 1)
                rows[i] |= uint64_t{1} << searchBit(cell);
        for (int bit = 0; bit < 36; bit++)
            if (rows[i] >> bit & 1)
                pairs[bit][pairCount[bit]++] = rows[i] & ~(uint64_t{1} << bit);
    }
    for (int s = 0; s < 8; s++)
        for (int c = 0; c < 9; c++) {
            int x = c % 3 - 1, z = c / 3 - 1;
            for (int turn = 0; turn < s % 4; turn++) {
                int t = x;
                x = -z;
                z = t;
            }
            if (s >= 4)
                x = -x;
            symmetry[s][c] = 3 * (z + 1) + x + 1;
        }
}

const Tables& tables() {
    static const Tables t;
    return t;
}

uint64_t toSearch(uint32_t cells) {
    uint64_t bits = 0;
    for (int cell = 0; cell < 27; cell++)
        if (cells >> cell & 1)
            bits |= uint64_t{1} << searchBit(cell);
    return bits;
}

/* ---------------- The table ---------------- */

// One entry a position: its key (36 bits), lower and upper bounds of its
// value for the player on turn (7 bits each, offset by 64) and the column
// that last proved best (4 bits, 15 for none).
std::vector<uint64_t> table;
uint64_t tableMask = 0;
const int gameTableBits = 22;

constexpr uint64_t keyBits = (uint64_t{1} << 36) - 1;

// The key of a position: in each column its height as a leading bit over the
// balls of the player on turn.
uint64_t keyOf(uint64_t mine, uint64_t mask) { return mine + mask + bottomBits; }

// The least key of the position's symmetric images, and the symmetry that gives it.
uint64_t canonicalKey(const Tables& t, uint64_t key, int& which) {
    uint64_t best = key;
    which = 0;
    for (int s = 1; s < 8; s++) {
        uint64_t image = 0;
        for (int c = 0; c < 9; c++)
            image |= (key >> (4 * c) & 15) << (4 * t.symmetry[s][c]);
        if (image < best) {
            best = image;
            which = s;
        }
    }
    return best;
}

uint64_t& slotOf(uint64_t key) {
    uint64_t hash = key * 0x9E3779B97F4A7C15ull;
    return table[(hash >> 20) & tableMask];
}

/* ---------------- The search ---------------- */

// Symmetric positions share an entry only while the board is open enough
// for the search below them to be worth it.
const int symmetricUpTo = 14;

// What a ball at bit does for the player who holds mine: the rows it makes,
// and the rows it closes to the other player.
struct Effect {
    int made, closed;
};

Effect effectOf(const Tables& t, uint64_t mine, int bit) {
    Effect effect = {0, 0};
    for (int i = 0; i < t.pairCount[bit]; i++) {
        uint64_t pair = t.pairs[bit][i];
        effect.made += (mine & pair) == pair;
        effect.closed += (mine & pair) == 0;
    }
    return effect;
}

// Counts the rows that each side can still make: rows free of the other's balls, not yet full.
void openRows(const Tables& t, uint64_t mine, uint64_t theirs, int& mineOpen, int& theirsOpen) {
    mineOpen = theirsOpen = 0;
    for (uint64_t r : t.rows) {
        mineOpen += (r & theirs) == 0 && (r & mine) != r;
        theirsOpen += (r & mine) == 0 && (r & theirs) != r;
    }
}

// The value of the rest of the game for the player on turn, who holds mine:
// the rows they will make minus those the other will make, within
// [alpha, beta]: a result at or below alpha is an upper bound, one at or
// above beta a lower bound. mineOpen and theirsOpen are the rows that each
// can still make, which bound the value.
int negamax(const Tables& t, uint64_t mine, uint64_t mask, int plies, int alpha, int beta,
            int mineOpen, int theirsOpen) {
    if (plies == 27)
        return 0;
    int low = -theirsOpen, high = mineOpen;
    if (high <= alpha)
        return high;
    if (low >= beta)
        return low;
    const uint64_t theirs = mask ^ mine;
    const uint64_t free = (mask + bottomBits) & boardBits;
    if (plies == 26)
        return effectOf(t, mine, __builtin_ctzll(free)).made;

    const uint64_t key = keyOf(mine, mask);
    int symmetry = 0;
    const uint64_t stored = plies <= symmetricUpTo ? canonicalKey(t, key, symmetry) : key;
    uint64_t& slot = slotOf(stored);
    int bestColumn = -1;
    if ((slot & keyBits) == stored) {
        low = std::max(low, static_cast<int>(slot >> 36 & 127) - 64);
        high = std::min(high, static_cast<int>(slot >> 43 & 127) - 64);
        int column = static_cast<int>(slot >> 50 & 15);
        for (int c = 0; c < 9; c++)
            if (t.symmetry[symmetry][c] == column)
                bestColumn = c;
        if (low >= high || high <= alpha)
            return high;
        if (low >= beta)
            return low;
    }
    const int lowKnown = low, highKnown = high;
    alpha = std::max(alpha, low);
    beta = std::min(beta, high);

    // Moves in order: the last best first, then those that make most rows
    // or take a cell the other needs, the centre column before the others.
    static const int columnOrder[9] = {4, 0, 2, 6, 8, 1, 3, 5, 7};
    int moves[9], scores[9], count = 0;
    Effect effects[36];
    for (int c : columnOrder) {
        uint64_t cell = free & columnBits(c);
        if (cell == 0)
            continue;
        int bit = __builtin_ctzll(cell);
        effects[bit] = effectOf(t, mine, bit);
        int score = c == bestColumn
                        ? 1000
                        : 64 * effects[bit].made + 16 * effectOf(t, theirs, bit).made - count;
        int i = count++;
        while (i > 0 && scores[i - 1] < score) {
            moves[i] = moves[i - 1];
            scores[i] = scores[i - 1];
            i--;
        }
        moves[i] = bit;
        scores[i] = score;
    }

    const int alphaSearched = alpha;
    int best = -100, bestBit = moves[0];
    for (int i = 0; i < count; i++) {
        int bit = moves[i];
        Effect e = effects[bit];
        int value = e.made - negamax(t, theirs, mask | uint64_t{1} << bit, plies + 1, e.made - beta,
                                     e.made - alpha, theirsOpen - e.closed, mineOpen - e.made);
        if (value > best) {
            best = value;
            bestBit = bit;
        }
        if (best > alpha)
            alpha = best;
        if (alpha >= beta)
            break;
    }

    // What this search proved, added to what was known before it.
    int proveLow = lowKnown, proveHigh = highKnown;
    if (best >= beta)
        proveLow = std::max(lowKnown, best);
    else if (best <= alphaSearched)
        proveHigh = std::min(highKnown, best);
    else
        proveLow = proveHigh = best;
    int column = t.symmetry[symmetry][bestBit / 4];
    slot = stored | static_cast<uint64_t>(proveLow + 64) << 36 |
           static_cast<uint64_t>(proveHigh + 64) << 43 | static_cast<uint64_t>(column) << 50;
    return best;
}

// The exact value of the rest of the game for the player on turn, by a
// series of null-window searches, the first at the value of the position
// solved last: positions solved one after the other are mostly siblings,
// whose values lie close together.
int solveRest(uint64_t mine, uint64_t mask, int plies) {
    static int guess = 0;
    const Tables& t = tables();
    prepareSearch();
    int mineOpen, theirsOpen;
    openRows(t, mine, mask ^ mine, mineOpen, theirsOpen);
    int low = -theirsOpen, high = mineOpen;
    int middle = std::max(low, std::min(high - 1, guess));
    while (low < high) {
        int value = negamax(t, mine, mask, plies, middle, middle + 1, mineOpen, theirsOpen);
        if (value <= middle)
            high = value;
        else
            low = value;
        middle = value <= middle ? std::max(low, value - 1) : std::min(high - 1, value);
    }
    guess = low;
    return low;
}

/* ---------------- Index of positions ---------------- */

struct Binomials {
    long long of[28][28];
    Binomials() {
        for (int n = 0; n < 28; n++)
            for (int k = 0; k < 28; k++)
                of[n][k] = k == 0 ? 1 : n == 0 ? 0 : of[n - 1][k - 1] + of[n - 1][k];
    }
};

// n choose k, for n and k from 0 to 27.
long long binomial(int n, int k) {
    static const Binomials table;
    return table.of[n][k];
}

// Column heights as a number in base 4 (column c in bits 2c and 2c + 1).
// Positions are indexed up to the board's symmetries by their heights: a
// position is first turned by the symmetry that makes its heights least, so
// only the least of each class of heights has a block of its own.
struct Layout {
    // For each heights: the symmetry that turns it into the least of its
    // class, and the rank of that least one among those of its sum.
    std::vector<uint8_t> symmetryOf;
    std::vector<uint32_t> rankOf;
    std::vector<int> least[28];
    // Each level's 9 cells under each symmetry.
    uint16_t turned[8][512];
    Layout();
};

Layout::Layout() : symmetryOf(1 << 18), rankOf(1 << 18) {
    const Tables& t = tables();
    for (int code = 0; code < (1 << 18); code++) {
        int best = code, sum = 0;
        symmetryOf[code] = 0;
        for (int s = 1; s < 8; s++) {
            int image = 0;
            for (int c = 0; c < 9; c++)
                image |= (code >> (2 * c) & 3) << (2 * t.symmetry[s][c]);
            if (image < best) {
                best = image;
                symmetryOf[code] = static_cast<uint8_t>(s);
            }
        }
        for (int c = 0; c < 9; c++)
            sum += code >> (2 * c) & 3;
        if (best == code) {
            rankOf[code] = static_cast<uint32_t>(least[sum].size());
            least[sum].push_back(code);
        }
    }
    for (int s = 0; s < 8; s++)
        for (int level = 0; level < 512; level++) {
            turned[s][level] = 0;
            for (int c = 0; c < 9; c++)
                if (level >> c & 1)
                    turned[s][level] |= static_cast<uint16_t>(1 << t.symmetry[s][c]);
        }
}

const Layout& layout() {
    static const Layout l;
    return l;
}

uint32_t turnCells(const Layout& l, int s, uint32_t cells) {
    return l.turned[s][cells & 511] | uint32_t{l.turned[s][cells >> 9 & 511]} << 9 |
           uint32_t{l.turned[s][cells >> 18]} << 18;
}

int heightsOf(uint32_t all) {
    int code = 0;
    for (int c = 0; c < 9; c++)
        code |= ((all >> c & 1) + (all >> (c + 9) & 1) + (all >> (c + 18) & 1)) << (2 * c);
    return code;
}

uint32_t cellsOfHeights(int code) {
    uint32_t all = 0;
    for (int c = 0; c < 9; c++)
        for (int level = 0; level < (code >> (2 * c) & 3); level++)
            all |= uint32_t{1} << (9 * level + c);
    return all;
}

} // namespace

/* ---------------- Positions ---------------- */

int rowDifference(const Position& position) {
    int difference = 0;
    for (uint32_t r : tables().rowCells)
        difference += ((position.balls[0] & r) == r) - ((position.balls[1] & r) == r);
    return difference;
}

std::vector<uint32_t> completedRows(const Position& position, int player) {
    std::vector<uint32_t> rows;
    for (uint32_t r : tables().rowCells)
        if ((position.balls[player] & r) == r)
            rows.push_back(r);
    return rows;
}

/* ---------------- Values ---------------- */

void prepareSearch() {
    tables();
    layout();
    if (table.empty())
        resizeSearchTable(gameTableBits);
}

void resizeSearchTable(int bits) {
    table.assign(size_t{1} << bits, 0);
    tableMask = (uint64_t{1} << bits) - 1;
}

int searchValue(const Position& position) {
    int onTurn = playerOnTurn(position);
    uint64_t mine = toSearch(position.balls[onTurn]);
    uint64_t mask = mine | toSearch(position.balls[1 - onTurn]);
    int rest = solveRest(mine, mask, ballCount(position));
    return rowDifference(position) + (onTurn == 0 ? rest : -rest);
}

bool bookReady() { return bookData != nullptr && bookDataSize == bookSize(); }

int positionValue(const Position& position) {
    if (ballCount(position) <= bookPlies)
        return bookData[bookIndex(position)];
    return searchValue(position);
}

int moveValues(const Position& position, int values[9]) {
    int legal = 0;
    for (int c = 0; c < 9; c++)
        if (landingIndex(position, c) >= 0) {
            legal |= 1 << c;
            values[c] = positionValue(afterMove(position, c));
        }
    return legal;
}

int movesWithin(const Position& position, int slack) {
    const Tables& t = tables();
    prepareSearch();
    int sign = playerOnTurn(position) == 0 ? 1 : -1;
    int best = sign * positionValue(position), within = 0;
    for (int c = 0; c < 9; c++) {
        if (landingIndex(position, c) < 0)
            continue;
        Position next = afterMove(position, c);
        bool good;
        if (ballCount(next) <= bookPlies) {
            good = sign * bookData[bookIndex(next)] >= best - slack;
        } else {
            // One null-window search: is the rest worth at most `most` to the
            // player on turn after the move?
            int most = sign * rowDifference(next) - best + slack;
            uint64_t mine = toSearch(next.balls[1 - playerOnTurn(position)]);
            uint64_t mask = mine | toSearch(next.balls[playerOnTurn(position)]);
            int mineOpen, theirsOpen;
            openRows(t, mine, mask ^ mine, mineOpen, theirsOpen);
            good = negamax(t, mine, mask, ballCount(next), most, most + 1, mineOpen, theirsOpen) <=
                   most;
        }
        within |= good << c;
    }
    return within;
}

size_t positionsOfPly(int balls) {
    return layout().least[balls].size() * binomial(balls, (balls + 1) / 2);
}

size_t plyIndex(const Position& position) {
    const Layout& l = layout();
    uint32_t all = position.balls[0] | position.balls[1];
    int code = heightsOf(all);
    int s = l.symmetryOf[code];
    uint32_t ones = turnCells(l, s, position.balls[0]);
    all = turnCells(l, s, all);
    // Player 1's balls among all, in the order of the cells, ranked as a
    // combination in colex order.
    long long colouring = 0;
    int seen = 0, count = 0;
    for (; all != 0; all &= all - 1) {
        if (ones >> __builtin_ctz(all) & 1)
            colouring += binomial(seen, ++count);
        seen++;
    }
    int least = heightsOf(turnCells(l, s, position.balls[0] | position.balls[1]));
    return l.rankOf[least] * binomial(seen, (seen + 1) / 2) + colouring;
}

std::vector<uint32_t> heightsOfPly(int balls) {
    std::vector<uint32_t> cells;
    for (int code : layout().least[balls])
        cells.push_back(cellsOfHeights(code));
    return cells;
}

size_t bookIndex(const Position& position) {
    size_t offset = 0;
    for (int n = 0; n < ballCount(position); n++)
        offset += positionsOfPly(n);
    return offset + plyIndex(position);
}

size_t bookSize() {
    size_t size = 0;
    for (int n = 0; n <= bookPlies; n++)
        size += positionsOfPly(n);
    return size;
}
