// kaveto-solve: solves the whole game and writes the book, or tells the
// value of each move of a position.
//
//   kaveto-solve MOVES          the columns played so far, digits 1 to 9
//   kaveto-solve --book FILE    solves every position, from the full board
//                               back to the empty one, and writes the book

#include "platform.h"
#include "referee.h"
#include "solver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const usage = "usage: kaveto-solve MOVES | kaveto-solve --book FILE\n";

std::string signedValue(int value) {
    return value > 0 ? "+" + std::to_string(value) : std::to_string(value);
}

// The cells of occupied picked by the bits of pattern, lowest cell first.
uint32_t deposit(uint32_t pattern, uint32_t occupied) {
    uint32_t cells = 0;
    for (; occupied != 0; occupied &= occupied - 1, pattern >>= 1)
        if (pattern & 1)
            cells |= occupied & (~occupied + 1);
    return cells;
}

// The values of every position of n balls from those of n + 1 (none when n is
// 27), block by block as the index orders them; the blocks are shared out
// between the threads.
std::vector<int8_t> solvePly(int balls, const std::vector<int8_t>& after) {
    std::vector<int8_t> values(positionsOfPly(balls));
    const std::vector<uint32_t> blocks = heightsOfPly(balls);
    const int ones = (balls + 1) / 2;
    const size_t colourings = blocks.empty() ? 0 : values.size() / blocks.size();
    auto work = [&](size_t first, size_t step) {
        for (size_t block = first; block < blocks.size(); block += step) {
            size_t index = block * colourings;
            // Every pattern of `ones` bits among `balls`, in increasing order.
            uint32_t pattern = (uint32_t{1} << ones) - 1;
            for (size_t i = 0; i < colourings; i++, index++) {
                Position position;
                position.balls[0] = deposit(pattern, blocks[block]);
                position.balls[1] = blocks[block] & ~position.balls[0];
                int value;
                if (balls == 27) {
                    value = rowDifference(position);
                } else {
                    int player = balls % 2;
                    value = player == 0 ? -100 : 100;
                    for (int c = 0; c < 9; c++) {
                        if (landingIndex(position, c) < 0)
                            continue;
                        int next = after[plyIndex(afterMove(position, c))];
                        value = player == 0 ? std::max(value, next) : std::min(value, next);
                    }
                }
                values[index] = static_cast<int8_t>(value);
                if (pattern != 0) {
                    uint32_t low = pattern & (~pattern + 1), ripple = pattern + low;
                    pattern = ripple | (((pattern ^ ripple) >> 2) / low);
                }
            }
        }
    };
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; t++)
        pool.emplace_back(work, t, threads);
    work(0, threads);
    for (std::thread& thread : pool)
        thread.join();
    return values;
}

int writeBook(const char* path) {
    auto start = std::chrono::steady_clock::now();
    std::vector<std::vector<int8_t>> book(bookPlies + 1);
    std::vector<int8_t> after;
    unsigned long long positions = 0;
    for (int balls = 27; balls >= 0; balls--) {
        std::vector<int8_t> values = solvePly(balls, after);
        positions += values.size();
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%2d balls: %11zu positions, %7.1f s\n", balls, values.size(), seconds);
        std::fflush(stdout);
        if (balls <= bookPlies)
            book[balls] = values;
        after = std::move(values);
    }
    std::FILE* file = std::fopen(path, "wb");
    size_t written = 0;
    for (const std::vector<int8_t>& ply : book)
        written += file != nullptr ? std::fwrite(ply.data(), 1, ply.size(), file) : 0;
    if (file == nullptr || written != bookSize() || std::fclose(file) != 0) {
        std::fprintf(stderr, "kaveto-solve: cannot write the book to %s\n", path);
        return 1;
    }

    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Position empty = {{0, 0}};
    std::printf("solved %llu positions (up to symmetry) in %.0f s, peak memory %.0f MB\n",
                positions, seconds, peakMemoryMegabytes());
    std::printf("book: %zu bytes, positions of up to %d balls, in %s\n", bookSize(), bookPlies,
                path);
    std::printf("empty board: %s\n", signedValue(book[0][0]).c_str());
    for (int c = 0; c < 9; c++)
        std::printf("first ball in column %d: %s\n", c + 1,
                    signedValue(book[1][plyIndex(afterMove(empty, c))]).c_str());
    return 0;
}

int query(const char* moves) {
    Position position = {{0, 0}};
    std::vector<int> columns;
    if (*moves != '\0') {
        const std::string wrong = parseMoves(moves, columns);
        if (!wrong.empty()) {
            std::fprintf(stderr, "kaveto-solve: %s\n", wrong.c_str());
            return 2;
        }
    }
    for (int column : columns)
        position = afterMove(position, column);
    resizeSearchTable(24);
    int values[9];
    int legal = moveValues(position, values);
    for (int c = 0; c < 9; c++)
        if (legal >> c & 1)
            std::printf("%d %s\n", c + 1, signedValue(values[c]).c_str());
    std::printf("value %s\n", signedValue(positionValue(position)).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--book") == 0)
        return writeBook(argv[2]);
    if (argc == 1)
        return query("");
    if (argc == 2 && argv[1][0] != '-')
        return query(argv[1]);
    std::fputs(usage, stderr);
    return 2;
}
