#include "glharness.h"

#include "computer.h"
#include "fall.h"
#include "frame.h"
#include "game.h"
#include "glwindow.h"
#include "history.h"
#include "menus.h"

// Xlib's macros clash with GoogleTest's names, so it comes last.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <sys/shm.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

Rgb Frame::at(int x, int y) const {
    const unsigned char* p = &pixels[3 * (static_cast<size_t>(width) * y + x)];
    return {p[0], p[1], p[2]};
}

Frame renderFrame() {
    display();
    glFinish();
    return readWindow();
}

namespace {

// A shared-memory image of the window's size, through which the server hands
// a frame over without the socket; null where the server offers none.
XImage* sharedImage(Display* x, int width, int height) {
    static XImage* image = nullptr;
    static XShmSegmentInfo segment;
    if (image != nullptr && image->width == width && image->height == height)
        return image;
    if (image != nullptr) {
        XShmDetach(x, &segment);
        XDestroyImage(image);
        shmdt(segment.shmaddr);
        image = nullptr;
    }
    if (!XShmQueryExtension(x))
        return nullptr;
    XWindowAttributes attributes;
    XGetWindowAttributes(x, glXGetCurrentDrawable(), &attributes);
    image = XShmCreateImage(x, attributes.visual, attributes.depth, ZPixmap, nullptr, &segment,
                            width, height);
    segment.shmid = shmget(IPC_PRIVATE, image->bytes_per_line * height, IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    segment.readOnly = False;
    XShmAttach(x, &segment);
    XSync(x, False);
    // Gone once both sides have detached.
    shmctl(segment.shmid, IPC_RMID, nullptr);
    return image;
}

// The window's picture from the drawable, at (left, top) in it; the shared
// image serves the window itself.
Frame readDrawable(Drawable drawable, int left, int top) {
    Display* x = glXGetCurrentDisplay();
    Frame frame;
    frame.width = winWidth;
    frame.height = winHeight;
    bool window = drawable == glXGetCurrentDrawable();
    XImage* image = window ? sharedImage(x, frame.width, frame.height) : nullptr;
    bool shared = image != nullptr && XShmGetImage(x, drawable, image, 0, 0, AllPlanes);
    if (!shared)
        image = XGetImage(x, drawable, left, top, frame.width, frame.height, AllPlanes, ZPixmap);
    frame.pixels.resize(3 * static_cast<size_t>(frame.width) * frame.height);
    bool words = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
    for (int y = 0; y < frame.height; y++)
        for (int col = 0; col < frame.width; col++) {
            int row = frame.height - 1 - y;
            // 32-bit words are read as they lie; XGetPixel is a call a pixel.
            unsigned long pixel = words ? reinterpret_cast<const uint32_t*>(
                                              image->data + row * image->bytes_per_line)[col]
                                        : XGetPixel(image, col, row);
            unsigned char* p = &frame.pixels[3 * (static_cast<size_t>(frame.width) * y + col)];
            p[0] = (pixel & image->red_mask) >> 16;
            p[1] = (pixel & image->green_mask) >> 8;
            p[2] = pixel & image->blue_mask;
        }
    if (!shared)
        XDestroyImage(image);
    return frame;
}

} // namespace

Frame readWindow() {
    // What the X server shows in the window, not what GL holds in a buffer.
    return readDrawable(glXGetCurrentDrawable(), 0, 0);
}

Frame readScreen() {
    Display* x = glXGetCurrentDisplay();
    int left, top;
    Window child;
    XTranslateCoordinates(x, glXGetCurrentDrawable(), DefaultRootWindow(x), 0, 0, &left, &top,
                          &child);
    return readDrawable(DefaultRootWindow(x), left, top);
}

void resetGame() {
    chooseOpponent(0, 1);
    reviewShown = 0;
    gameMoves.clear();
    movesOnBoard = 0;
    if (showColumnValues == 1)
        mainMenu(9);
    if (showRows == 0)
        mainMenu(10);
    if (showMarks == 1)
        mainMenu(15);
    recordShown = 0;
    notice.clear();
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
    // Frames here are drawn without the main loop that paces a fall: the
    // tests see balls at rest but where they turn the animation on.
    animationOn = 0;
    soundOn = 0;
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
