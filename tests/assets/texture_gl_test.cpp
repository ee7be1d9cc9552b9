// Texture upload and binding, read back from GL.
#include <gtest/gtest.h>

#include <vector>

#include "assets/texture.h"
#include "png_writer.h"
#include "support/gl_context.h"
#include "support/paths.h"

namespace {

GLint texParameter(GLenum pname) {
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, pname, &value);
    return value;
}

void expectBindParameters() {
    EXPECT_EQ(texParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(texParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(texParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
}

void spoilParameters() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
}

} // namespace

using TextureGlTest = GlTest;

TEST_F(TextureGlTest, LoadUploadsThePixelsAsGiven) {
    // 3 x 2, not a power of two; every byte distinct.
    std::vector<uint8_t> bgra, rgba;
    for (int i = 0; i < 3 * 2 * 4; ++i)
        bgra.push_back(uint8_t(10 * i + 5));
    for (size_t i = 0; i < bgra.size(); i += 4)
        rgba.insert(rgba.end(), {bgra[i + 2], bgra[i + 1], bgra[i], bgra[i + 3]});
    const std::string path = makeScratchTree("tex-upload") + "/textures/t.png";
    ASSERT_TRUE(writeBgraPng(path, 3, 2, bgra));

    Texture texture;
    texture.load(path.c_str());
    ASSERT_NE(texture.pixels, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(texture.pixels, texture.pixels + rgba.size()), rgba);
    EXPECT_NE(texture.textureId, 0u);
    GLint bound = 0, width = 0, height = 0, format = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texture.textureId); // left bound
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(format, 4); // the legacy component count, kept as given
    std::vector<uint8_t> back(bgra.size());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, bgra);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)); // load does not enable texturing
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteTextures(1, &texture.textureId);
    delete[] texture.pixels;
}

// bind enables texturing and sends the four parameters every time, also when replayed from a
// display list.
TEST_F(TextureGlTest, BindResendsWrapAndFilterEveryTime) {
    const std::string path = makeScratchTree("tex-bind") + "/textures/t.png";
    ASSERT_TRUE(writeBgraPng(path, 1, 1, {1, 2, 3, 4}));
    Texture texture, other;
    texture.load(path.c_str());
    other.load(path.c_str());

    texture.bind();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texture.textureId);
    expectBindParameters();

    spoilParameters();
    texture.bind();
    expectBindParameters();

    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    texture.bind();
    glEndList();
    spoilParameters();
    other.bind();
    glDisable(GL_TEXTURE_2D);
    glCallList(list);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texture.textureId);
    expectBindParameters();
    glDeleteLists(list, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    for (Texture* t : {&texture, &other}) {
        glDeleteTextures(1, &t->textureId);
        delete[] t->pixels;
    }
}
