// The two camera flights read back through the demo's own path reader and sampled as the
// sequences sample them: where the eye goes, what it looks at, and that nothing comes
// within the near plane's 5 units of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "animation/camera_path.h"
#include "animation/spline.h"
#include "sequences/disco_lamps.h"
#include "world/layout.h"
#include "world/world.h"
#include "world_support.h"

using namespace gen::world::layout;

namespace {

constexpr float kNear = 5.0f;

struct View {
    P3 eye, centre;
};

P3 sample(const CameraPath& path, float t, bool byLength) {
    P3 p{0, 0, 0};
    path.sample(std::min(t, 1.0f), byLength, &p.x, &p.y, &p.z, SplineMode::CatmullRom);
    return p;
}

// The city's camera at clock seconds s (the flight; the closing drift is not on the path).
View cityView(const CameraPath& path, double s) {
    return {sample(path, static_cast<float>(s / 40), false),
            sample(path, static_cast<float>((s + 3) / 40), false)};
}

// The disco's camera at main-clock seconds T, as the timeline passes time to the sequence.
View discoView(const CameraPath& path, double T) {
    if (T >= 107)
        return {{-91, -15, 109}, {-124, -16, 109}};
    const double t = T < 64 ? T - 38.6 : T < 74 ? 25.4 : T - 48.6;
    return {sample(path, static_cast<float>(t / 60), true),
            sample(path, static_cast<float>((t + 3) / 60), true)};
}

// Degrees between where the camera looks and the direction to `target`.
float offAxis(const View& v, P3 target) {
    const float c = dot(unit(v.centre - v.eye), unit(target - v.eye));
    return std::acos(std::max(-1.0f, std::min(1.0f, c))) * 57.29578f;
}

// Whether `target` is inside a 60 degree tall, 16:9 view.
bool inView(const View& v, P3 target) {
    const P3 f = unit(v.centre - v.eye), r = unit(cross(f, {0, 1, 0})), u = cross(r, f);
    const P3 d = target - v.eye;
    const float depth = dot(d, f);
    if (depth <= kNear)
        return false;
    const float tanHalf = std::tan(30.0f / 57.29578f);
    return std::fabs(dot(d, u)) < depth * tanHalf &&
           std::fabs(dot(d, r)) < depth * tanHalf * 16.0f / 9.0f;
}

// A standing figure as a vertical segment of its height and a rough radius.
struct Body {
    P3 feet;
    float height;
};

float distanceToBody(P3 p, const Body& b) {
    const float y = std::max(b.feet.y, std::min(p.y, b.feet.y + b.height));
    return norm(p - P3{b.feet.x, y, b.feet.z}) - 0.3f * b.height;
}

class WorldPaths : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        city().load((generatedAssets() + "/models/city_path2.ASE").c_str());
        disco().load((generatedAssets() + "/models/disco_path.ASE").c_str());
    }
    static CameraPath& city() {
        static CameraPath path;
        return path;
    }
    static CameraPath& disco() {
        static CameraPath path;
        return path;
    }
};

} // namespace

TEST_F(WorldPaths, TheFilesCarryTheStoryboardsKnotsInTheRendererFrame) {
    const struct {
        CameraPath& path;
        std::vector<gen::Vec3> knots;
    } cases[] = {{city(), gen::world::cityPathKnots()}, {disco(), gen::world::discoPathKnots()}};
    for (const auto& c : cases) {
        ASSERT_EQ(c.path.knotCount, static_cast<int>(c.knots.size()));
        for (int i = 0; i < c.path.knotCount; ++i) {
            EXPECT_NEAR(c.path.knotX[i], c.knots[i].x, 1e-3f);
            EXPECT_NEAR(c.path.knotY[i], c.knots[i].y, 1e-3f);
            EXPECT_NEAR(c.path.knotZ[i], c.knots[i].z, 1e-3f);
        }
    }
    // The city samples by knot count: 40 knots, one passed every second.
    EXPECT_EQ(city().knotCount, 40);
}

