#include "render.h"

#include "CCube.h"
#include "CSphere.h"
#include "game.h"
#include "window_web.h"

#include <GLES3/gl3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

/* The browser's drawing, with WebGL 2: the desktop's picture from geometry
   uploaded once (a ball's mesh, a unit cube's edges), one lit shader that
   lights each vertex as OpenGL 1.x lights it, and one flat shader for lines,
   points and rectangles. Lines wider than a pixel, which WebGL does not
   draw, are drawn as quads. Texts are not drawn: they are gathered, each at
   its pixel of the canvas, and handed to the page, which lays them over it. */

namespace {

/* ---------------- Matrices, column-major as GL takes them ---------------- */

struct Mat4 {
    float m[16];
};

Mat4 identity() {
    Mat4 a = {};
    a.m[0] = a.m[5] = a.m[10] = a.m[15] = 1.0f;
    return a;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
    Mat4 c = {};
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 4; row++)
            for (int k = 0; k < 4; k++)
                c.m[4 * col + row] += a.m[4 * k + row] * b.m[4 * col + k];
    return c;
}

void transform(const Mat4& a, const float in[4], float out[4]) {
    for (int row = 0; row < 4; row++)
        out[row] =
            a.m[row] * in[0] + a.m[4 + row] * in[1] + a.m[8 + row] * in[2] + a.m[12 + row] * in[3];
}

Mat4 scaling(float s) {
    Mat4 a = identity();
    a.m[0] = a.m[5] = a.m[10] = s;
    return a;
}

// A piece's transform, its bottom row taken as (0, 0, 0, 1) as on the desktop.
Mat4 fromMatrix(const Matrix& ctm) {
    Mat4 a = identity();
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 3; r++)
            a.m[4 * c + r] = static_cast<float>(ctm.m[r][c]);
    return a;
}

Mat4 perspective(float fovy, float aspect, float near, float far) {
    const float f = 1.0f / std::tan(fovy * 3.14159265f / 360.0f);
    Mat4 a = {};
    a.m[0] = f / aspect;
    a.m[5] = f;
    a.m[10] = (far + near) / (near - far);
    a.m[11] = -1.0f;
    a.m[14] = 2.0f * far * near / (near - far);
    return a;
}

Mat4 lookAt(const float eye[3], const float centre[3], const float up[3]) {
    float f[3] = {centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]};
    auto normalise = [](float v[3]) {
        const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int i = 0; i < 3; i++)
            v[i] /= length;
    };
    normalise(f);
    float s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2],
                  f[0] * up[1] - f[1] * up[0]};
    normalise(s);
    const float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                        s[0] * f[1] - s[1] * f[0]};
    Mat4 a = identity();
    for (int i = 0; i < 3; i++) {
        a.m[4 * i] = s[i];
        a.m[4 * i + 1] = u[i];
        a.m[4 * i + 2] = -f[i];
    }
    a.m[12] = -(s[0] * eye[0] + s[1] * eye[1] + s[2] * eye[2]);
    a.m[13] = -(u[0] * eye[0] + u[1] * eye[1] + u[2] * eye[2]);
    a.m[14] = f[0] * eye[0] + f[1] * eye[1] + f[2] * eye[2];
    return a;
}

Mat4 ortho(float left, float right, float bottom, float top) {
    Mat4 a = identity();
    a.m[0] = 2.0f / (right - left);
    a.m[5] = 2.0f / (top - bottom);
    a.m[10] = -1.0f;
    a.m[12] = -(right + left) / (right - left);
    a.m[13] = -(top + bottom) / (top - bottom);
    return a;
}

/* ---------------- Shaders and geometry ---------------- */

