#include "render_gl.h"

#include "CCube.h"
#include "CSphere.h"
#include "frame.h"
#include "game.h"
#include "render.h"
#include "swapcontrol.h"
#include "window.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
// After gl.h, whose GL 1.1 is all that Windows offers by name.
#include <GL/glext.h>

#include <cstring>

/* ---------------- The pieces ---------------- */

void Shape::ctm_multiply() {
    // The bottom row is sent as (0, 0, 0, 1) whatever row 3 of ctm holds.
    GLfloat f[16];
    for (int c = 0; c < 4; c++) {
        for (int r = 0; r < 3; r++)
            f[4 * c + r] = static_cast<GLfloat>(ctm.m[r][c]);
        f[4 * c + 3] = 0.0f;
    }
    f[15] = 1.0f;
    glMultMatrixf(f);
}

void Cube::draw(float red, float green, float blue) {
    glPushMatrix();
    ctm_multiply();
    glScalef(0.3f, 0.3f, 0.3f);
    for (int face = 0; face < 6; face++)
        draw_face(face, red, green, blue);
    glPopMatrix();
}

void Cube::draw_face(int face, float red, float green, float blue) {
    // No normal is given: the lines are lit with whatever normal is current.
    glColor3f(red, green, blue);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < 4; i++)
        glVertex3fv(vertices[faces[face][i]]);
    glEnd();
}

namespace {

// GLUT builds the ball's vertices and normals anew on every call, and hands
// them over strip by strip; built once into a display list, a ball is one call.
GLuint ballList = 0;

GLuint ball() {
    if (ballList == 0) {
        ballList = glGenLists(1);
        glNewList(ballList, GL_COMPILE);
        glutSolidSphere(0.3, 25, 25);
        glEndList();
    }
    return ballList;
}

} // namespace

void Sphere::draw(float red, float green, float blue) {
    GLuint list = ball();
    glColor3f(red, green, blue);
    glPushMatrix();
    ctm_multiply();
    glCallList(list);
    glPopMatrix();
    glFlush();
}

void Sphere::draw_band() {
    // The ball a hair larger, in black, between two planes a third of its
    // height apart; balls never turn, so the band lies level in every view.
    static const GLdouble below[4] = {0, 1, 0, 0.1}, above[4] = {0, -1, 0, 0.1};
    GLuint list = ball();
    glColor3f(0.0f, 0.0f, 0.0f);
    glPushMatrix();
    ctm_multiply();
    glClipPlane(GL_CLIP_PLANE0, below);
    glClipPlane(GL_CLIP_PLANE1, above);
    glEnable(GL_CLIP_PLANE0);
    glEnable(GL_CLIP_PLANE1);
    glScalef(1.01f, 1.01f, 1.01f);
    glCallList(list);
    glDisable(GL_CLIP_PLANE0);
    glDisable(GL_CLIP_PLANE1);
    glPopMatrix();
}

/* ---------------- Bitmap text ---------------- */

void* font = GLUT_BITMAP_TIMES_ROMAN_24;

void output(float x, float y, const char* str) {
    glRasterPos2f(x, y);
    size_t len = std::strlen(str);
    for (size_t i = 0; i < len; i++)
        glutBitmapCharacter(font, str[i]);
}

