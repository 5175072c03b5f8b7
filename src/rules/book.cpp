#include "solver.h"

// The book as kaveto-solve --book wrote it, built into the game so that the
// game needs no file of its own beside it; read-only data is .rodata in an
// ELF object and .rdata in a Windows one.
#ifdef _WIN32
#define READ_ONLY_SECTION ".section .rdata,\"dr\"\n"
#else
#define READ_ONLY_SECTION ".section .rodata\n"
#endif
__asm__(READ_ONLY_SECTION ".balign 16\n"
                          "kavetoBook:\n"
                          ".incbin \"" KAVETO_BOOK "\"\n"
                          "kavetoBookEnd:\n"
                          ".text\n");

extern "C" const int8_t kavetoBook[];
extern "C" const int8_t kavetoBookEnd[];

const int8_t* bookData = kavetoBook;
size_t bookDataSize = static_cast<size_t>(kavetoBookEnd - kavetoBook);
