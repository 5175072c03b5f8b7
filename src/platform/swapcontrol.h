#ifndef KAVETO_SWAPCONTROL_H
#define KAVETO_SWAPCONTROL_H

// Asks the GL driver to swap buffers once per display refresh, where it
// offers swap control; elsewhere frames follow one another as fast as they
// are drawn. Called once, with the game's context current; each window
// system's unit has its own.
void requestSwapInterval();

// Whether the blank-separated extension list names this extension exactly.
bool hasExtension(const char* list, const char* name);

#endif