// Each vertex lit as OpenGL 1.x lights it with a directional light, colour
// material and an infinite viewer: ambient (the scene's 0.2 and the
// light's), diffuse and a white highlight; the band keeps a slice of the ball.
const char* const litVertex = R"(#version 300 es
in vec3 position;
in vec3 normal;
uniform mat4 modelView;
uniform mat4 projection;
uniform vec3 colour;
uniform vec3 light;
uniform vec3 halfway;
uniform float ambient;
uniform float shininess;
out vec3 shade;
out float height;
void main() {
    gl_Position = projection * modelView * vec4(position, 1.0);
    vec3 n = normalize(mat3(modelView) * normal);
    float d = max(dot(n, light), 0.0);
    float s = d > 0.0 ? pow(max(dot(n, halfway), 0.0), shininess) : 0.0;
    shade = min(colour * (ambient + d) + vec3(s), vec3(1.0));
    height = position.y;
}
)";

const char* const litFragment = R"(#version 300 es
precision mediump float;
in vec3 shade;
in float height;
uniform float band;
out vec4 pixel;
void main() {
    if (band > 0.0 && abs(height) > band)
        discard;
    pixel = vec4(shade, 1.0);
}
)";

const char* const flatVertex = R"(#version 300 es
in vec4 position;
uniform mat4 transform;
void main() {
    gl_Position = transform * position;
}
)";

const char* const flatFragment = R"(#version 300 es
precision mediump float;
uniform vec3 colour;
out vec4 pixel;
void main() {
    pixel = vec4(colour, 1.0);
}
)";

struct Lit {
    GLuint program = 0;
    GLint modelView, projection, colour, light, halfway, ambient, shininess, band;
} lit;

struct Flat {
    GLuint program = 0;
    GLint transform, colour;
} flat;

GLuint ballVertices = 0, ballIndices = 0, cubeEdges = 0, stream = 0;
GLsizei ballIndexCount = 0;
GLuint ballArray = 0, cubeArray = 0, streamArray = 0;

GLuint compile(GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

GLuint link(const char* vertex, const char* fragment) {
    GLuint program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, vertex));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, fragment));
    glBindAttribLocation(program, 0, "position");
    glBindAttribLocation(program, 1, "normal");
    glLinkProgram(program);
    return program;
}

// The ball as the desktop's toolkit builds it: radius 0.3, 25 slices about
// the z axis and 25 stacks from pole to pole, a normal at each vertex.
void buildBall() {
    const int slices = 25, stacks = 25;
    std::vector<float> vertices;
    for (int i = 0; i <= stacks; i++) {
        const float phi = 3.14159265f * static_cast<float>(i) / stacks;
        for (int j = 0; j <= slices; j++) {
            const float theta = 2.0f * 3.14159265f * static_cast<float>(j) / slices;
            const float n[3] = {std::cos(theta) * std::sin(phi), std::sin(theta) * std::sin(phi),
                                std::cos(phi)};
            for (int a = 0; a < 3; a++)
                vertices.push_back(0.3f * n[a]);
            for (int a = 0; a < 3; a++)
                vertices.push_back(n[a]);
        }
    }
    std::vector<unsigned short> indices;
    for (int i = 0; i < stacks; i++)
        for (int j = 0; j < slices; j++) {
            const unsigned short a = static_cast<unsigned short>(i * (slices + 1) + j);
            const unsigned short b = static_cast<unsigned short>(a + slices + 1);
            const unsigned short quad[6] = {a,
                                            b,
                                            static_cast<unsigned short>(a + 1),
                                            static_cast<unsigned short>(a + 1),
                                            b,
                                            static_cast<unsigned short>(b + 1)};
            indices.insert(indices.end(), quad, quad + 6);
        }
    ballIndexCount = static_cast<GLsizei>(indices.size());
    glGenVertexArrays(1, &ballArray);
    glBindVertexArray(ballArray);
    glGenBuffers(1, &ballVertices);
    glBindBuffer(GL_ARRAY_BUFFER, ballVertices);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)),
                 vertices.data(), GL_STATIC_DRAW);
    glGenBuffers(1, &ballIndices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ballIndices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(indices.size() * sizeof(unsigned short)), indices.data(),
                 GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                          reinterpret_cast<void*>(3 * sizeof(float)));
}

