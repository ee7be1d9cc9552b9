// The generated figures as the demo sees them: every motion loaded through Motion, stepped
// frame by frame through Motion::draw on a held clock, and drawn once to check that the rig
// stands upright in the renderer's frame. The assets are generated into a scratch tree.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <lib3ds/file.h>
#include <lib3ds/node.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "animation/motion.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "assets/texture.h"
#include "common/generators.h"
#include "figures/motions.h"
#include "platform/tick.h"
#include "support/gl_context.h"
#include "support/paths.h"
#include "tools/picture/picture.h"

namespace {

struct P3 {
    double x, y, z;
};

double dist(P3 a, P3 b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                     (a.z - b.z) * (a.z - b.z));
}

// Changes the working directory for its lifetime (Motion::load reads ../models/bone.obj).
class InDirectory {
  public:
    explicit InDirectory(const std::string& dir) {
        char buf[4096];
        if (getcwd(buf, sizeof buf))
            previous_ = buf;
        ok_ = chdir(dir.c_str()) == 0;
    }
    ~InDirectory() {
        if (!previous_.empty() && chdir(previous_.c_str()) != 0)
            ADD_FAILURE() << "cannot return to " << previous_;
    }
    bool ok() const { return ok_; }

  private:
    std::string previous_;
    bool ok_ = false;
};

gen::OutputDirs outputDirs(const std::string& tree) {
    return {tree + "/models", tree + "/models/moves", tree + "/textures", tree + "/music"};
}

// One motion's joints over its whole loop, in the renderer's frame (the demo draws the file's
// z-up rig turned by -90 degrees about x: file (x, y, z) is drawn at (x, z, -y)).
struct Track {
    int frames = 0;
    std::vector<std::string> names;      // every object node but "$$$DUMMY"
    std::vector<std::vector<P3>> joints; // [frame][node]
    std::map<std::string, size_t> index;
    const P3& at(int frame, const std::string& name) const { return joints[frame][index.at(name)]; }
};

void collect(Lib3dsNode* node, std::vector<Lib3dsNode*>& out) {
    for (; node; node = node->next) {
        if (node->type == LIB3DS_OBJECT_NODE && std::string(node->name) != "$$$DUMMY")
            out.push_back(node);
        collect(node->childs, out);
    }
}

class FigureMotions : public GlTest {
  protected:
    static void SetUpTestSuite() {
        tree_ = makeScratchTree("figures");
        ok_ = gen::generateFigures(outputDirs(tree_));
    }

    void SetUp() override {
        GlTest::SetUp();
        ASSERT_TRUE(ok_) << "the figures could not be generated";
        platform::useVirtualTick(true);
        platform::setVirtualTick(0);
    }
    void TearDown() override { platform::useVirtualTick(false); }

    static std::string movePath(const gen::fig::MotionDef& m) {
        return "../models/moves/" + m.file;
    }

    // Loads a motion as the demo does, then steps through every frame with Motion::draw: the
    // clock is held at 0, so the offset alone picks the frame that each draw evaluates.
    static Track play(Motion& motion, const gen::fig::MotionDef& def) {
        Track track;
        {
            InDirectory cwd(tree_ + "/bin");
            EXPECT_TRUE(cwd.ok());
            motion.load(movePath(def));
        }
        track.frames = motion.file->frames;
        std::vector<Lib3dsNode*> nodes;
        collect(motion.file->nodes, nodes);
        for (Lib3dsNode* n : nodes) {
            track.index[n->name] = track.names.size();
            track.names.push_back(n->name);
        }
        glMatrixMode(GL_MODELVIEW);
        for (int f = 0; f < track.frames; ++f) {
            motion.draw(60, static_cast<float>((f + 0.5) / 60));
            std::vector<P3> pose;
            for (Lib3dsNode* n : nodes)
                pose.push_back({n->matrix[3][0], n->matrix[3][2], -n->matrix[3][1]});
            track.joints.push_back(pose);
        }
        return track;
    }

    static std::string tree_;
    static bool ok_;
};

