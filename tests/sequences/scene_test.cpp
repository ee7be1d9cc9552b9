// The two scenes drawn on the generated assets, read back through GL state and pixels.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "app/clock.h"
#include "app/frame.h"
#include "app/manifest.h"
#include "app/startup.h"
#include "camera/camera.h"
#include "platform/tick.h"
#include "sequences/city.h"
#include "sequences/disco.h"
#include "sequences/disco_lamps.h"
#include "support/gl_context.h"

namespace {

// Loads the whole manifest once per process (tests run from build/bin, beside the assets),
// with the clocks on virtual time and a frame drawn at 0 s as a live run would.
class Scene : public GlTest {
  protected:
    // GL_LIGHT0 as the first city frame after start-up found it.
    struct LightState {
        float ambient[4], diffuse[4], specular[4], quadratic;
    };
    static inline LightState cityLight0{};

    void SetUp() override {
        GlTest::SetUp();
        static bool loaded = false;
        if (!loaded) {
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            platform::useVirtualTick(true);
            platform::setVirtualTick(1000);
            runLoaders();
            startClocks();
            reshape(kWidth, kHeight);
            drawFrame();
            glGetLightfv(GL_LIGHT0, GL_AMBIENT, cityLight0.ambient);
            glGetLightfv(GL_LIGHT0, GL_DIFFUSE, cityLight0.diffuse);
            glGetLightfv(GL_LIGHT0, GL_SPECULAR, cityLight0.specular);
            glGetLightfv(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, &cityLight0.quadratic);
            loaded = true;
        }
        reshape(kWidth, kHeight);
    }

    // Draws the frame of main-clock time t (seconds).
    static void frameAt(double t) {
        platform::setVirtualTick(static_cast<std::uint32_t>(1000 + std::lround(t * 1000)));
        drawFrame();
        glFinish();
    }

    static float fogEnd() {
        float end = 0;
        glGetFloatv(GL_FOG_END, &end);
        return end;
    }

