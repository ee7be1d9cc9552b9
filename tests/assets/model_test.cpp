// Models drawn through GL: the picture, display lists and the primitives emitted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/material.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "assets/texture.h"
#include "png_writer.h"
#include "support/gl_context.h"
#include "support/paths.h"

namespace {

// A square over the whole viewport (identity matrices), as two counter-clockwise triangles
// with the usual OBJ texture coordinates: v = 0 at the bottom edge, 1 at the top.
const char* kSquare = "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
                      "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                      "vn 0 0 1\n"
                      "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n";

// 2 x 2, top row red then green, bottom row blue then white (BGRA bytes).
const std::vector<uint8_t> kQuadrants = {0,   0, 255, 255, 0,   255, 0,   255,
                                         255, 0, 0,   255, 255, 255, 255, 255};

class ModelTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        const std::string dir = makeScratchTree("model");
        ASSERT_TRUE(writeFile(dir + "/models/square.obj", kSquare));
        ASSERT_TRUE(writeBgraPng(dir + "/textures/quadrants.png", 2, 2, kQuadrants));
        ASSERT_TRUE(writeBgraPng(dir + "/textures/grey.png", 1, 1, {90, 90, 90, 255}));
        square.load((dir + "/models/square.obj").c_str());
        quadrants.load((dir + "/textures/quadrants.png").c_str());
        grey.load((dir + "/textures/grey.png").c_str());
        // Unlit look: the emission alone gives white, which the texture then modulates.
        glowing.setEmission(1);
        model.setMesh(&square);
        model.setTexture(&quadrants);
        model.setMaterial(&glowing);
    }

    // Textures own their pixels for the life of the program; these die with the test.
    void TearDown() override {
        for (Texture* t : {&quadrants, &grey}) {
            glDeleteTextures(1, &t->textureId);
            delete[] t->pixels;
        }
    }

    // Draws `draw` in feedback mode and returns the polygons as lists of window x, y.
    template <typename Draw> std::vector<std::vector<float>> polygons(Draw draw) {
        std::vector<GLfloat> buffer(1024);
        glFeedbackBuffer(GLsizei(buffer.size()), GL_2D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        std::vector<std::vector<float>> result;
        for (GLint i = 0; i < used;) {
            EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
            if (buffer[i] != GL_POLYGON_TOKEN)
                break;
            const int corners = int(buffer[i + 1]);
            result.emplace_back(buffer.begin() + i + 2, buffer.begin() + i + 2 + 2 * corners);
            i += 2 + 2 * corners;
        }
        return result;
    }

    void expectQuadrants() {
        const struct {
            int x, y; // y from the bottom
            Rgba colour;
        } probes[] = {{16, 48, {255, 0, 0, 255}},
                      {48, 48, {0, 255, 0, 255}},
                      {16, 16, {0, 0, 255, 255}},
                      {48, 16, {255, 255, 255, 255}}};
        for (const auto& p : probes) {
            const Rgba c = pixel(p.x, p.y);
            EXPECT_NEAR(c.r, p.colour.r, 2) << p.x << "," << p.y;
            EXPECT_NEAR(c.g, p.colour.g, 2) << p.x << "," << p.y;
            EXPECT_NEAR(c.b, p.colour.b, 2) << p.x << "," << p.y;
        }
    }

    Mesh square;
    Texture quadrants, grey;
    Material glowing, dark;
    Model model;
};

} // namespace

// The image's top row shows at the top of the square: rows stored top first plus the
// negated v.
TEST_F(ModelTest, DrawsTheTextureUpright) {
    model.draw();
    expectQuadrants();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ModelTest, DrawReplaysFromADisplayList) {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    model.draw();
    glEndList();
    dark.apply();
    grey.bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    EXPECT_EQ(pixel(16, 48).r, 0);
    glCallList(list);
    expectQuadrants();
    glDeleteLists(list, 1);
}

// One polygon of exactly three corners per face, in face and corner order; a range of faces
// draws those faces alone, clamped to the mesh's.
TEST_F(ModelTest, EmitsOneTrianglePerFace) {
    glDisable(GL_CULL_FACE);
    const std::vector<std::vector<float>> faces = {{0, 0, 64, 0, 64, 64}, {0, 0, 64, 64, 0, 64}};
    const struct {
        int first, end; // -1, -1: draw()
        size_t from, to;
    } cases[] = {{-1, -1, 0, 2}, {0, 2, 0, 2}, {1, 2, 1, 2}, {-5, 1, 0, 1},
                 {1, 99, 1, 2},  {2, 2, 0, 0}, {2, 1, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "faces " << c.first << " to " << c.end);
        const auto drawn = polygons([&] {
            if (c.first < 0 && c.end < 0)
                model.draw();
            else
                model.draw(c.first, c.end);
        });
        const std::vector<std::vector<float>> expected(faces.begin() + c.from,
                                                       faces.begin() + c.to);
        ASSERT_EQ(drawn.size(), expected.size());
        for (size_t i = 0; i < drawn.size(); ++i) {
            ASSERT_EQ(drawn[i].size(), 6u) << "polygon " << i;
            // Feedback may start a polygon at any corner; the winding must be kept.
            bool same = false;
            for (size_t shift = 0; shift < 6; shift += 2) {
                std::vector<float> rotated(drawn[i].begin() + shift, drawn[i].end());
                rotated.insert(rotated.end(), drawn[i].begin(), drawn[i].begin() + shift);
                same = same || rotated == expected[i];
            }
            EXPECT_TRUE(same) << "polygon " << i;
        }
    }
}

// An empty mesh still applies the material and binds the texture, and draws nothing; a
// model without texture or material leaves both as they were.
TEST_F(ModelTest, EmptyMeshAndUnboundModel) {
    Mesh empty;
    Model bare;
    EXPECT_FALSE(bare.hasTexture);
    EXPECT_FALSE(bare.hasMaterial);
    bare.setMesh(&square);
    glDisable(GL_CULL_FACE);
    grey.bind();
    dark.apply();
    EXPECT_EQ(polygons([&] { bare.draw(); }).size(), 2u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), grey.textureId);
    float emission[4] = {-1, -1, -1, -1};
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    EXPECT_EQ(emission[0], 0);

    model.setMesh(&empty);
    EXPECT_TRUE(polygons([&] { model.draw(); }).empty());
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), quadrants.textureId);
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    EXPECT_EQ(emission[0], 1);
}
