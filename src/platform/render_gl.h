#ifndef KAVETO_RENDER_GL_H
#define KAVETO_RENDER_GL_H

// The desktop's bitmap text, for the tests and the benchmark beside the frame.

// The GLUT bitmap font that output draws in; display sets it before each text.
extern void* font;
// Draws str in the current font from the scene point (x, y, 0).
void output(float x, float y, const char* str);

#endif
