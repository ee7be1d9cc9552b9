// Skeletal motions: bone lists, the drawn pose, the clock and frame formula, attached models
// and the load errors. Geometry is read back through GL feedback mode, which returns every
// polygon's transformed corners exactly as GL placed them.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <lib3ds/file.h>
#include <lib3ds/node.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "animation/motion.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "platform/fatal.h"
#include "platform/tick.h"
#include "rig_fixture.h"
#include "support/child.h"
#include "support/gl_context.h"
#include "support/paths.h"

namespace {

struct V3 {
    double x, y, z;
};
using Polygon = std::vector<V3>;

// File frame (z up) to the renderer's frame (y up): the draw's -90 degrees about x.
V3 toRenderer(V3 f) {
    return {f.x, f.z, -f.y};
}

// The fixture bone's three corners after a node's list: (0,0,1), (0,5,0) and (1,0,0) turned
// by -90 degrees about z after stretching y by length / 5.
std::vector<V3> boneCorners(double length) {
    return {{0, 0, 1}, {length, 0, 0}, {0, -1, 0}};
}
// The fixture head model (0,0,2), (0,5,0), (2,0,0), turned but never stretched.
std::vector<V3> headCorners() {
    return {{0, 0, 2}, {5, 0, 0}, {0, -2, 0}};
}

class MotionGl : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        platform::useVirtualTick(true);
        platform::setVirtualTick(0);
        tree = makeRigTree("motion");
        rigPath = tree + "/models/moves/rig.3DS";
        ASSERT_TRUE(writeTestRig(rigPath, 100));
    }
    void TearDown() override { platform::useVirtualTick(false); }

    void load(Motion& motion, const std::string& path) {
        WorkingDirectory cwd(tree + "/bin");
        ASSERT_TRUE(cwd.ok());
        motion.load(path);
    }

    // Runs `draw` in feedback mode on an orthographic view turned off every axis (so no
    // triangle is seen edge-on) and maps each corner back to the coordinates `draw` started in.
    static std::vector<Polygon> capture(const std::function<void()>& draw) {
        glDisable(GL_CULL_FACE);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-200, 200, -200, 200, -200, 200);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(23, 1, 2, 3);
        GLdouble model[16], projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);

        std::vector<GLfloat> buffer(1 << 14);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        EXPECT_GE(used, 0) << "feedback buffer overflow";

        std::vector<Polygon> polygons;
        for (GLint i = 0; i < used;) {
            const GLint token = static_cast<GLint>(buffer[i++]);
            if (token != GL_POLYGON_TOKEN) {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
            const int count = static_cast<int>(buffer[i++]);
            Polygon polygon;
            for (int k = 0; k < count; ++k, i += 3) {
                V3 v{};
                gluUnProject(buffer[i], buffer[i + 1], buffer[i + 2], model, projection, viewport,
                             &v.x, &v.y, &v.z);
                polygon.push_back(v);
            }
            polygons.push_back(polygon);
        }
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        return polygons;
    }

    // GL may hand a polygon back starting at any corner; the winding is kept.
    static void expectTriangle(const Polygon& polygon, const std::vector<V3>& expected) {
        ASSERT_EQ(polygon.size(), 3u);
        auto close = [](const V3& a, const V3& b) {
            return std::fabs(a.x - b.x) < 0.02 && std::fabs(a.y - b.y) < 0.02 &&
                   std::fabs(a.z - b.z) < 0.02;
        };
        for (int start = 0; start < 3; ++start) {
            bool all = true;
            for (int k = 0; k < 3; ++k)
                all = all && close(polygon[(start + k) % 3], expected[k]);
            if (all)
                return;
        }
        testing::Message got, want;
        for (int k = 0; k < 3; ++k) {
            got << " (" << polygon[k].x << ", " << polygon[k].y << ", " << polygon[k].z << ")";
            want << " (" << expected[k].x << ", " << expected[k].y << ", " << expected[k].z << ")";
        }
        ADD_FAILURE() << "triangle" << got << " is not" << want;
    }

    // The corners a node's triangle must have in the renderer frame when the root has moved
    // `hipsX` along file x and the node's list holds `local` corners.
    static std::vector<V3> placed(const RigNodeSpec& node, double hipsX,
                                  const std::vector<V3>& local) {
        std::vector<V3> corners;
        for (const V3& c : local)
            corners.push_back(toRenderer({node.world[0] + hipsX - node.pivot[0] + c.x,
                                          node.world[1] - node.pivot[1] + c.y,
                                          node.world[2] - node.pivot[2] + c.z}));
        return corners;
    }

    static const RigNodeSpec& spec(const std::string& name) {
        for (const RigNodeSpec& n : testRigNodes())
            if (name == n.name)
                return n;
        ADD_FAILURE() << "no fixture node " << name;
        return testRigNodes().front();
    }

    // The bone nodes in the order draw and buildBones visit them (children first, siblings
    // in lib3ds's name order).
    static std::vector<std::string> drawOrder() {
        return {"Thumb", "Finger", "Head", "Spine", "Hips"};
    }

    static float hipsX(const Motion& motion) { return motion.file->nodes->matrix[3][0]; }

    std::string tree;
    std::string rigPath;
};