TEST_F(WorldPaths, TheCityFlightTellsItsStory) {
    // From above at the start.
    EXPECT_GT(cityView(city(), 0).eye.y, 100);
    bool walkersSeen = false, dancerSeen = false, queueSeen = false;
    for (double s = 0; s < 36.6; s += 0.25) {
        const View v = cityView(city(), s);
        // Down in the main street with a walker ahead.
        const P3 walkers[] = {{static_cast<float>(104 - 10 * s), 3, -69},
                              {static_cast<float>(10 * s - 104), 3, -61}};
        for (P3 w : walkers)
            walkersSeen |= v.eye.z > kStreetSouth && v.eye.z < kStreetNorth && v.eye.y < 30 &&
                           inView(v, w) && norm(w - v.eye) < 80;
        // Close by the rooftop dancer, seeing him from his front (he faces +x), but not so
        // close that he overflows the picture.
        dancerSeen |=
            inView(v, {104, 92, -51}) && norm(v.eye - P3{104, 92, -51}) < 60 && v.eye.x > 104;
        // The queue ahead on the way to the door.
        queueSeen |= inView(v, {-2, 3, -42}) && norm(v.eye - P3{-2, 3, -42}) < 60;
    }
    EXPECT_TRUE(walkersSeen);
    EXPECT_TRUE(dancerSeen);
    EXPECT_TRUE(queueSeen);
    // The flight ends before the entrance, looking at the guards and the sign above them.
    const View end = cityView(city(), 36.6);
    EXPECT_LT(norm(end.eye - P3{kDoorX, 8, 0}), 12);
    EXPECT_LT(end.eye.z, 20);
    for (P3 p : {P3{28.4f, 2, 26.4f}, P3{33, 2, 26.4f}, P3{kDoorX, 24, kDiscoFrontZ}})
        EXPECT_TRUE(inView(end, p));
}

TEST_F(WorldPaths, TheCityEyeKeepsClearOfEverythingAndInsideTheSky) {
    const std::vector<Tri> solid =
        worldTriangles({"ground", "houses", "lamps", "roof", "disco_house"});
    for (double s = 0; s <= 36.6; s += 0.2) {
        const View v = cityView(city(), s);
        SCOPED_TRACE(s);
        ASSERT_GT(norm(v.centre - v.eye), 10.0f);
        ASSERT_GT(distanceToMesh(v.eye, solid), kNear);
        const std::vector<Body> bodies = {{{28.4f, 0, 26.4f}, 3.4f},
                                          {{33, 0, 26.4f}, 3.7f},
                                          {{30.9f, 5, 31.7f}, 6.8f},
                                          {{104, 85, -51}, 13.6f},
                                          {{-2, 1, -64}, 8.5f},
                                          {{static_cast<float>(104 - 10 * s), 0, -69}, 6.8f},
                                          {{static_cast<float>(10 * s - 104), 0, -61}, 6.8f}};
        for (const Body& b : bodies)
            ASSERT_GT(distanceToBody(v.eye, b), kNear);
        for (float z = -56; z <= -29; z += 3)
            ASSERT_GT(distanceToBody(v.eye, {{-2, 1, z}, 3.4f}) - 4, kNear);
        // Inside the sky dome as drawn (scaled by 1.4), with room to spare.
        const float r = kSkyRadius * kSkyScale, h = kSkyHeight * kSkyScale;
        ASSERT_LT((v.eye.x * v.eye.x + v.eye.z * v.eye.z) / (r * r) + v.eye.y * v.eye.y / (h * h),
                  0.8f);
    }
}

TEST_F(WorldPaths, TheDiscoTourShowsTheRoomAndEndsAtTheLounge) {
    // The fog has opened at 40.6 s (fraction 1/30) on the round floor and its dancers.
    const View open = discoView(disco(), 40.6);
    EXPECT_TRUE(inView(open, {0, 20, 0}));
    // The booth comes into view on the way.
    bool boothSeen = false;
    for (double T = 45; T < 60; T += 0.5)
        boothSeen |= inView(discoView(disco(), T), {-2, 50, -257});
    EXPECT_TRUE(boothSeen);
    // The ten-second hold overlooks the second floor: most of its lamps, the dancers, the
    // stage's performers.
    const View hold = discoView(disco(), 69);
    const View holdStart = discoView(disco(), 64.01);
    EXPECT_LT(norm(hold.eye - holdStart.eye), 1e-3f);
    int lamps = 0;
    for (float x : {-163.0f, -138.0f, -113.0f, -87.7f})
        for (float z : {-216.0f, -162.0f})
            lamps += inView(hold, {x, 55, z});
    EXPECT_GE(lamps, 6);
    for (P3 p : {P3{-139, 12, -182}, P3{-109, 12, -162}, P3{-145, 22, -230}, P3{-125, 22, -230}})
        EXPECT_TRUE(inView(hold, p)) << p.x << ", " << p.z;
    // The barman is seen at his bar before the lounge.
    bool barmanSeen = false;
    for (double T = 85; T < 100; T += 0.5)
        barmanSeen |= inView(discoView(disco(), T), {-134, 20, 39});
    EXPECT_TRUE(barmanSeen);
    // Just before the close-up the eye is in the lounge, near where the close-up stands.
    const View last = discoView(disco(), 106.99);
    EXPECT_LT(norm(last.eye - P3{-91, -15, 109}), 15);
    EXPECT_LT(offAxis(last, {-124, -12, 109}), 15);
}