std::string FigureMotions::tree_;
bool FigureMotions::ok_ = false;

TEST_F(FigureMotions, HeadAndUpperSpinAreObjectNodesWithLists) {
    for (const gen::fig::MotionDef& def : gen::fig::motionTable()) {
        Motion motion;
        {
            InDirectory cwd(tree_ + "/bin");
            ASSERT_TRUE(cwd.ok());
            motion.load(movePath(def));
        }
        for (const char* name : {"Head", "Upper spin"}) {
            Lib3dsNode* node = lib3ds_file_node_by_name(motion.file, name, LIB3DS_OBJECT_NODE);
            ASSERT_NE(node, nullptr) << def.file << ": " << name;
            EXPECT_NE(node->user.d, 0u) << def.file << ": " << name << " has no list";
        }
        // Nodes that draw nothing are there, as in exported rigs.
        EXPECT_NE(lib3ds_file_node_by_name(motion.file, "$$$DUMMY", LIB3DS_OBJECT_NODE), nullptr);
    }
}

TEST_F(FigureMotions, EveryMotionStandsOnItsFeetAndLoopsSeamlessly) {
    for (const gen::fig::MotionDef& def : gen::fig::motionTable()) {
        SCOPED_TRACE(def.file);
        Motion motion;
        const Track t = play(motion, def);
        ASSERT_EQ(t.frames, def.frames);
        const bool hops = def.file == "hoppande.3DS";
        const double toe = gen::fig::kToeHeight;
        double lowestOverLoop = 1e9;
        for (int f = 0; f < t.frames; ++f) {
            double lowest = 1e9;
            for (const P3& p : t.joints[f])
                lowest = std::fmin(lowest, p.y);
            lowestOverLoop = std::fmin(lowestOverLoop, lowest);
            // Standing figures keep a foot on the floor all the time (the toe joint, kToeHeight
            // above it, is the lowest); the hopper leaves it.
            if (!hops) {
                EXPECT_GT(lowest, toe - 3) << "frame " << f;
                EXPECT_LT(lowest, toe + 5) << "frame " << f;
            }
            EXPECT_GT(t.at(f, "Head").y, t.at(f, "Hips").y + 40) << "frame " << f;
        }
        EXPECT_GT(lowestOverLoop, toe - 3);
        EXPECT_LT(lowestOverLoop, toe + 2);

        // The step from the last frame back to frame 0 is an ordinary step of the motion.
        auto step = [&](int a, int b) {
            double s = 0;
            for (size_t i = 0; i < t.names.size(); ++i)
                s = std::fmax(s, dist(t.joints[a][i], t.joints[b][i]));
            return s;
        };
        double largest = 0;
        for (int f = 0; f + 1 < t.frames; ++f)
            largest = std::fmax(largest, step(f, f + 1));
        const double seam = step(t.frames - 1, 0);
        EXPECT_LE(seam, largest);
        const double neighbours = std::fmax(step(t.frames - 2, t.frames - 1), step(0, 1));
        EXPECT_LE(seam, 2 * neighbours + 0.5);
    }
}

TEST_F(FigureMotions, WalkerAndHopperMoveTheirFeetAndTheSitterStaysSeated) {
    struct Case {
        const char* file;
        double minFootTravel; // extent of each ankle's path over the loop
        double maxHips;       // highest the hips may get
    } cases[] = {
        {"walking_man.3DS", 40, 100},
        {"hoppande.3DS", 15, 130},
        {"sitting.3DS", 0, 55},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const gen::fig::MotionDef* def = nullptr;
        for (const gen::fig::MotionDef& m : gen::fig::motionTable())
            if (m.file == c.file)
                def = &m;
        ASSERT_NE(def, nullptr);
        Motion motion;
        const Track t = play(motion, *def);
        for (const char* foot : {"L Foot", "R Foot"}) {
            double travel = 0;
            for (int f = 0; f < t.frames; ++f)
                travel = std::fmax(travel, dist(t.at(f, foot), t.at(0, foot)));
            EXPECT_GE(travel, c.minFootTravel) << foot;
        }
        for (int f = 0; f < t.frames; ++f)
            EXPECT_LT(t.at(f, "Hips").y, c.maxHips) << "frame " << f;
    }
}