TEST_F(MotionGl, LoadGivesListsInPostOrderToBoneNodesOnly) {
    Motion motion;
    load(motion, rigPath);
    ASSERT_NE(motion.file, nullptr);

    std::vector<std::string> visited;
    std::vector<GLuint> ids;
    std::function<void(Lib3dsNode*)> postOrder = [&](Lib3dsNode* node) {
        for (Lib3dsNode* child = node->childs; child; child = child->next)
            postOrder(child);
        if (node->user.d != 0) {
            visited.push_back(node->name);
            ids.push_back(node->user.d);
            EXPECT_TRUE(glIsList(node->user.d));
        }
    };
    for (Lib3dsNode* node = motion.file->nodes; node; node = node->next)
        postOrder(node);
    EXPECT_EQ(visited, drawOrder());
    for (std::size_t i = 1; i < ids.size(); ++i)
        EXPECT_LT(ids[i - 1], ids[i]) << "list ids are handed out in post-order";
    for (const char* none : {"$$$DUMMY", "-Hand"}) {
        Lib3dsNode* node = lib3ds_file_node_by_name(motion.file, none, LIB3DS_OBJECT_NODE);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->user.d, 0u) << none;
    }
}

TEST_F(MotionGl, BoneListsStretchToTheFarthestChild) {
    Motion motion;
    load(motion, rigPath);
    for (const std::string& name : drawOrder()) {
        SCOPED_TRACE(name);
        Lib3dsNode* node = lib3ds_file_node_by_name(motion.file, name.c_str(), LIB3DS_OBJECT_NODE);
        ASSERT_NE(node, nullptr);
        const std::vector<Polygon> polygons = capture([&] {
            glLoadIdentity();
            glRotatef(23, 1, 2, 3);
            glCallList(node->user.d);
        });
        ASSERT_EQ(polygons.size(), 1u);
        // Leaves get length 0: a flat bone whose tip sits on its base.
        expectTriangle(polygons[0], boneCorners(spec(name).boneLength));
    }
}

TEST_F(MotionGl, DrawPlacesEachBoneAtItsWorldMatrixMinusItsPivot) {
    Motion motion;
    load(motion, rigPath);
    GLfloat before[16], after[16];
    std::vector<Polygon> polygons = capture([&] {
        glGetFloatv(GL_MODELVIEW_MATRIX, before);
        motion.draw(30, 0.0f);
        glGetFloatv(GL_MODELVIEW_MATRIX, after);
    });
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(before[i], after[i]) << "draw leaves the model-view matrix as it found it";
    // Dummy nodes draw nothing; every other node draws once, children first.
    ASSERT_EQ(polygons.size(), drawOrder().size());
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        const RigNodeSpec& node = spec(drawOrder()[i]);
        SCOPED_TRACE(node.name);
        expectTriangle(polygons[i], placed(node, 0, boneCorners(node.boneLength)));
    }
}