namespace {

void* fontOfSize(int size) {
    return size == 18   ? GLUT_BITMAP_HELVETICA_18
           : size == 12 ? GLUT_BITMAP_HELVETICA_12
                        : GLUT_BITMAP_HELVETICA_10;
}

// The bitmap fonts hold Latin-1 alone: an em dash is drawn as a bar of its
// width, a little above the baseline, and an ellipsis as three full stops.
void emDash() {
    static const GLubyte bar[4] = {0xff, 0xe0, 0, 0};
    glBitmap(11, 1, 0, -4, 12, 0, bar);
}

// The characters of a line from the raster position.
void characters(void* face, const std::string& line) {
    for (size_t i = 0; i < line.size(); i++) {
        if (line.compare(i, 3, "\u2014") == 0) {
            emDash();
            i += 2;
        } else if (line.compare(i, 3, "\u2026") == 0) {
            for (int dot = 0; dot < 3; dot++)
                glutBitmapCharacter(face, '.');
            i += 2;
        } else {
            glutBitmapCharacter(face, static_cast<unsigned char>(line[i]));
        }
    }
}

/* While a cube turns and nothing else moves, a frame starts from a copy of
   the board without the turning cube, colour and depth, kept from the last
   whole frame; it then draws the turning cube, what lies over the board, and
   the strip, as a whole frame does. The cubes stand apart in space, so the
   turning cube meets no other piece at the same depth, and drawing it after
   the other cubes rather than among them changes no pixel. Every frame is
   thus the whole frame to the byte, and whole whatever the window held
   before: an expose or a spin step, after a swap or not. */

// All that the board without the turning cube is drawn from; the turning
// cube's own transform is left at the identity.
struct StillScene {
    int turning = -1, width = 0, height = 0, marks = 0;
    int board[9][3][2] = {};
    float colours[9] = {};
    Matrix pieces[54];
};

StillScene sceneNow(int turning) {
    StillScene scene;
    scene.turning = turning;
    scene.width = winWidth;
    scene.height = winHeight;
    scene.marks = showMarks;
    std::memcpy(scene.board, spots, sizeof spots);
    const float colours[9] = {r, g, b, r1, g1, b1, r2, g2, b2};
    std::memcpy(scene.colours, colours, sizeof colours);
    for (int k = 0; k < 27; k++) {
        scene.pieces[k] = myWorld.spheres[k]->ctm;
        if (k != turning)
            scene.pieces[27 + k] = myWorld.cubes[k]->ctm;
    }
    return scene;
}

bool sameScene(const StillScene& a, const StillScene& b) {
    return a.turning == b.turning && a.width == b.width && a.height == b.height &&
           a.marks == b.marks && std::memcmp(a.board, b.board, sizeof a.board) == 0 &&
           std::memcmp(a.colours, b.colours, sizeof a.colours) == 0 &&
           std::memcmp(a.pieces, b.pieces, sizeof a.pieces) == 0;
}

// The framebuffer objects' entry points (GL 3.0), from the driver: Windows'
// GL library names none of them.
struct FramebufferCalls {
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
} fbo;

template <typename Procedure> bool load(Procedure& procedure, const char* name) {
    procedure = reinterpret_cast<Procedure>(glProcedure(name));
    return procedure != nullptr;
}

// Whether the driver has every one of them; once, with the context current.
bool loadFramebufferCalls() {
    return load(fbo.bindFramebuffer, "glBindFramebuffer") &&
           load(fbo.blitFramebuffer, "glBlitFramebuffer") &&
           load(fbo.genFramebuffers, "glGenFramebuffers") &&
           load(fbo.genRenderbuffers, "glGenRenderbuffers") &&
           load(fbo.renderbufferStorage, "glRenderbufferStorage") &&
           load(fbo.framebufferTexture2D, "glFramebufferTexture2D") &&
           load(fbo.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           load(fbo.checkFramebufferStatus, "glCheckFramebufferStatus") &&
           load(fbo.bindRenderbuffer, "glBindRenderbuffer");
}

// The copy, in a framebuffer object of the window's size.
struct StillCopy {
    GLuint framebuffer = 0, colour = 0, depth = 0;
    int width = 0, height = 0;
    // Whether it holds a picture, of which scene; the normal that the last
    // ball left, which lights the turning cube's lines.
    bool held = false;
    StillScene scene;
    GLfloat normal[3] = {};
    // A renderer without framebuffer objects, or whose depth buffer cannot be
    // copied, draws every frame whole.
    bool unusable = false;
} still;

// The copy is kept upside down: Mesa's software renderer keeps the window's
// rows top down, so a flipped blit of like formats is a plain copy of rows.
void blitWindow(GLuint from, GLuint to) {
    fbo.bindFramebuffer(GL_READ_FRAMEBUFFER, from);
    fbo.bindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    fbo.blitFramebuffer(0, 0, still.width, still.height, 0, still.height, still.width, 0,
                        GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
}

// Storage for a copy of the window's size: colour laid out as the window's
// (blue, green, red, then a byte), depth of the window's depth.
bool sizeStill() {
    if (still.framebuffer != 0 && still.width == winWidth && still.height == winHeight)
        return true;
    if (still.framebuffer == 0) {
        const GLubyte* extensions = glGetString(GL_EXTENSIONS);
        if (!hasExtension(reinterpret_cast<const char*>(extensions), "GL_ARB_framebuffer_object") ||
            !loadFramebufferCalls())
            return false;
        fbo.genFramebuffers(1, &still.framebuffer);
        glGenTextures(1, &still.colour);
        fbo.genRenderbuffers(1, &still.depth);
    }
    GLint depthBits = 0, stencilBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    still.width = winWidth;
    still.height = winHeight;
    glBindTexture(GL_TEXTURE_2D, still.colour);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, still.width, still.height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, still.depth);
    fbo.renderbufferStorage(GL_RENDERBUFFER,
                            stencilBits > 0   ? GL_DEPTH24_STENCIL8
                            : depthBits == 32 ? GL_DEPTH_COMPONENT32
                            : depthBits == 16 ? GL_DEPTH_COMPONENT16
                                              : GL_DEPTH_COMPONENT24,
                            still.width, still.height);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, 0);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, still.framebuffer);
    fbo.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, still.colour, 0);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER,
                                stencilBits > 0 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                GL_RENDERBUFFER, still.depth);
    bool complete = fbo.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    return complete;
}

