#include "solver.h"

// The book as kaveto-solve --book wrote it, built into the game so that the
// game needs no file of its own beside it.
__asm__(".section .rodata\n"
        ".balign 16\n"
        "kavetoBook:\n"
        ".incbin \"" KAVETO_BOOK "\"\n"
        "kavetoBookEnd:\n"
        ".previous\n");

extern "C" const int8_t kavetoBook[];
extern "C" const int8_t kavetoBookEnd[];

const int8_t* const bookData = kavetoBook;
const size_t bookDataSize = static_cast<size_t>(kavetoBookEnd - kavetoBook);
