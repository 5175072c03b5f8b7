#include "glharness.h"

#include "computer.h"
#include "frame.h"
#include "game.h"
#include "glwindow.h"
#include "menus.h"

// Xlib's macros clash with GoogleTest's names, so it comes last.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>

Rgb Frame::at(int x, int y) const {
    const unsigned char* p = &pixels[3 * (800 * y + x)];
    return {p[0], p[1], p[2]};
}

Frame renderFrame() {
    display();
    glFinish();
    return readWindow();
}

Frame readWindow() {
    // What the X server shows in the window, not what GL holds in a buffer.
    Display* x = glXGetCurrentDisplay();
    XImage* image = XGetImage(x, glXGetCurrentDrawable(), 0, 0, 800, 800, AllPlanes, ZPixmap);
    Frame frame;
    frame.pixels.resize(800 * 800 * 3);
    for (int y = 0; y < 800; y++)
        for (int col = 0; col < 800; col++) {
            unsigned long pixel = XGetPixel(image, col, 799 - y);
            unsigned char* p = &frame.pixels[3 * (800 * y + col)];
            p[0] = (pixel & image->red_mask) >> 16;
            p[1] = (pixel & image->green_mask) >> 8;
            p[2] = pixel & image->blue_mask;
        }
    XDestroyImage(image);
    return frame;
}

void resetGame() {
    chooseOpponent(0, 1);
    if (showColumnValues == 1)
        mainMenu(9);
    if (showRows == 0)
        mainMenu(10);
    for (auto& column : spots)
        for (auto& level : column)
            level[0] = level[1] = 0;
    for (int c = 0; c < 9; c++)
        *columnCount(c) = 0;
    turn = gamecount = spotSelected = colSelected = 0;
    instructions = 0;
    r1 = 1, g1 = 0, b1 = 0;
    r2 = 0, g2 = 1, b2 = 0;
    drawCubes();
    animation();
}

void projectToWindow(double x, double y, double z, double& wx, double& wy) {
    // GL as a calculator on a scratch stack, with the camera's own constants.
    GLdouble model[16], projection[16];
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(40.0, 1.0, 1.0, 10.0);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(3, 3, 7, 0, 0, 0, 0, 1, 0);
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glPopMatrix();
    const GLint viewport[4] = {0, 150, 800, 800};
    double wz;
    gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
}

bool isDark(Rgb p) { return p.red < 40 && p.green < 40 && p.blue < 40; }

bool dominates(Rgb p, int channel) {
    int values[3] = {p.red, p.green, p.blue};
    int own = values[channel];
    int other = std::max(values[(channel + 1) % 3], values[(channel + 2) % 3]);
    return own >= 60 && own >= 2 * other + 20;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!openGameWindow(&argc, argv)) {
        std::fputs("the game's window never became viewable\n", stderr);
        return 1;
    }
    return RUN_ALL_TESTS();
}
