// The limit program: immediate-mode triangles like the demo's, timed.
#define GL_GLEXT_PROTOTYPES 1
#include "limit.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace capture {
namespace {

// A grid of N triangles (two per cell, the last row possibly short) centred at depth 100 in
// front of the eye, sized to cover `coverage` of a 60 degree view of the given aspect.
void drawGrid(int triangles, double aspect, double coverage) {
    const double halfHeight = 100.0 * std::tan(30.0 * 3.14159265358979323846 / 180.0);
    const double side = std::sqrt(coverage);
    const double h = 2.0 * halfHeight * side, w = h * aspect;
    const int cells = (triangles + 1) / 2;
    const int columns = std::max(1, static_cast<int>(std::lround(std::sqrt(cells * aspect))));
    const int rows = (cells + columns - 1) / columns;
    const double cw = w / columns, ch = h / rows;
    int drawn = 0;
    for (int r = 0; r < rows && drawn < triangles; ++r)
        for (int c = 0; c < columns && drawn < triangles; ++c) {
            const float x0 = static_cast<float>(-w / 2 + c * cw), x1 = static_cast<float>(x0 + cw);
            const float y0 = static_cast<float>(-h / 2 + r * ch), y1 = static_cast<float>(y0 + ch);
            const float u0 = static_cast<float>(c) / 8, u1 = static_cast<float>(c + 1) / 8;
            const float v0 = static_cast<float>(r) / 8, v1 = static_cast<float>(r + 1) / 8;
            const float corners[2][3][4] = {{{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x1, y1, u1, v1}},
                                            {{x0, y0, u0, v0}, {x1, y1, u1, v1}, {x0, y1, u0, v1}}};
            for (int t = 0; t < 2 && drawn < triangles; ++t, ++drawn) {
                glBegin(GL_POLYGON);
                for (const float* k : corners[t]) {
                    glNormal3f(0.0f, 0.0f, 1.0f);
                    glTexCoord2f(k[2], k[3]);
                    glVertex3f(k[0], k[1], -100.0f);
                }
                glEnd();
            }
        }
}

void setUpScene(double aspect, GLuint texture) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(60.0, aspect, 5.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    static const GLfloat kFog[4] = {0.5f, 0.5f, 0.7f, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, kFog);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 400.0f);
    glEnable(GL_FOG);
    glEnable(GL_LIGHTING);
    for (int i = 0; i < 4; ++i) {
        const GLenum light = GL_LIGHT0 + i;
        const GLfloat position[4] = {i % 2 ? 40.0f : -40.0f, i < 2 ? 30.0f : -30.0f, -80.0f, 1.0f};
        const GLfloat diffuse[4] = {i % 2 ? 0.0f : 1.0f, i % 2 ? 1.0f : 0.0f, 0.0f, 1.0f};
        const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
        glEnable(light);
        glLightfv(light, GL_POSITION, position);
        glLightfv(light, GL_DIFFUSE, diffuse);
        glLightfv(light, GL_SPECULAR, diffuse);
        glLightfv(light, GL_AMBIENT, ambient);
        glLightf(light, GL_QUADRATIC_ATTENUATION, 0.0005f);
    }
    const GLfloat grey[4] = {0.4f, 0.4f, 0.4f, 0.4f}, white[4] = {1, 1, 1, 1};
    glMaterialfv(GL_FRONT, GL_AMBIENT, grey);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
}

GLuint makeTexture() {
    std::vector<std::uint8_t> bgra(256 * 256 * 4);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            std::uint8_t* p = &bgra[(static_cast<size_t>(y) * 256 + x) * 4];
            p[0] = static_cast<std::uint8_t>(x ^ y);
            p[1] = static_cast<std::uint8_t>(x);
            p[2] = static_cast<std::uint8_t>(y);
            p[3] = 255;
        }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, 256, 256, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, bgra.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    return texture;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

} // namespace

LimitPoint measureLimit(int width, int height, int triangles, int repeats, bool fragmentQuery,
                        bool settle) {
    LimitPoint point;
    point.triangles = triangles;
    const double aspect = static_cast<double>(width) / height;
    GLint oldMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &oldMode);
    glPushAttrib(GL_ALL_ATTRIB_BITS); // the texture binding and the matrix mode too
    const GLuint texture = makeTexture();
    setUpScene(aspect, texture);
    GLuint query = 0;
    if (fragmentQuery)
        glGenQueries(1, &query);

    if (settle) {
        drawGrid(triangles, aspect, kLimitCoverage);
        glFinish();
    }
    std::vector<double> ms;
    for (int r = 0; r < repeats; ++r) {
        const bool counted = fragmentQuery && r == 0;
        if (counted)
            glBeginQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, query);
        const auto start = std::chrono::steady_clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawGrid(triangles, aspect, kLimitCoverage);
        glFinish();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (counted) {
            glEndQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
            GLuint64 fragments = 0;
            glGetQueryObjectui64v(query, GL_QUERY_RESULT, &fragments);
            point.fragmentsPerPixel = static_cast<double>(fragments) / (double(width) * height);
        }
    }
    point.medianMs = median(ms);

    if (fragmentQuery)
        glDeleteQueries(1, &query);
    glDeleteTextures(1, &texture);
    glPopAttrib();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(oldMode));
    return point;
}

} // namespace capture
