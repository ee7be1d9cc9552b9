// Light and Material state read back from GL.
#include <gtest/gtest.h>

#include <vector>

#include "assets/light.h"
#include "assets/material.h"
#include "support/gl_context.h"

namespace {

std::vector<float> lightValue(GLenum light, GLenum pname, int n = 4) {
    std::vector<float> v(4, -99.0f);
    glGetLightfv(light, pname, v.data());
    v.resize(n);
    return v;
}

std::vector<float> materialValue(GLenum face, GLenum pname) {
    std::vector<float> v(4, -99.0f);
    glGetMaterialfv(face, pname, v.data());
    return v;
}

void expectNear(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5) << "component " << i;
}

using V = std::vector<float>;

} // namespace

using LightTest = GlTest;
using MaterialTest = GlTest;

// A light that was never enabled drives no GL light: sending anything to light 0 would
// raise GL_INVALID_ENUM.
TEST_F(LightTest, ApplyOnAFreshLightSendsNothing) {
    Light light;
    EXPECT_FALSE(light.hasPosition);
    EXPECT_FALSE(light.hasDirection);
    light.apply();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// The start-up set-up of light 0: each setVector sets the parameter it names.
TEST_F(LightTest, SetVectorSetsTheNamedParameter) {
    Light light;
    light.enable(GL_LIGHT0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(light.light, GLenum(GL_LIGHT0));
    light.setVector(GL_AMBIENT, 0.4f, 0.4f, 0.4f);
    light.setVector(GL_DIFFUSE, 1, 0, 0);
    light.setVector(GL_SPECULAR, 0.2f, 0, 0);
    light.setParameter(GL_QUADRATIC_ATTENUATION, 0.001f);
    expectNear(lightValue(GL_LIGHT0, GL_AMBIENT), V{0.4f, 0.4f, 0.4f, 1});
    expectNear(lightValue(GL_LIGHT0, GL_DIFFUSE), V{1, 0, 0, 1});
    expectNear(lightValue(GL_LIGHT0, GL_SPECULAR), V{0.2f, 0, 0, 1});
    expectNear(lightValue(GL_LIGHT0, GL_SPOT_DIRECTION, 3), V{0, 0, -1}); // untouched
    expectNear(lightValue(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, 1), V{0.001f});
    EXPECT_FALSE(light.hasPosition);
    EXPECT_FALSE(light.hasDirection);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Position and direction are remembered and sent again by apply in the model-view matrix of
// that moment; the position stays directional (w = 0).
TEST_F(LightTest, ApplyResendsPositionAndDirectionInTheCurrentMatrix) {
    Light light;
    light.enable(GL_LIGHT2);
    light.setVector(GL_POSITION, 1, 0, 0);
    light.setVector(GL_SPOT_DIRECTION, 0, 0, -1);
    expectNear(lightValue(GL_LIGHT2, GL_POSITION), V{1, 0, 0, 0});
    expectNear(V(light.position, light.position + 4), V{1, 0, 0, 0});

    glRotatef(90, 0, 1, 0);                                        // x -> -z, -z -> -x
    expectNear(lightValue(GL_LIGHT2, GL_POSITION), V{1, 0, 0, 0}); // not sent again yet
    light.apply();
    expectNear(lightValue(GL_LIGHT2, GL_POSITION), V{0, 0, -1, 0});
    expectNear(lightValue(GL_LIGHT2, GL_SPOT_DIRECTION, 3), V{-1, 0, 0});
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Each setter fills all four components of its term; apply sends them to front faces only.
TEST_F(MaterialTest, ApplySetsFrontFacesOnly) {
    const float back[4] = {0.11f, 0.12f, 0.13f, 0.14f};
    for (GLenum pname : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION})
        glMaterialfv(GL_BACK, pname, back);
    glMaterialf(GL_BACK, GL_SHININESS, 5);

    Material m;
    m.setAmbient(0.4f);
    m.setDiffuse(0.7f);
    m.setSpecular(0.3f);
    m.setEmission(0.6f);
    m.setShininess(20);
    m.apply();
    expectNear(materialValue(GL_FRONT, GL_AMBIENT), V(4, 0.4f));
    expectNear(materialValue(GL_FRONT, GL_DIFFUSE), V(4, 0.7f));
    expectNear(materialValue(GL_FRONT, GL_SPECULAR), V(4, 0.3f));
    expectNear(materialValue(GL_FRONT, GL_EMISSION), V(4, 0.6f));
    float shininess = -1;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 20);

    for (GLenum pname : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION})
        expectNear(materialValue(GL_BACK, pname), V(back, back + 4));
    glGetMaterialfv(GL_BACK, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 5);
}