TEST_F(WorldPaths, TheDiscoEyeKeepsClearOfEverythingInsideTheHall) {
    const std::vector<Tri> solid = worldTriangles(
        {"disco_room1", "floor", "loudspeekers", "tables", "scenes", "rigg", "sofa"});
    std::vector<Body> bodies = {
        {{-2, 41, -257}, 17},     {{-110, 3, -56}, 25},      {{-125, -36, 124}, 25},
        {{-139, -36, 124}, 25},   {{-121, -36, 95}, 25},     {{-124, -21, 109}, 17},
        {{-134, 0, 39}, 34},      {{-145, 10, -230}, 25.5f}, {{-125, 10, -230}, 25.5f},
        {{-139, 0, -182}, 25.5f}, {{-109, 0, -162}, 25.5f},  {{-169, 0, -162}, 25.5f}};
    for (P3 p : {P3{20, 8, 0}, P3{0, 8, 20}, P3{-20, 8, 0}, P3{0, 8, -20}})
        bodies.push_back({p, 34});
    const P3 anchors[] = {{17, 66, 17},     {-17, 66, 17},    {17, 66, -17},    {-17, 66, -17},
                          {-163, 60, -216}, {-138, 60, -216}, {-113, 60, -216}, {-87.7f, 60, -216},
                          {-163, 60, -162}, {-138, 60, -162}, {-113, 60, -162}, {-87.7f, 60, -162}};
    for (double T = 38.6; T < 120; T += 0.25) {
        const View v = discoView(disco(), T);
        SCOPED_TRACE(T);
        ASSERT_GT(norm(v.centre - v.eye), 10.0f);
        ASSERT_GT(v.eye.x, kHallX0 + kNear);
        ASSERT_LT(v.eye.x, kHallX1 - kNear);
        ASSERT_GT(v.eye.z, kHallZ0 + kNear);
        ASSERT_LT(v.eye.z, kHallZ1 - kNear);
        ASSERT_GT(distanceToMesh(v.eye, solid), kNear);
        for (const Body& b : bodies)
            ASSERT_GT(distanceToBody(v.eye, b), kNear);
        // A swinging lamp reaches 8 units from its anchor.
        for (P3 a : anchors)
            ASSERT_GT(norm(v.eye - a), 8 + kNear);
    }
}

namespace {

// A beam as the demo hangs it: blend.obj's cone (apex at the origin, opening downwards),
// moved 7 down and stretched 1.5 times in y, in the lamp's frame, which swings about the
// axis (1, 1, 1) through the anchor.
struct BeamCone {
    float mouthRadius = 0, rimRadius = 0, length = 0; // world units, along the lamp's -y
};

BeamCone beamCone() {
    BeamCone c;
    float bottom = 0;
    for (const Tri& t : worldTriangles({"blend"}))
        for (P3 v : {t.a, t.b, t.c}) {
            const float r = std::hypot(v.x, v.z);
            bottom = std::min(bottom, v.y);
            if (v.y > -0.01f)
                c.mouthRadius = std::max(c.mouthRadius, r);
            c.rimRadius = std::max(c.rimRadius, r);
        }
    c.length = -bottom * 1.5f;
    return c;
}

// p turned by `degrees` about the unit axis (1, 1, 1) / sqrt 3, as glRotatef turns it.
P3 turned(P3 p, float degrees) {
    const P3 k = unit({1, 1, 1});
    const float a = degrees / 57.29578f, c = std::cos(a), s = std::sin(a);
    return p * c + cross(k, p) * s + k * (dot(k, p) * (1 - c));
}

float segmentDistance(float px, float py, float ax, float ay, float bx, float by) {
    const float dx = bx - ax, dy = by - ay;
    const float f = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(px - ax - f * dx, py - ay - f * dy);
}

// Distance from p to the solid beam of the lamp at `anchor` swung by `degrees`; 0 inside.
float distanceToBeam(P3 p, const LampAnchor& anchor, float degrees, const BeamCone& c) {
    const P3 local = turned(p - P3{anchor.x, anchor.y, anchor.z}, -degrees);
    // Along the cone from its mouth, 7 below the anchor, and away from its axis.
    const float along = -(local.y + 7), out = std::hypot(local.x, local.z);
    const float radius = c.mouthRadius + (c.rimRadius - c.mouthRadius) * along / c.length;
    if (along >= 0 && along <= c.length && out <= radius)
        return 0;
    return std::min({segmentDistance(along, out, 0, 0, 0, c.mouthRadius),
                     segmentDistance(along, out, 0, c.mouthRadius, c.length, c.rimRadius),
                     segmentDistance(along, out, c.length, c.rimRadius, c.length, 0)});
}

} // namespace

