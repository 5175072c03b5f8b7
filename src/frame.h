#ifndef KAVETO_FRAME_H
#define KAVETO_FRAME_H

// Draws one whole frame; the window's display callback, whenever the picture changes.
void display();
// Draws str in the current font from the scene point (x, y, 0); called by display.
void output(float x, float y, const char* str);

#endif