// The beat dances (made for 60 fps) dip once per beat: 20 beats in their 579-frame loop,
// 124.35 beats a minute.
TEST_F(FigureMotions, DancesDipOnEveryBeatAtSixtyFramesPerSecond) {
    for (const char* file : {"human_dance.3ds", "juck.3DS", "hoppande.3DS"}) {
        SCOPED_TRACE(file);
        const gen::fig::MotionDef* def = nullptr;
        for (const gen::fig::MotionDef& m : gen::fig::motionTable())
            if (m.file == file)
                def = &m;
        ASSERT_NE(def, nullptr);
        Motion motion;
        const Track t = play(motion, *def);
        EXPECT_NEAR(t.frames / 60.0 * (80 / 38.6), 20, 0.01);
        // A dip: the lowest hips within a third of a beat either side, and a real drop.
        const int reach = 10;
        int dips = 0;
        for (int f = 0; f < t.frames; ++f) {
            const double here = t.at(f, "Hips").y;
            double lowest = here, highest = here;
            bool first = true;
            for (int d = -reach; d <= reach; ++d) {
                const double y = t.at((f + d + t.frames) % t.frames, "Hips").y;
                lowest = std::fmin(lowest, y);
                highest = std::fmax(highest, y);
                if (d < 0 && y == here)
                    first = false; // a flat bottom counts once
            }
            if (here == lowest && first && highest - here > 1.5)
                ++dips;
        }
        EXPECT_EQ(dips, 20);
    }
}

// Drawn the demo's way (bone lists, the head model on "Head", the -90 degree turn), each figure
// starts at the floor, and the head's dark hat sits upright just above the Head joint.
TEST_F(FigureMotions, DrawnFiguresStandUprightWithTheHatOnTheHead) {
    Mesh headMesh;
    Texture headTexture;
    // A texture keeps its pixels for the life of the process; this one goes with the test.
    struct FreePixels {
        Texture& texture;
        ~FreePixels() { delete[] texture.pixels; }
    } freePixels{headTexture};
    {
        InDirectory cwd(tree_ + "/bin");
        ASSERT_TRUE(cwd.ok());
        headMesh.load("../models/head_hat.obj");
        headTexture.load("../textures/head.png");
    }
    Model head;
    head.setMesh(&headMesh);
    head.setTexture(&headTexture);
    for (const gen::fig::MotionDef& def : gen::fig::motionTable()) {
        SCOPED_TRACE(def.file);
        Motion motion;
        {
            InDirectory cwd(tree_ + "/bin");
            ASSERT_TRUE(cwd.ok());
            motion.load(movePath(def));
        }
        motion.attachModel(&head, "Head");
        // Unlit, so every pixel shows its texture: white bones, the dark hat on the head.
        glDisable(GL_LIGHTING);
        glClearColor(0, 0, 1, 1);
        auto render = [&](double left, double right, double bottom, double top) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(left, right, bottom, top, -300, 300);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            motion.draw(60, 0);
        };
        // Rows of the 64 x 64 picture that hold anything (not the blue background), and the
        // highest row with a dark pixel.
        auto scan = [&](int& lowRow, int& darkTop) {
            lowRow = darkTop = -1;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const Rgba p = pixel(x, y);
                    if (p.r > 40 || p.g > 40 || p.b < 200) {
                        if (lowRow < 0)
                            lowRow = y;
                        if (p.r < 90 && p.g < 90 && p.b < 90)
                            darkTop = y;
                    }
                }
        };
        int lowRow, darkTop;
        // The feet: 40 units tall, 0.625 units a row.
        render(-60, 60, -10, 30);
        scan(lowRow, darkTop);
        ASSERT_GE(lowRow, 0) << "no feet drawn";
        EXPECT_GT(-10 + (lowRow + 1) * 0.625, -1.5);
        EXPECT_LT(-10 + lowRow * 0.625, 5.0); // the toe joint is at 1, the bone tapers to it
        // The whole figure: 200 units tall, about 3.1 units a row.
        render(-100, 100, -20, 180);
        scan(lowRow, darkTop);
        glEnable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glClearColor(0, 0, 0, 0);
        const double unitsPerRow = 200.0 / kHeight;
        auto height = [&](int row) { return -20 + (row + 0.5) * unitsPerRow; };
        Lib3dsNode* headNode = lib3ds_file_node_by_name(motion.file, "Head", LIB3DS_OBJECT_NODE);
        ASSERT_NE(headNode, nullptr);
        const double headY = headNode->matrix[3][2]; // file z is the renderer's y
        ASSERT_GE(darkTop, 0) << "no hat drawn";
        EXPECT_GT(height(darkTop), headY + 8);
        EXPECT_LT(height(darkTop), headY + 30);
    }
}

