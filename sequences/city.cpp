// The city: a fogged flight along the city path past the disco's entrance, then a two-second
// drift up into the fog.
#include "sequences/city.h"

#include <GL/gl.h>

#include <cmath>

#include "app/clock.h"
#include "app/manifest.h"
#include "camera/camera.h"
#include "sequences/figure.h"
#include "sequences/fog.h"

namespace {

const double kPi = 3.14159265358979323846;

// Seconds of clockAux over which the eye runs the whole city path.
const double kPathSeconds = 40.0;
// The eye looks at the point of the path it reaches this much later.
const double kLookAheadSeconds = 3.0;

// Places the camera on the path (mode 0) or drifts it from where it stopped (other modes).
// The drift is added once per frame, so its size grows with the frame rate.
void placeCamera(int mode, double t) {
    if (mode == 0) {
        const double s = clockAux.seconds();
        camera.eyeFromPath(pathCity, static_cast<float>(s / kPathSeconds), false,
                           SplineMode::CatmullRom);
        camera.centerFromPath(pathCity, static_cast<float>((s + kLookAheadSeconds) / kPathSeconds),
                              false, SplineMode::CatmullRom);
    } else {
        const double w = std::sin(kPi * t);
        camera.setEye(static_cast<float>(camera.eye[0] + 0.125 * w),
                      static_cast<float>(camera.eye[1] + w / 10.0), camera.eye[2]);
    }
    camera.setUp(0, 1, 0);
    camera.apply();
}

} // namespace

void cityFigures(double t, FigurePlacement out[kCityFigureCount]) {
    int n = 0;
    out[n++] = {&motVakt, 28.4f, 0, 26.4f, 180, 0.02f, 30, 0};
    out[n++] = {&motVakt, 33, 0, 26.4f, 180, 0.022f, 30, 0};
    out[n++] = {&motHumanDance, 30.9f, 5, 31.7f, 180, 0.04f, 40, 0};
    out[n++] = {&motPist, 104, 85, -51, 90, 0.08f, 60, 0};
    // Two walkers crossing the street in opposite directions at 10 units per second.
    const double walked = 10.0 * t;
    out[n++] = {&motWalkingMan, static_cast<float>(104.0 - walked), 0, -69, -90, 0.04f, 120, 0};
    out[n++] = {&motWalkingMan, static_cast<float>(walked - 104.0), 0, -61, 90, 0.04f, 120, 0};
    out[n++] = {&motHoppande, -2, 1, -64, 0, 0.05f, 60, 0};
    // The queue on the pavement: rows a second apart, so they hop out of step.
    static const float kColumns[5] = {-6, -4, -2, 0, 2};
    for (int row = 0; row < 10; ++row)
        for (float x : kColumns)
            out[n++] = {&motHoppande, x, 1, static_cast<float>(-56 + 3 * row), 180, 0.02f, 60,
                        static_cast<float>(10 - row)};
}

void drawCity(int mode, double t) {
    setSceneFog(mode == 0 ? 600.0f : static_cast<float>(200.0 - 100.0 * t));
    placeCamera(mode, t);

    glPushMatrix();
    light1.apply();
    glPopMatrix();

    glPushMatrix();
    mdlGround.draw();
    mdlHouses.draw();
    mdlLamps.draw();
    mdlRoof.draw();
    mdlDiscoHouse.draw();
    FigurePlacement figures[kCityFigureCount];
    cityFigures(t, figures);
    for (const FigurePlacement& figure : figures)
        drawFigure(figure);
    glPushMatrix();
    glScalef(1.4f, 1.4f, 1.4f);
    mdlSoftbox.draw();
    glPopMatrix();
    glPopMatrix();
}
