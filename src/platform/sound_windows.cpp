#include "sound.h"

#include <cstring>

// The game's sounds built into the program, each a whole WAV file that
// PlaySound plays from memory; read-only data is .rdata in a Windows object.
#define SOUND(name)                                                                                \
    ".balign 4\n"                                                                                  \
    "kavetoSound_" #name ":\n"                                                                     \
    ".incbin \"" KAVETO_SOUNDS "/" #name ".wav\"\n"
__asm__(".section .rdata,\"dr\"\n" SOUND(land1) SOUND(land2) SOUND(land3) SOUND(full) SOUND(row)
            SOUND(win) SOUND(loss) SOUND(end) ".text\n");

extern "C" const char kavetoSound_land1[], kavetoSound_land2[], kavetoSound_land3[],
    kavetoSound_full[], kavetoSound_row[], kavetoSound_win[], kavetoSound_loss[], kavetoSound_end[];

void playGameSound(const char* name) {
    static const struct {
        const char* name;
        const char* wave;
    } sounds[] = {{"land1", kavetoSound_land1}, {"land2", kavetoSound_land2},
                  {"land3", kavetoSound_land3}, {"full", kavetoSound_full},
                  {"row", kavetoSound_row},     {"win", kavetoSound_win},
                  {"loss", kavetoSound_loss},   {"end", kavetoSound_end}};
    for (const auto& sound : sounds)
        if (std::strcmp(sound.name, name) == 0) {
            PlaySoundA(sound.wave, nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
            return;
        }
}
