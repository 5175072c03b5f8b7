#ifndef KAVETO_RENDER_H
#define KAVETO_RENDER_H

#include <string>

// What a frame draws, apart from how: frame.cpp and reviewpage.cpp say what,
// one unit a platform draws it, render_gl.cpp with OpenGL 1.x on the desktop
// and render_webgl.cpp with WebGL 2 in the browser. Each of them also
// defines the pieces' own drawing: Shape::ctm_multiply, Cube::draw,
// Cube::draw_face, Sphere::draw and Sphere::draw_band. Coordinates are the
// desktop's: scene points under the fixed camera, viewports in window pixels
// from the bottom left, and the strip's own 800 x 150 pixels.

// Light 0 and the front material, set once at start.
extern const float light_ambient[4];
extern const float light_diffuse[4];
extern const float light_specular[4];
extern const float light_position[4];
extern const float mat_ambient[4];
extern const float mat_diffuse[4];
extern const float mat_specular[4];
extern const float high_shininess[1];

// Texts that the browser treats apart: the turn line and GAME OVER are read
// out when they change, the moves line is a link to the game, a label over
// the board lets the pointer through to it, and the board in words stands
// beside its column buttons.
const int plainText = 0, turnText = 1, gameOverText = 2, movesText = 3, labelText = 4,
          wordsText = 5;

// Starts a frame: clears it, or, while cube `turning` turns and nothing else
// has changed, starts it from the board kept of the last whole frame; false
// then, and the board is not drawn again.
bool renderStartFrame(int turning);
// After a whole frame's board, drawn without the turning cube: keeps it for
// the frames after.
void renderKeepBoard(int turning);
// Ends the frame and shows it.
void renderEndFrame();
// The viewport, in window pixels.
void renderViewport(int x, int y, int width, int height);
// Clips what follows to the box, in window pixels; a width of 0 clips no more.
void renderClip(int x, int y, int width, int height);
// The colour current before the pieces draw in their own.
void renderColour(float red, float green, float blue);
// What follows is drawn unlit and over everything, its lines `width` pixels
// wide, until it is called again with over false.
void renderOver(bool over, float width);
// Lines between pairs of scene points in a colour.
void renderLines(const float (*ends)[3], int points, const float colour[3]);
// A text from a scene point, unlit, in Helvetica 18: a column's value.
void renderLabel(const float at[3], const float colour[3], const std::string& text);
// A text of the strip from the scene point (x, y, 0) of its view, in
// Helvetica of that size (18, 12 or 10), lit as the desktop lights it.
void renderText(float x, float y, int size, const float colour[3], const std::string& text,
                int kind = plainText);

// The review's graph, in the strip's pixels, unlit, between two calls.
void renderGraph(bool on);
// Lines through the points: pairs (0), a strip (1) or a loop (2).
void renderGraphLines(const float (*points)[2], int count, int joined, const float colour[3],
                      float width);
// Square points, each in its colour, `size` pixels wide.
void renderGraphPoints(const float (*points)[2], const float (*colours)[3], int count, float size);
// A filled rectangle.
void renderGraphRect(float left, float bottom, float right, float top, const float colour[3]);
// A text from the pixel (x, y), in Helvetica of that size (12 or 10).
void renderGraphText(float x, float y, int size, const float colour[3], const std::string& text,
                     int kind = plainText);

#endif