// Each motion drawn alone the demo's way (bone lists, the head, and the torso where the demo
// attaches it), unlit, at 12 moments of its loop, each seen from another side (30 degrees
// apart), at 300 pixels for a standing figure's 170 units: the silhouette is one region with
// no loose pieces, and every bone is at least 4 pixels across, measured across its drawn
// line between a fifth and four fifths of its length. The picture is drawn in 64 x 64 tiles,
// the size of the test's framebuffer. At 40 pixels, the smallest figure judged on screen, the
// silhouette is still one region.
TEST_F(FigureMotions, EverySilhouetteIsOneBodyWithLimbsAtLeastFourPixelsWide) {
    Mesh headMesh, bodyMesh;
    Texture headTexture, bodyTexture;
    struct FreePixels {
        Texture& head;
        Texture& body;
        ~FreePixels() {
            delete[] head.pixels;
            delete[] body.pixels;
        }
    } freePixels{headTexture, bodyTexture};
    {
        InDirectory cwd(tree_ + "/bin");
        ASSERT_TRUE(cwd.ok());
        headMesh.load("../models/head_hat.obj");
        headTexture.load("../textures/head.png");
        bodyMesh.load("../models/body.obj");
        bodyTexture.load("../textures/body.png");
    }
    Model head, body;
    head.setMesh(&headMesh);
    head.setTexture(&headTexture);
    body.setMesh(&bodyMesh);
    body.setTexture(&bodyTexture);

    const double pxPerUnit = 300.0 / 170, left = -125, bottom = -15;
    const int width = 448, height = 448; // 254 x 254 units
    const int phases = 12;
    std::vector<unsigned char> mask(static_cast<size_t>(width) * height);
    auto inside = [&](double x, double y) {
        const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
        return ix >= 0 && iy >= 0 && ix < width && iy < height &&
               mask[static_cast<size_t>(iy) * width + ix];
    };
    glDisable(GL_LIGHTING);
    glClearColor(0, 0, 1, 1);
    for (const gen::fig::MotionDef& def : gen::fig::motionTable()) {
        SCOPED_TRACE(def.file);
        const bool withBody = def.file == "vakt.3ds" || def.file == "walking_man.3DS";
        Motion motion;
        {
            InDirectory cwd(tree_ + "/bin");
            ASSERT_TRUE(cwd.ok());
            motion.load(movePath(def));
        }
        motion.attachModel(&head, "Head");
        if (withBody)
            motion.attachModel(&body, "Upper spin");
        std::vector<Lib3dsNode*> nodes;
        collect(motion.file->nodes, nodes);
        for (int k = 0; k < phases; ++k) {
            const int frame = k * def.frames / phases;
            const double angle = 30.0 * k;
            SCOPED_TRACE("frame " + std::to_string(frame) + ", turned " +
                         std::to_string(static_cast<int>(angle)) + " degrees");
            // The held clock reads 0: the offset picks the frame; the first draw evaluates it.
            const float offset = static_cast<float>((frame + 0.5) / 60);
            motion.draw(60, offset);
            std::fill(mask.begin(), mask.end(), 0);
            for (int ty = 0; ty < height; ty += kHeight)
                for (int tx = 0; tx < width; tx += kWidth) {
                    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                    glMatrixMode(GL_PROJECTION);
                    glLoadIdentity();
                    glOrtho(left + tx / pxPerUnit, left + (tx + kWidth) / pxPerUnit,
                            bottom + ty / pxPerUnit, bottom + (ty + kHeight) / pxPerUnit, -400,
                            400);
                    glMatrixMode(GL_MODELVIEW);
                    glLoadIdentity();
                    glRotated(angle, 0, 1, 0);
                    motion.draw(60, offset);
                    std::vector<unsigned char> tile(4 * kWidth * kHeight);
                    glPixelStorei(GL_PACK_ALIGNMENT, 1);
                    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, tile.data());
                    for (int y = 0; y < kHeight && ty + y < height; ++y)
                        for (int x = 0; x < kWidth && tx + x < width; ++x) {
                            const unsigned char* p = &tile[4 * (y * kWidth + x)];
                            mask[static_cast<size_t>(ty + y) * width + tx + x] =
                                !(p[0] < 40 && p[1] < 40 && p[2] > 200);
                        }
                }

            EXPECT_EQ(picture::countRegions(mask.data(), width, height), 1);
            // The same at 40 pixels, the smallest figure judged on screen, in one tile: the
            // limbs and the hat brim, down to a pixel or less across, still hold together.
            {
                const int small = 60; // 254 units
                const double unitsPerPx = 170.0 / 40;
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glMatrixMode(GL_PROJECTION);
                glLoadIdentity();
                glOrtho(left, left + kWidth * unitsPerPx, bottom, bottom + kHeight * unitsPerPx,
                        -400, 400);
                glMatrixMode(GL_MODELVIEW);
                glLoadIdentity();
                glRotated(angle, 0, 1, 0);
                motion.draw(60, offset);
                std::vector<unsigned char> tile(4 * kWidth * kHeight), smallMask(small * small);
                glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, tile.data());
                for (int y = 0; y < small; ++y)
                    for (int x = 0; x < small; ++x) {
                        const unsigned char* p = &tile[4 * (y * kWidth + x)];
                        smallMask[y * small + x] = !(p[0] < 40 && p[1] < 40 && p[2] > 200);
                    }
                EXPECT_EQ(picture::countRegions(smallMask.data(), small, small), 1)
                    << "at 40 pixels";
            }
            // Nothing is cut off at the picture's edges.
            int onEdge = 0;
            for (int x = 0; x < width; ++x)
                onEdge += mask[x] + mask[static_cast<size_t>(height - 1) * width + x];
            for (int y = 0; y < height; ++y)
                onEdge += mask[static_cast<size_t>(y) * width] +
                          mask[static_cast<size_t>(y) * width + width - 1];
            EXPECT_EQ(onEdge, 0);

            // Bone widths. The node matrices hold the drawn pose (the clock stands still).
            const double c = std::cos(angle * gen::fig::kPi / 180),
                         s = std::sin(angle * gen::fig::kPi / 180);
            auto toPixels = [&](const float* file) {
                // File (x, y, z) is drawn at (x, z, -y), then turned about y.
                const double x = file[0], y = file[2], z = -file[1];
                return P3{(x * c + z * s - left) * pxPerUnit, (y - bottom) * pxPerUnit, 0};
            };
            for (Lib3dsNode* n : nodes) {
                const std::string name = n->name;
                if (n->user.d == 0 || name == "Head" || (withBody && name == "Upper spin"))
                    continue;
                float length = 0;
                for (Lib3dsNode* child = n->childs; child; child = child->next) {
                    float d = 0;
                    for (int a = 0; a < 3; ++a)
                        d += (child->matrix[3][a] - n->matrix[3][a]) *
                             (child->matrix[3][a] - n->matrix[3][a]);
                    length = std::fmax(length, std::sqrt(d));
                }
                float tip[3];
                for (int a = 0; a < 3; ++a)
                    tip[a] = n->matrix[3][a] + length * n->matrix[0][a];
                const P3 a = toPixels(n->matrix[3]), b = toPixels(tip);
                const double dx = b.x - a.x, dy = b.y - a.y, along = std::hypot(dx, dy);
                if (along < 8)
                    continue; // seen end-on: no line to measure across
                const double nx = -dy / along, ny = dx / along;
                double narrowest = 1e9;
                for (double t = 0.2; t <= 0.8; t += 0.05) {
                    const double px = a.x + dx * t, py = a.y + dy * t;
                    double w = 0;
                    for (int side : {-1, 1})
                        for (double r = 0; r < 40 && inside(px + side * nx * r, py + side * ny * r);
                             r += 0.25)
                            w += 0.25;
                    narrowest = std::fmin(narrowest, w);
                }
                EXPECT_GE(narrowest, 4.0) << name;
            }
        }
    }
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glClearColor(0, 0, 0, 0);
}

