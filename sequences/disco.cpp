// The disco: the camera opens out of the fog and tours the room along the disco path among
// circling coloured lights, dancers and swinging lamps, then holds a nodding close-up.
#include "sequences/disco.h"

#include <GL/gl.h>

#include <cmath>

#include "app/clock.h"
#include "app/manifest.h"
#include "camera/camera.h"
#include "sequences/disco_lamps.h"
#include "sequences/figure.h"
#include "sequences/fog.h"

namespace {

const double kPi = 3.14159265358979323846;

// Seconds of sequence time over which the eye runs the whole disco path.
const double kPathSeconds = 60.0;
const double kLookAheadSeconds = 3.0;

void placeCamera(int mode, double t) {
    if (mode < 2) {
        const double h = std::fmod(t, kPathSeconds);
        camera.eyeFromPath(pathDisco, static_cast<float>(h / kPathSeconds), true,
                           SplineMode::CatmullRom);
        camera.centerFromPath(pathDisco, static_cast<float>((h + kLookAheadSeconds) / kPathSeconds),
                              true, SplineMode::CatmullRom);
    } else {
        // Standing in the lounge, facing the dancer on the table, nodding.
        camera.setCenter(-124, static_cast<float>(5.0 * std::sin(6.5 * t + 0.5) - 16.0), 109);
        camera.setEye(-91, -15, 109);
    }
    camera.setUp(0, 1, 0);
    camera.apply();
}

} // namespace

void discoLightPosition(int light, float tau, float out[4]) {
    // Red lights circle, green lights run Lissajous figures, around two centres at height 20.
    const double cx = light < 2 ? 0.0 : -125.0;
    const double cz = light < 2 ? 0.0 : -184.0;
    const bool red = light % 2 == 0;
    out[0] = static_cast<float>(50.0 * std::cos((red ? 4.0 : 5.0) * tau) + cx);
    out[1] = 20.0f;
    out[2] = static_cast<float>(50.0 * std::sin((red ? 4.0 : 6.0) * tau) + cz);
    out[3] = 1.0f;
}

void setDiscoLights(double T) {
    const float tau = static_cast<float>(T);
    static const GLfloat kRed[4] = {1, 0, 0, 1}, kRedSpecular[4] = {0.3f, 0, 0, 1};
    static const GLfloat kGreen[4] = {0, 1, 0, 1}, kGreenSpecular[4] = {0, 0.3f, 0, 1};
    static const GLfloat kAmbient[4] = {0.5f, 0.5f, 0.5f, 1};
    glPushMatrix();
    for (int i = 0; i < 4; ++i) {
        const GLenum light = GL_LIGHT0 + i;
        const bool red = i % 2 == 0;
        float position[4];
        discoLightPosition(i, tau, position);
        glEnable(light);
        glLightfv(light, GL_POSITION, position);
        glLightfv(light, GL_DIFFUSE, red ? kRed : kGreen);
        glLightfv(light, GL_SPECULAR, red ? kRedSpecular : kGreenSpecular);
        glLightfv(light, GL_AMBIENT, kAmbient);
        glLightf(light, GL_QUADRATIC_ATTENUATION, 0.0005f);
    }
    glPopMatrix();
}

void discoFigures(double t, FigurePlacement out[kDiscoFigureCount]) {
    int n = 0;
    // Four dancers in a ring of radius 20 on the raised floor, all facing the same way relative
    // to the ring, a quarter second apart.
    for (int i = 0; i < 4; ++i) {
        const double a = i * kPi / 2.0;
        out[n++] = {&motHumanDance, static_cast<float>(20.0 * std::cos(a)), 8,
                    static_cast<float>(20.0 * std::sin(a)), static_cast<float>(-90 * (i + 1)),
                    0.2f, 60, static_cast<float>(0.25 * i)};
    }
    out[n++] = {&motJuck, -2, 41, -257, 90, 0.1f, 60, 0};       // the booth
    out[n++] = {&motSitting, -110, 3, -56, -90, 0.2f, 60, 0};   // a seat by the floor
    out[n++] = {&motSitting, -125, -36, 124, 180, 0.2f, 60, 0}; // the lounge
    out[n++] = {&motSitting, -139, -36, 124, 180, 0.2f, 60, 2};
    out[n++] = {&motSitting, -121, -36, 95, 0, 0.2f, 120, 4};
    // The dancer spinning on the lounge table, 40 degrees per second of sequence time.
    out[n++] = {&motHumanDance, -124, -21, 109, static_cast<float>(-40.0 * t), 0.1f, 120, 4};
    out[n++] = {&motBarMan, -134, 0, 39, 135, 0.2f, 60, 0};   // behind the bar
    out[n++] = {&motKelbro, -145, 10, -230, 0, 0.15f, 60, 0}; // on stage
    out[n++] = {&motKelbro, -125, 10, -230, 0, 0.15f, 60, 0};
    out[n++] = {&motPist2, -139, 0, -182, 0, 0.15f, 40, 0}; // the second floor
    out[n++] = {&motPist2, -109, 0, -162, -90, 0.15f, 40, 0};
    out[n++] = {&motPist2, -169, 0, -162, 90, 0.15f, 40, 0};
}

void drawDisco(int mode, double t) {
    const double T = clockMain.seconds();
    setSceneFog(mode == 0 ? static_cast<float>(200.0 * t) : 400.0f);
    placeCamera(mode, t);
    setDiscoLights(T);

    mdlDiscoRoom.draw();
    mdlFloor.draw();
    mdlLoudspeakers.draw();
    mdlTables.draw();
    mdlScenes.draw();
    mdlRigg.draw();
    mdlSofa.draw();

    FigurePlacement figures[kDiscoFigureCount];
    discoFigures(t, figures);
    for (const FigurePlacement& figure : figures)
        drawFigure(figure);
    drawDiscoLamps(T);
}