// The corners of the unit cube (each coordinate -1 or 1) and its twelve edges.
const float unitCorners[8][3] = {{-1, -1, -1}, {-1, 1, -1}, {1, -1, -1}, {1, 1, -1},
                                 {-1, -1, 1},  {-1, 1, 1},  {1, -1, 1},  {1, 1, 1}};
const int unitEdges[12][2] = {{0, 1}, {0, 2}, {1, 3}, {2, 3}, {4, 5}, {4, 6},
                              {5, 7}, {6, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

void buildCube() {
    float vertices[24][4];
    for (int e = 0; e < 12; e++)
        for (int end = 0; end < 2; end++) {
            for (int a = 0; a < 3; a++)
                vertices[2 * e + end][a] = unitCorners[unitEdges[e][end]][a];
            vertices[2 * e + end][3] = 1.0f;
        }
    glGenVertexArrays(1, &cubeArray);
    glBindVertexArray(cubeArray);
    glGenBuffers(1, &cubeEdges);
    glBindBuffer(GL_ARRAY_BUFFER, cubeEdges);
    glBufferData(GL_ARRAY_BUFFER, sizeof vertices, vertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    glGenVertexArrays(1, &streamArray);
    glBindVertexArray(streamArray);
    glGenBuffers(1, &stream);
    glBindBuffer(GL_ARRAY_BUFFER, stream);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindVertexArray(0);
}

/* ---------------- State of the frame ---------------- */

// The camera's projection and view, the model-view the pieces multiply into,
// the viewport, and what the strip's pixels are while the graph is drawn.
Mat4 projection, view, modelView, graphProjection;
int viewport[4] = {0, 0, 1, 1};
bool over = false, graphing = false;
float lineWidth = 1.0f;
// How bright the desktop lights lines and texts: the normal it leaves
// current faces the viewer, so ambient plus the light's diffuse share.
float lineLight = 1.0f;
bool ready = false;

// The texts of this frame and of the one the page shows.
std::vector<PageText> texts, shownTexts;
bool firstFrame = true;

void prepare() {
    if (ready)
        return;
    ready = true;
    lit.program = link(litVertex, litFragment);
    lit.modelView = glGetUniformLocation(lit.program, "modelView");
    lit.projection = glGetUniformLocation(lit.program, "projection");
    lit.colour = glGetUniformLocation(lit.program, "colour");
    lit.light = glGetUniformLocation(lit.program, "light");
    lit.halfway = glGetUniformLocation(lit.program, "halfway");
    lit.ambient = glGetUniformLocation(lit.program, "ambient");
    lit.shininess = glGetUniformLocation(lit.program, "shininess");
    lit.band = glGetUniformLocation(lit.program, "band");
    flat.program = link(flatVertex, flatFragment);
    flat.transform = glGetUniformLocation(flat.program, "transform");
    flat.colour = glGetUniformLocation(flat.program, "colour");
    buildBall();
    buildCube();
    const float eye[3] = {xeye, yeye, zeye}, centre[3] = {xref, yref, zref}, up[3] = {Vx, Vy, Vz};
    projection = perspective(vangle, 1.0f, dnear, dfar);
    view = lookAt(eye, centre, up);
    graphProjection = ortho(0, 800, 0, 150);
    // The light's direction and the halfway vector in the eye's space; the
    // scene's ambient 0.2 and the light's, each on the material's colour.
    float direction[4] = {light_position[0], light_position[1], light_position[2], 0.0f},
          eyeLight[4];
    transform(view, direction, eyeLight);
    const float length = std::sqrt(eyeLight[0] * eyeLight[0] + eyeLight[1] * eyeLight[1] +
                                   eyeLight[2] * eyeLight[2]);
    float halfway[3] = {eyeLight[0] / length, eyeLight[1] / length, eyeLight[2] / length + 1.0f};
    const float halfLength =
        std::sqrt(halfway[0] * halfway[0] + halfway[1] * halfway[1] + halfway[2] * halfway[2]);
    glUseProgram(lit.program);
    glUniform3f(lit.light, eyeLight[0] / length, eyeLight[1] / length, eyeLight[2] / length);
    glUniform3f(lit.halfway, halfway[0] / halfLength, halfway[1] / halfLength,
                halfway[2] / halfLength);
    glUniform1f(lit.ambient, 0.2f + light_ambient[0]);
    glUniform1f(lit.shininess, high_shininess[0]);
    glUniformMatrix4fv(lit.projection, 1, GL_FALSE, projection.m);
    const float facing =
        std::max(0.0f, light_position[2] / std::sqrt(light_position[0] * light_position[0] +
                                                     light_position[1] * light_position[1] +
                                                     light_position[2] * light_position[2]));
    lineLight = 0.2f + light_ambient[0] + facing * light_diffuse[0];
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
}

// A colour as the desktop shows a lit line or text: brighter, clamped.
void lightened(const float colour[3], float out[3]) {
    for (int i = 0; i < 3; i++)
        out[i] = std::min(1.0f, colour[i] * lineLight);
}

/* ---------------- Lines, points and rectangles ---------------- */

// Points in clip space, drawn flat in one colour as lines, a strip, a loop,
// triangles or points.
void drawClipped(const std::vector<float>& clip, GLenum mode, const float colour[3]) {
    if (clip.empty())
        return;
    glUseProgram(flat.program);
    const Mat4 none = identity();
    glUniformMatrix4fv(flat.transform, 1, GL_FALSE, none.m);
    glUniform3f(flat.colour, colour[0], colour[1], colour[2]);
    glBindVertexArray(streamArray);
    glBindBuffer(GL_ARRAY_BUFFER, stream);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(clip.size() * sizeof(float)), clip.data(),
                 GL_STREAM_DRAW);
    glDrawArrays(mode, 0, static_cast<GLsizei>(clip.size() / 4));
    glBindVertexArray(0);
}

// Segments between pairs of clip-space points as quads `width` pixels wide.
void wideSegments(const std::vector<float>& ends, float width, const float colour[3]) {
    std::vector<float> quads;
    for (size_t i = 0; i + 8 <= ends.size(); i += 8) {
        const float* a = &ends[i];
        const float* b = &ends[i + 4];
        if (a[3] <= 0.0f || b[3] <= 0.0f)
            continue;
        // Across the segment on the screen, half the width either side.
        float dx = (b[0] / b[3] - a[0] / a[3]) * static_cast<float>(viewport[2]);
        float dy = (b[1] / b[3] - a[1] / a[3]) * static_cast<float>(viewport[3]);
        const float length = std::sqrt(dx * dx + dy * dy);
        if (length == 0.0f)
            continue;
        const float nx = -dy / length * width / static_cast<float>(viewport[2]);
        const float ny = dx / length * width / static_cast<float>(viewport[3]);
        const float corners[4][4] = {{a[0] + nx * a[3], a[1] + ny * a[3], a[2], a[3]},
                                     {a[0] - nx * a[3], a[1] - ny * a[3], a[2], a[3]},
                                     {b[0] + nx * b[3], b[1] + ny * b[3], b[2], b[3]},
                                     {b[0] - nx * b[3], b[1] - ny * b[3], b[2], b[3]}};
        const int order[6] = {0, 1, 2, 2, 1, 3};
        for (int k : order)
            quads.insert(quads.end(), corners[k], corners[k] + 4);
    }
    drawClipped(quads, GL_TRIANGLES, colour);
}

// Lines between pairs of points, by `to` into clip space, in the colour as
// it shows now: lit unless drawn over the board.
void lines(const std::vector<float>& points, const Mat4& to, const float colour[3], bool litLines) {
    std::vector<float> clip(points.size());
    for (size_t i = 0; i + 4 <= points.size(); i += 4)
        transform(to, &points[i], &clip[i]);
    float shown[3] = {colour[0], colour[1], colour[2]};
    if (litLines)
        lightened(colour, shown);
    if (lineWidth > 1.5f)
        wideSegments(clip, lineWidth, shown);
    else
        drawClipped(clip, GL_LINES, shown);
}

// Where a scene point lands on the canvas, in pixels from its bottom left.
void canvasPoint(const Mat4& to, const float point[4], float& x, float& y) {
    float clip[4];
    transform(to, point, clip);
    x = static_cast<float>(viewport[0]) +
        (clip[0] / clip[3] + 1.0f) * 0.5f * static_cast<float>(viewport[2]);
    y = static_cast<float>(viewport[1]) +
        (clip[1] / clip[3] + 1.0f) * 0.5f * static_cast<float>(viewport[3]);
}

void gather(float x, float y, int size, const float colour[3], const std::string& text, int kind) {
    // Sizes are those of the picture at 800 pixels.
    const float scale = static_cast<float>(std::min(winWidth, winHeight)) / 800.0f;
    texts.push_back(
        {x, y, static_cast<float>(size) * scale, {colour[0], colour[1], colour[2]}, text, kind});
}

} // namespace

/* ---------------- The pieces ---------------- */

void Shape::ctm_multiply() { modelView = modelView * fromMatrix(ctm); }

void Cube::draw(float red, float green, float blue) {
    const Mat4 kept = modelView;
    ctm_multiply();
    modelView = modelView * scaling(0.3f);
    const float colour[3] = {red, green, blue};
    if (lineWidth > 1.5f) {
        std::vector<float> ends;
        for (const auto& edge : unitEdges)
            for (int end : edge) {
                ends.insert(ends.end(), unitCorners[end], unitCorners[end] + 3);
                ends.push_back(1.0f);
            }
        lines(ends, projection * modelView, colour, !over);
    } else {
        float shown[3] = {red, green, blue};
        if (!over)
            lightened(colour, shown);
        const Mat4 to = projection * modelView;
        glUseProgram(flat.program);
        glUniformMatrix4fv(flat.transform, 1, GL_FALSE, to.m);
        glUniform3f(flat.colour, shown[0], shown[1], shown[2]);
        glBindVertexArray(cubeArray);
        glDrawArrays(GL_LINES, 0, 24);
        glBindVertexArray(0);
    }
    modelView = kept;
}

void Cube::draw_face(int face, float red, float green, float blue) {
    const float colour[3] = {red, green, blue};
    std::vector<float> ends;
    for (int i = 0; i < 4; i++)
        for (int end : {faces[face][i], faces[face][(i + 1) % 4]}) {
            ends.insert(ends.end(), vertices[end], vertices[end] + 3);
            ends.push_back(1.0f);
        }
    lines(ends, projection * modelView, colour, !over);
}

namespace {

void drawBall(float red, float green, float blue, float band) {
    glUseProgram(lit.program);
    glUniformMatrix4fv(lit.modelView, 1, GL_FALSE, modelView.m);
    glUniform3f(lit.colour, red, green, blue);
    glUniform1f(lit.band, band);
    glBindVertexArray(ballArray);
    glDrawElements(GL_TRIANGLES, ballIndexCount, GL_UNSIGNED_SHORT, nullptr);
    glBindVertexArray(0);
}

} // namespace

void Sphere::draw(float red, float green, float blue) {
    const Mat4 kept = modelView;
    ctm_multiply();
    drawBall(red, green, blue, 0.0f);
    modelView = kept;
}

void Sphere::draw_band() {
    // The ball a hair larger, in black, between the planes a third of its
    // height apart, as on the desktop.
    const Mat4 kept = modelView;
    ctm_multiply();
    modelView = modelView * scaling(1.01f);
    drawBall(0.0f, 0.0f, 0.0f, 0.1f / 1.01f);
    modelView = kept;
}

/* ---------------- A frame ---------------- */

bool renderStartFrame(int) {
    prepare();
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, winWidth, winHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    texts.clear();
    modelView = view;
    return true;
}

void renderKeepBoard(int) {}

void renderEndFrame() {
    if (texts != shownTexts) {
        shownTexts = texts;
        showPageTexts(shownTexts);
    }
    showColumns();
    if (firstFrame) {
        firstFrame = false;
        firstFrameShown();
    }
}

void renderViewport(int x, int y, int width, int height) {
    viewport[0] = x;
    viewport[1] = y;
    viewport[2] = std::max(width, 1);
    viewport[3] = std::max(height, 1);
    glViewport(x, y, width, height);
}

void renderClip(int x, int y, int width, int height) {
    if (width == 0) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glScissor(x, y, width, height);
    glEnable(GL_SCISSOR_TEST);
}

void renderColour(float, float, float) {}

void renderOver(bool on, float width) {
    over = on;
    lineWidth = width;
    if (on)
        glDisable(GL_DEPTH_TEST);
    else
        glEnable(GL_DEPTH_TEST);
}

void renderLines(const float (*ends)[3], int points, const float colour[3]) {
    std::vector<float> scene;
    for (int i = 0; i < points; i++) {
        scene.insert(scene.end(), ends[i], ends[i] + 3);
        scene.push_back(1.0f);
    }
    lines(scene, projection * modelView, colour, !over);
}

void renderLabel(const float at[3], const float colour[3], const std::string& text) {
    const float point[4] = {at[0], at[1], at[2], 1.0f};
    float x, y;
    canvasPoint(projection * view, point, x, y);
    gather(x, y, 18, colour, text, labelText);
}

void renderText(float x, float y, int size, const float colour[3], const std::string& text,
                int kind) {
    const float point[4] = {x, y, 0.0f, 1.0f};
    float px, py, shown[3];
    canvasPoint(projection * view, point, px, py);
    lightened(colour, shown);
    gather(px, py, size, shown, text, kind);
}

void renderGraph(bool on) {
    graphing = on;
    if (on)
        glDisable(GL_DEPTH_TEST);
    else
        glEnable(GL_DEPTH_TEST);
}

void renderGraphLines(const float (*points)[2], int count, int joined, const float colour[3],
                      float width) {
    std::vector<float> ends;
    // As pairs of points, so that a strip or a loop may be drawn wide.
    const int segments = joined == 0 ? count / 2 : joined == 1 ? count - 1 : count;
    for (int s = 0; s < segments; s++)
        for (int end = 0; end < 2; end++) {
            const int i = joined == 0 ? 2 * s + end : (s + end) % count;
            ends.insert(ends.end(), {points[i][0], points[i][1], 0.0f, 1.0f});
        }
    const float kept = lineWidth;
    lineWidth = width;
    lines(ends, graphProjection, colour, false);
    lineWidth = kept;
}

void renderGraphPoints(const float (*points)[2], const float (*colours)[3], int count, float size) {
    for (int i = 0; i < count; i++)
        renderGraphRect(points[i][0] - size / 2, points[i][1] - size / 2, points[i][0] + size / 2,
                        points[i][1] + size / 2, colours[i]);
}

void renderGraphRect(float left, float bottom, float right, float top, const float colour[3]) {
    const float corners[4][2] = {{left, bottom}, {right, bottom}, {left, top}, {right, top}};
    std::vector<float> clip;
    for (int k : {0, 1, 2, 2, 1, 3}) {
        const float point[4] = {corners[k][0], corners[k][1], 0.0f, 1.0f};
        float out[4];
        transform(graphProjection, point, out);
        clip.insert(clip.end(), out, out + 4);
    }
    drawClipped(clip, GL_TRIANGLES, colour);
}

void renderGraphText(float x, float y, int size, const float colour[3], const std::string& text,
                     int kind) {
    const float px = static_cast<float>(viewport[0]) + x / 800.0f * static_cast<float>(viewport[2]);
    const float py = static_cast<float>(viewport[1]) + y / 150.0f * static_cast<float>(viewport[3]);
    gather(px, py, size, colour, text, kind);
}