TEST_F(WorldPaths, TheNearPlaneCutsNoBeamInAnyFrame) {
    const BeamCone cone = beamCone();
    ASSERT_GT(cone.rimRadius, cone.mouthRadius);
    ASSERT_NEAR(cone.length, 51, 1); // 34 units of cone, stretched 1.5 times
    // Every point of the near plane (5 units ahead, 60 degrees tall, up to 16:9 wide) lies
    // within its corner's distance of the eye; the margin covers the eye's and the beams'
    // motion between the frames sampled here (at 120 a second, under 0.3 units).
    const float halfHeight = kNear * std::tan(30.0f / 57.29578f);
    const float corner = std::sqrt(kNear * kNear + halfHeight * halfHeight * (1 + 256.0f / 81));
    float nearest = 1e9f;
    double when = 0;
    for (int frame = 0; frame < 120 * (120 - 39); ++frame) {
        const double T = 38.6 + frame / 120.0;
        const P3 eye = discoView(disco(), T).eye;
        float angles[4];
        swingAngles(T, angles);
        for (const LampAnchor* group : {lampGroupA, lampGroupB})
            for (int i = 0; i < (group == lampGroupA ? 4 : 8); ++i) {
                const float d = distanceToBeam(eye, group[i], angles[group[i].swing], cone);
                if (d < nearest) {
                    nearest = d;
                    when = T;
                }
            }
    }
    EXPECT_GT(nearest, corner + 0.3f) << "at " << when << " s";
}

namespace {

constexpr float kFogEnd = 400.0f, kFar = 1000.0f;

// How far beyond the fog's end (in eye depth, which is what linear fog reads) the first
// surface along the ray from the eye through `target` lies; a negative number when something
// stands between the eye and the target, or when the ray meets nothing.
float depthBehind(const View& v, P3 target, const std::vector<Tri>& solid) {
    const P3 dir = unit(target - v.eye);
    const float hit = rayHit(v.eye, dir, solid);
    if (hit < 0)
        return std::numeric_limits<float>::infinity(); // out into the clear colour
    if (hit < norm(target - v.eye) - 0.5f)
        return -1;
    return hit * dot(dir, unit(v.centre - v.eye));
}

} // namespace