// Drawn figures stay within the triangle budget: the bones that draw, plus the head and (for
// the two motions that wear it) the torso in place of bones.
TEST_F(FigureMotions, FiguresStayWithinTheTriangleBudget) {
    Mesh bone, headMesh, bodyMesh;
    {
        InDirectory cwd(tree_ + "/bin");
        ASSERT_TRUE(cwd.ok());
        bone.load("../models/bone.obj");
        headMesh.load("../models/head_hat.obj");
        bodyMesh.load("../models/body.obj");
    }
    for (const gen::fig::MotionDef& def : gen::fig::motionTable()) {
        Motion motion;
        {
            InDirectory cwd(tree_ + "/bin");
            ASSERT_TRUE(cwd.ok());
            motion.load(movePath(def));
        }
        std::vector<Lib3dsNode*> nodes;
        collect(motion.file->nodes, nodes);
        int bones = 0;
        for (Lib3dsNode* n : nodes)
            bones += n->user.d != 0;
        const bool body = def.file == "vakt.3ds" || def.file == "walking_man.3DS";
        const int triangles = (bones - 1 - body) * bone.faceCount + headMesh.faceCount +
                              (body ? bodyMesh.faceCount : 0);
        EXPECT_GE(triangles, 100) << def.file;
        EXPECT_LE(triangles, 300) << def.file;
    }
}