    // Share of the framebuffer's pixels within `tolerance` of an RGB colour (0..255).
    static double shareNear(int r, int g, int b, int tolerance) {
        std::vector<std::uint8_t> rgba = context().readRgbaBottomUp();
        size_t near = 0;
        for (size_t i = 0; i < rgba.size(); i += 4)
            if (std::abs(rgba[i] - r) <= tolerance && std::abs(rgba[i + 1] - g) <= tolerance &&
                std::abs(rgba[i + 2] - b) <= tolerance)
                ++near;
        return static_cast<double>(near) / (rgba.size() / 4);
    }
};

TEST_F(Scene, FogEndFollowsModeAndTime) {
    struct Case {
        double t, end;
    } cases[] = {{5, 600}, {30, 600}, {37.1, 150}, {37.6, 100}, {38.6, 0},
                 {39.1, 100}, {40.1, 300}, {45, 400}, {70, 400}, {110, 400}};
    for (const Case& c : cases) {
        frameAt(c.t);
        EXPECT_NEAR(fogEnd(), c.end, 1e-3) << "t = " << c.t;
        EXPECT_TRUE(glIsEnabled(GL_FOG));
    }
}

TEST_F(Scene, DiscoLightsCircleWithTheirColoursAndAttenuation) {
    const double T = 45.25;
    keyboard('w', 0, 0); // a key changes the attenuation; the next disco frame sets it back
    frameAt(T);
    float view[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, view); // the camera's view after the frame
    const float tau = static_cast<float>(T);
    const float expected[4][4] = {
        {static_cast<float>(50 * std::cos(4.0 * tau)), 20,
         static_cast<float>(50 * std::sin(4.0 * tau)), 1},
        {static_cast<float>(50 * std::cos(5.0 * tau)), 20,
         static_cast<float>(50 * std::sin(6.0 * tau)), 1},
        {static_cast<float>(50 * std::cos(4.0 * tau) - 125), 20,
         static_cast<float>(50 * std::sin(4.0 * tau) - 184), 1},
        {static_cast<float>(50 * std::cos(5.0 * tau) - 125), 20,
         static_cast<float>(50 * std::sin(6.0 * tau) - 184), 1},
    };
    for (int i = 0; i < 4; ++i) {
        const GLenum light = GL_LIGHT0 + i;
        EXPECT_TRUE(glIsEnabled(light));
        // GL keeps positions in eye space: compare with the world position under the view.
        float eye[4];
        glGetLightfv(light, GL_POSITION, eye);
        const float* w = expected[i];
        for (int row = 0; row < 3; ++row) {
            const float e = view[row] * w[0] + view[4 + row] * w[1] + view[8 + row] * w[2] +
                            view[12 + row] * w[3];
            EXPECT_NEAR(eye[row], e, 1e-2) << "light " << i << " row " << row;
        }
        float diffuse[4], specular[4], ambient[4], quadratic = 0;
        glGetLightfv(light, GL_DIFFUSE, diffuse);
        glGetLightfv(light, GL_SPECULAR, specular);
        glGetLightfv(light, GL_AMBIENT, ambient);
        glGetLightfv(light, GL_QUADRATIC_ATTENUATION, &quadratic);
        const bool red = i % 2 == 0;
        EXPECT_FLOAT_EQ(diffuse[0], red ? 1.0f : 0.0f);
        EXPECT_FLOAT_EQ(diffuse[1], red ? 0.0f : 1.0f);
        EXPECT_FLOAT_EQ(specular[0], red ? 0.3f : 0.0f);
        EXPECT_FLOAT_EQ(specular[1], red ? 0.0f : 0.3f);
        EXPECT_FLOAT_EQ(ambient[2], 0.5f);
        EXPECT_FLOAT_EQ(quadratic, 0.0005f);
    }
    attenuation = 0;
}

TEST_F(Scene, CityStartsLitByLightZeroAsStartUpLeftIt) {
    const LightState& l = cityLight0;
    EXPECT_FLOAT_EQ(l.ambient[0], 0.4f);
    EXPECT_FLOAT_EQ(l.ambient[3], 1.0f);
    EXPECT_FLOAT_EQ(l.diffuse[0], 1.0f);
    EXPECT_FLOAT_EQ(l.diffuse[1], 0.0f);
    EXPECT_FLOAT_EQ(l.specular[0], 0.2f);
    EXPECT_FLOAT_EQ(l.quadratic, 0.001f);
}

TEST_F(Scene, CloseUpStandsInTheLoungeAndNods) {
    for (double t : {107.0, 111.3, 150.0}) {
        frameAt(t);
        EXPECT_FLOAT_EQ(camera.eye[0], -91.0f);
        EXPECT_FLOAT_EQ(camera.eye[1], -15.0f);
        EXPECT_FLOAT_EQ(camera.center[0], -124.0f);
        EXPECT_NEAR(camera.center[1], 5.0 * std::sin(6.5 * (t - 74) + 0.5) - 16.0, 1e-4);
        EXPECT_FLOAT_EQ(camera.center[2], 109.0f);
    }
}

TEST_F(Scene, CityDriftsIntoFogAndTheDiscoOpensOutOfIt) {
    // The city's last frames and the disco's first are the fog colour nearly everywhere.
    frameAt(36.5); // the last flight frame places the eye where the drift starts
    for (double t = 36.6; t < 38.59; t += 1.0 / 30)
        frameAt(t);
    frameAt(38.59);
    EXPECT_GT(shareNear(128, 128, 178, 6), 0.95) << "city close at 38.59 s";
    frameAt(38.6);
    EXPECT_GT(shareNear(128, 128, 178, 6), 0.95) << "disco opening at 38.6 s";
}

TEST_F(Scene, DiscoIsLitRedAndGreenWithBrightBeams) {
    // Over a stretch of the tour: red-lit and green-lit surfaces, and near-white beam pixels.
    int redPixels = 0, greenPixels = 0, brightPixels = 0;
    for (double t = 42.0; t < 64.0; t += 2.0) {
        frameAt(t);
        std::vector<std::uint8_t> rgba = context().readRgbaBottomUp();
        for (size_t i = 0; i < rgba.size(); i += 4) {
            const int r = rgba[i], g = rgba[i + 1], b = rgba[i + 2];
            redPixels += r > g + 30 && r > b + 30;
            greenPixels += g > r + 30 && g > b + 30;
            brightPixels += r > 140 && g > 130 && r > b + 10; // warm, bright beam light
        }
        EXPECT_LT(shareNear(128, 128, 178, 6), 0.5) << "fog has opened at " << t;
    }
    EXPECT_GT(redPixels, 20);
    EXPECT_GT(greenPixels, 20);
    EXPECT_GT(brightPixels, 20);
}

// What the disco leaves out (the outside beyond the openings' rectangles, the far room
// beyond the arch's and the door's) was hidden: the pictures are the ones drawn with all of
// it, from the main room, the back room, the hold and the close-up.
TEST_F(Scene, DiscoLeavesOutOnlyWhatIsHidden) {
    for (double t : {39.0, 44.0, 50.0, 56.0, 60.0, 69.0, 80.0, 95.0, 106.0, 110.0, 118.0}) {
        // Both pictures drawn right after one of the same moment: the figures' poses follow
        // from the frame before.
        discoLeavesOutHidden = false;
        frameAt(t);
        frameAt(t);
        const std::vector<std::uint8_t> whole = context().readRgbaBottomUp();
        discoLeavesOutHidden = true;
        frameAt(t);
        const std::vector<std::uint8_t> cut = context().readRgbaBottomUp();
        ASSERT_EQ(whole.size(), cut.size());
        int differ = 0;
        for (size_t i = 0; i < whole.size(); i += 4)
            differ +=
                whole[i] != cut[i] || whole[i + 1] != cut[i + 1] || whole[i + 2] != cut[i + 2];
        // A pinhole in a seam of the room may show the outside in one picture and not the other.
        EXPECT_LE(differ, 1) << "at " << t << " s";
    }
}

TEST(Placements, WalkersCrossTheStreetAndTheQueueHopsRowByRow) {
    FigurePlacement city[kCityFigureCount];
    cityFigures(0.0, city);
    EXPECT_FLOAT_EQ(city[4].x, 104.0f);
    EXPECT_FLOAT_EQ(city[4].z, -69.0f);
    EXPECT_FLOAT_EQ(city[5].x, -104.0f);
    EXPECT_FLOAT_EQ(city[5].z, -61.0f);
    cityFigures(20.8, city);
    EXPECT_NEAR(city[4].x, -104.0f, 1e-4);
    EXPECT_NEAR(city[5].x, 104.0f, 1e-4);
    // The queue follows the single hopper, row by row, offsets falling from 10 s to 1 s.
    EXPECT_EQ(city[6].motion, &motHoppande);
    for (int row = 0; row < 10; ++row)
        for (int column = 0; column < 5; ++column) {
            const FigurePlacement& f = city[7 + row * 5 + column];
            EXPECT_EQ(f.motion, &motHoppande);
            EXPECT_FLOAT_EQ(f.x, -6.0f + 2 * column);
            EXPECT_FLOAT_EQ(f.z, -56.0f + 3 * row);
            EXPECT_FLOAT_EQ(f.offset, 10.0f - row);
        }
}

TEST(Placements, RingDancersFaceTheSameWayAQuarterSecondApart) {
    FigurePlacement disco[kDiscoFigureCount];
    discoFigures(10.0, disco);
    const float x[4] = {20, 0, -20, 0}, z[4] = {0, 20, 0, -20};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(disco[i].motion, &motHumanDance);
        EXPECT_NEAR(disco[i].x, x[i], 1e-5);
        EXPECT_NEAR(disco[i].z, z[i], 1e-5);
        EXPECT_FLOAT_EQ(disco[i].angle, -90.0f * (i + 1));
        EXPECT_FLOAT_EQ(disco[i].offset, 0.25f * i);
    }
    // The spinner on the lounge table turns 40 degrees per second of sequence time.
    EXPECT_EQ(disco[9].motion, &motHumanDance);
    EXPECT_FLOAT_EQ(disco[9].angle, -400.0f);
    EXPECT_EQ(disco[9].fps, 120u);
}

} // namespace