TEST_F(WorldPaths, TheWindowsOpenOntoTheGlowOrTheHazySkyline) {
    const std::vector<Tri> solid = worldTriangles(
        {"disco_room1", "floor", "loudspeekers", "tables", "scenes", "rigg", "sofa"});
    // Each opening: a corner, the way across its width, the way across its height, its
    // panes. The lounge's glass floor is one too (up to the tiles under the steps).
    const P3 up{0, 1, 0};
    const struct {
        const char* name;
        P3 start, across;
        float width;
        P3 side;
        float height;
        int panes;
    } windows[] = {
        {"booth",
         {kBoothX0, kBoothWindowY0, kHallZ0},
         {1, 0, 0},
         kBoothX1 - kBoothX0,
         up,
         kBoothWindowY1 - kBoothWindowY0,
         3},
        {"lounge",
         {kHallX0, kLoungeWindowY0, kLoungeWindowZ1},
         {0, 0, -1},
         kLoungeWindowZ1 - kLoungeWindowZ0,
         up,
         kLoungeWindowY1 - kLoungeWindowY0,
         3},
        {"pit",
         {kLoungeX0, kPitWindowY0, kPitWindowZ1},
         {0, 0, -1},
         kPitWindowZ1 - kPitWindowZ0,
         up,
         kPitWindowY1 - kPitWindowY0,
         3},
        {"main room's",
         {kHallX0, kLoungeWindowY0, kMainWindowZ1},
         {0, 0, -1},
         kMainWindowZ1 - kMainWindowZ0,
         up,
         kLoungeWindowY1 - kLoungeWindowY0,
         5},
        {"lounge's north",
         {kNorthWindowX1, kLoungeWindowY0, kHallZ1},
         {-1, 0, 0},
         kNorthWindowX1 - kNorthWindowX0,
         up,
         kLoungeWindowY1 - kLoungeWindowY0,
         4},
        {"pit's south side",
         {kLoungeX0 + 2, kPitSideWindowY0, kLoungeZ0},
         {1, 0, 0},
         kLoungeX1 - kLoungeX0 - 4,
         up,
         kPitSideWindowY1 - kPitSideWindowY0,
         7},
        {"pit's north side",
         {kLoungeX1 - 2, kPitSideWindowY0, kLoungeZ1},
         {-1, 0, 0},
         kLoungeX1 - kLoungeX0 - 4,
         up,
         kPitSideWindowY1 - kPitSideWindowY0,
         7},
        {"glass floor",
         {kGlassX0, kLoungeFloor, kGlassZ0},
         {1, 0, 0},
         kGlassX1 - kGlassX0,
         {0, 0, 1},
         kGlassStepsZ - kGlassZ0,
         kGlassPanesX},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.name);
        int seen = 0;
        for (double T = 38.6; T < 120; T += 0.5) {
            const View v = discoView(disco(), T);
            // The middle of every pane at four heights.
            for (int pane = 0; pane < w.panes; ++pane)
                for (float f : {0.2f, 0.4f, 0.6f, 0.8f}) {
                    const P3 p = w.start + w.across * (w.width * (pane + 0.5f) / w.panes) +
                                 w.side * (f * w.height);
                    if (!inView(v, p))
                        continue;
                    const float depth = depthBehind(v, p, solid);
                    if (depth < 0)
                        continue; // hidden behind something in the room
                    ++seen;
                    EXPECT_LT(depth, kFar) << "at " << T << " s";
                    if (depth >= kFogEnd)
                        continue;
                    // Nearer than the glow only the opening's own bars, met by a look
                    // that crosses it aslant, and the lounge's skyline may stand, the
                    // skyline at least its nearest row's distance beyond the west wall,
                    // deep in the haze.
                    const P3 dir = unit(p - v.eye);
                    const P3 hit = v.eye + dir * rayHit(v.eye, dir, solid);
                    if (std::fabs(dot(hit - p, unit(cross(w.across, w.side)))) < 1)
                        continue;
                    EXPECT_GE(kHallX0 - hit.x, kSkylineNear - 0.5f)
                        << "at " << T << " s, depth " << depth;
                }
        }
        EXPECT_GT(seen, 20);
    }
}

TEST_F(WorldPaths, TheDjAndTheTableDancerStandAgainstTheGlow) {
    const std::vector<Tri> solid = worldTriangles(
        {"disco_room1", "floor", "loudspeekers", "tables", "scenes", "rigg", "sofa"});
    // The DJ's chest and head, seen on the way to his booth against the window behind it.
    int djMoments = 0;
    for (double T = 45; T < 58; T += 0.5) {
        const View v = discoView(disco(), T);
        bool both = true;
        for (P3 p : {P3{-2, 50, -257}, P3{-2, 56, -257}})
            both = both && inView(v, p) && depthBehind(v, p, solid) >= kFogEnd;
        djMoments += both;
    }
    EXPECT_GE(djMoments, 6);
    // The spinning dancer, from feet to head, against the lounge's windows in the close-up.
    const View closeUp = discoView(disco(), 110);
    for (float y : {-19.0f, -14.0f, -8.0f, -5.0f})
        EXPECT_GE(depthBehind(closeUp, {-124, y, 109}, solid), kFogEnd) << y;
}

TEST_F(WorldPaths, TheCloseUpSeesTheTableDancerUnblocked) {
    const std::vector<Tri> solid = worldTriangles(
        {"disco_room1", "floor", "loudspeekers", "tables", "scenes", "rigg", "sofa"});
    const P3 eye{-91, -15, 109};
    for (float y : {-19.0f, -14.0f, -8.0f}) { // legs, body, head of the dancer on the table
        const P3 target{-124, y, 109};
        const float hit = rayHit(eye, unit(target - eye), solid);
        EXPECT_TRUE(hit < 0 || hit > norm(target - eye)) << y;
    }
    // The three sitters are in the picture as well.
    const View closeUp{eye, {-124, -16, 109}};
    for (P3 p : {P3{-125, -22, 124}, P3{-139, -22, 124}, P3{-121, -22, 95}})
        EXPECT_TRUE(inView(closeUp, p));
}