// Each draw shows the pose the previous draw evaluated; the first shows frame 0 from load.
TEST_F(MotionGl, DrawShowsThePoseOfThePreviousCall) {
    Motion motion;
    load(motion, rigPath);
    const RigNodeSpec& hips = spec("Hips");
    const std::vector<V3> bone = boneCorners(hips.boneLength);
    struct Step {
        std::uint32_t tickMs;
        double shownFrame;
        float evaluatedFrame;
    };
    const Step steps[] = {{0, 0, 0}, {1000, 0, 30}, {2000, 30, 60}, {2000, 60, 60}, {2500, 60, 75}};
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "tick " << step.tickMs);
        platform::setVirtualTick(step.tickMs);
        const std::vector<Polygon> polygons = capture([&] { motion.draw(30, 0.0f); });
        ASSERT_EQ(polygons.size(), drawOrder().size());
        expectTriangle(polygons.back(), placed(hips, step.shownFrame, bone));
        EXPECT_EQ(hipsX(motion), step.evaluatedFrame);
    }
}

// frame = floor(fmod((clock + offset) * fps, frames)); the clock starts at the first draw.
TEST_F(MotionGl, DrawEvaluatesTheFrameFormulaOnItsOwnClock) {
    Motion motion;
    load(motion, rigPath);
    platform::setVirtualTick(5000);
    motion.draw(30, 1.5f); // the clock reads exactly 0 here: frame floor(1.5 * 30) = 45
    EXPECT_EQ(hipsX(motion), 45.0f);
    struct Case {
        std::uint32_t sinceFirstDrawMs;
        unsigned fps;
        float offset;
        float frame;
    };
    const Case cases[] = {
        {4000, 30, 0.0f, 20},                      // 120 wraps to 20
        {4000, 30, 10.0f, 20},                     // 420 wraps to 20
        {3340, 30, 0.0f, 0},                       // 100.2 wraps to 0.2, floored to 0
        {3300, 30, 0.0f, 99},                      // 99 stays
        {1000, 60, 0.25f, 75},                     // 75
        {0, 30, 0.0f, 0},      {2000, 0, 7.0f, 0}, // no rate: frame 0
        {100, 30, -0.25f, 95},                     // -4.5 floors to -5, which wraps backwards to 95
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.sinceFirstDrawMs << " ms, " << c.fps << " fps, offset " << c.offset);
        platform::setVirtualTick(5000 + c.sinceFirstDrawMs);
        motion.draw(c.fps, c.offset);
        EXPECT_EQ(hipsX(motion), c.frame);
    }
}

TEST_F(MotionGl, AFileWithoutFramesStaysOnFrameZero) {
    ASSERT_TRUE(writeTestRig(rigPath, 0));
    Motion motion;
    load(motion, rigPath);
    EXPECT_EQ(motion.file->frames, 0);
    for (std::uint32_t ms : {0u, 1234u, 4000u}) {
        platform::setVirtualTick(ms);
        motion.draw(30, 2.0f);
        EXPECT_EQ(hipsX(motion), 0.0f);
    }
}

TEST_F(MotionGl, TwoMotionsFirstDrawnAtDifferentTimesPlayOutOfPhase) {
    Motion first, second;
    load(first, rigPath);
    load(second, rigPath);
    platform::setVirtualTick(10000);
    first.draw(30, 0.0f);
    platform::setVirtualTick(11000);
    second.draw(30, 0.0f);
    EXPECT_EQ(hipsX(second), 0.0f);
    platform::setVirtualTick(12000);
    first.draw(30, 0.0f);
    second.draw(30, 0.0f);
    EXPECT_EQ(hipsX(first), 60.0f);
    EXPECT_EQ(hipsX(second), 30.0f);
}