// The one place that decides: a frame may start from the copy only while a
// cube turns and the copy shows the scene as it stands, the turning cube
// aside. A move, a view key, a colour, a resize or another cell marked all
// change that scene; a page, the texts and the turning cube are drawn over
// the copy in every frame.
bool mayStartFromStill(int turning) {
    return turning >= 0 && still.held && sameScene(still.scene, sceneNow(turning));
}

// After a whole frame's board without the turning cube: copies it for the
// frames after.
void keepStill(int turning) {
    still.held = false;
    if (turning < 0 || still.unusable)
        return;
    // Errors left from before would read as the copy's own.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; i++) {
    }
    glDisable(GL_SCISSOR_TEST);
    bool sized = sizeStill();
    if (sized)
        blitWindow(0, still.framebuffer);
    glEnable(GL_SCISSOR_TEST);
    if (!sized || glGetError() != GL_NO_ERROR) {
        still.unusable = true;
        return;
    }
    still.held = true;
    still.scene = sceneNow(turning);
    glGetFloatv(GL_CURRENT_NORMAL, still.normal);
}

// The copy into the window's back buffer, with the state the whole frame
// had at that point.
void startFromStill() {
    glDisable(GL_SCISSOR_TEST);
    blitWindow(still.framebuffer, 0);
    glNormal3fv(still.normal);
    framesFromStill++;
}

} // namespace

/* ---------------- A frame ---------------- */

bool renderStartFrame(int turning) {
    if (mayStartFromStill(turning)) {
        startFromStill();
        return false;
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
}

void renderKeepBoard(int turning) { keepStill(turning); }

void renderEndFrame() {
    glFlush();
    glutSwapBuffers();
}

void renderViewport(int x, int y, int width, int height) { glViewport(x, y, width, height); }

void renderClip(int x, int y, int width, int height) {
    if (width == 0) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glScissor(x, y, width, height);
    glEnable(GL_SCISSOR_TEST);
}

void renderColour(float red, float green, float blue) { glColor3f(red, green, blue); }

void renderOver(bool over, float width) {
    if (over) {
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
    } else {
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
    }
    glLineWidth(width);
}

void renderLines(const float (*ends)[3], int points, const float colour[3]) {
    glColor3f(colour[0], colour[1], colour[2]);
    glBegin(GL_LINES);
    for (int i = 0; i < points; i++)
        glVertex3fv(ends[i]);
    glEnd();
}

void renderLabel(const float at[3], const float colour[3], const std::string& text) {
    glDisable(GL_LIGHTING);
    font = GLUT_BITMAP_HELVETICA_18;
    glColor3f(colour[0], colour[1], colour[2]);
    glRasterPos3f(at[0], at[1], at[2]);
    characters(font, text);
    glEnable(GL_LIGHTING);
}

void renderText(float x, float y, int size, const float colour[3], const std::string& text, int) {
    font = fontOfSize(size);
    glColor3f(colour[0], colour[1], colour[2]);
    glRasterPos2f(x, y);
    characters(font, text);
}

void renderGraph(bool on) {
    if (on) {
        // Pixels of the strip, unlit: the colours are the players' own.
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, 800, 0, 150, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        return;
    }
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void renderGraphLines(const float (*points)[2], int count, int joined, const float colour[3],
                      float width) {
    glLineWidth(width);
    glColor3fv(colour);
    glBegin(joined == 0 ? GL_LINES : joined == 1 ? GL_LINE_STRIP : GL_LINE_LOOP);
    for (int i = 0; i < count; i++)
        glVertex2fv(points[i]);
    glEnd();
    glLineWidth(1.0f);
}

void renderGraphPoints(const float (*points)[2], const float (*colours)[3], int count, float size) {
    glPointSize(size);
    glBegin(GL_POINTS);
    for (int i = 0; i < count; i++) {
        glColor3fv(colours[i]);
        glVertex2fv(points[i]);
    }
    glEnd();
    glPointSize(1.0f);
}

void renderGraphRect(float left, float bottom, float right, float top, const float colour[3]) {
    glColor3fv(colour);
    glRectf(left, bottom, right, top);
}

void renderGraphText(float x, float y, int size, const float colour[3], const std::string& text,
                     int) {
    glColor3fv(colour);
    glRasterPos2f(x, y);
    characters(fontOfSize(size), text);
}