TEST(FigureFiles, GenerationIsDeterministicAndNamesMatchTheManifest) {
    const std::string a = makeScratchTree("figures-a"), b = makeScratchTree("figures-b");
    ASSERT_TRUE(gen::generateFigures(outputDirs(a)));
    ASSERT_TRUE(gen::generateFigures(outputDirs(b)));
    const char* files[] = {
        "models/bone.obj",
        "models/head_hat.obj",
        "models/body.obj",
        "textures/white.png",
        "textures/head.png",
        "textures/body.png",
        "models/moves/human_dance.3ds",
        "models/moves/vakt.3ds",
        "models/moves/sitting.3DS",
        "models/moves/bar_man.3DS",
        "models/moves/kelbro.3DS",
        "models/moves/pist.3DS",
        "models/moves/walking_man.3DS",
        "models/moves/hoppande.3DS",
        "models/moves/pist2.3DS",
        "models/moves/juck.3DS",
    };
    for (const char* f : files) {
        const std::string first = readFile(a + "/" + f);
        EXPECT_FALSE(first.empty()) << f;
        EXPECT_EQ(first, readFile(b + "/" + f)) << f << " differs between two runs";
    }
    size_t written = 0;
    for (const char* dir : {"models", "models/moves", "textures"})
        for (const auto& e : std::filesystem::directory_iterator(a + "/" + dir))
            written += e.is_regular_file();
    EXPECT_EQ(written, sizeof files / sizeof files[0]);
}

TEST(FigureFiles, AnUnwritableDirectoryFailsWithAMessage) {
    const std::string tree = makeScratchTree("figures-missing");
    gen::OutputDirs out = outputDirs(tree);
    out.moves = tree + "/no/such/dir";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(gen::generateFigures(out));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("no/such/dir/human_dance.3ds"), std::string::npos) << err;
}

} // namespace