TEST_F(MotionGl, AttachedModelReplacesTheBoneWithoutTheStretch) {
    writeFile(tree + "/models/head.obj",
              "v 0 0 2\nv 0 5 0\nv 2 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    writeFile(tree + "/models/other.obj",
              "v 0 0 3\nv 0 1 0\nv 3 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    Mesh headMesh, otherMesh;
    headMesh.load((tree + "/models/head.obj").c_str());
    otherMesh.load((tree + "/models/other.obj").c_str());
    Model head, other;
    head.setMesh(&headMesh);
    other.setMesh(&otherMesh);

    Motion motion;
    load(motion, rigPath);
    motion.attachModel(&head, "Head");  // a leaf: its bone had length 0
    motion.attachModel(&head, "Spine"); // its bone had length 12
    motion.attachModel(&other, "Hips");
    motion.attachModel(&head, "Hips"); // a second attach replaces the first

    const std::vector<Polygon> polygons = capture([&] { motion.draw(30, 0.0f); });
    ASSERT_EQ(polygons.size(), drawOrder().size());
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        const RigNodeSpec& node = spec(drawOrder()[i]);
        SCOPED_TRACE(node.name);
        const bool attached =
            drawOrder()[i] == "Head" || drawOrder()[i] == "Spine" || drawOrder()[i] == "Hips";
        expectTriangle(polygons[i],
                       placed(node, 0, attached ? headCorners() : boneCorners(node.boneLength)));
    }
}

// Fatal paths run in a child whose fatal exit skips the static destructors (the parent's GL
// context must not be torn down from a forked copy).
ChildResult runFatal(const std::function<void()>& body) {
    return runInChild([&] {
        platform::setFatalHandler([](int status) { std::_Exit(status); });
        body();
    });
}

TEST_F(MotionGl, AttachingToANodeWithoutAListIsALoadError) {
    Motion motion;
    load(motion, rigPath);
    Model model;
    for (const char* name : {"Nope", "$$$DUMMY", "-Hand", "Head ", "head", ""}) {
        SCOPED_TRACE(name);
        const ChildResult r = runFatal([&] { motion.attachModel(&model, name); });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("\"" + std::string(name) + "\""), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(rigPath), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
}

TEST_F(MotionGl, MissingFilesEndTheProcess) {
    // The motion file: the exact line and status 1.
    ChildResult r = runFatal([&] {
        if (chdir((tree + "/bin").c_str()) != 0)
            std::_Exit(99);
        Motion().load("../models/moves/juck.3DS");
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Unable to open 3ds file ../models/moves/juck.3DS\n");
    EXPECT_EQ(r.out, "");

    // The bone texture, read before the bone mesh: the texture's own message.
    const std::string bare = makeRigTree("motion-no-texture", false);
    ASSERT_TRUE(writeTestRig(bare + "/models/moves/rig.3DS", 100));
    r = runFatal([&] {
        if (chdir((bare + "/bin").c_str()) != 0)
            std::_Exit(99);
        Motion().load("../models/moves/rig.3DS");
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "png file not found! : ../textures/white.png\n");
}

TEST(MotionFrame, FormulaTable) {
    struct Case {
        double seconds;
        float offset;
        unsigned fps;
        int frames;
        float frame;
    };
    const Case cases[] = {
        {4.0, 0, 30, 100, 20},  {4.0, 10, 30, 100, 20},     {3.34, 0, 30, 100, 0},
        {0.0, 0, 30, 100, 0},   {3.3333, 0, 30, 100, 99},   {1e6, 0, 60, 240, 0},
        {-0.1, 0, 30, 100, 97}, {0.0, -3.34f, 30, 100, 99}, {4.0, 0, 30, 0, 0},
        {4.0, 0, 30, -100, 0},  {NAN, 0, 30, 100, 0},       {0.0, INFINITY, 30, 100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.seconds << " s + " << c.offset << ", " << c.fps
                                        << " fps, " << c.frames << " frames");
        EXPECT_EQ(Motion::frameAt(c.seconds, c.offset, c.fps, c.frames), c.frame);
    }
}

} // namespace
