// Drawing each state combination of the timeline once, before the clocks start.
#include "app/warmup.h"

#include <GL/gl.h>

#include <algorithm>

#include "app/manifest.h"
#include "camera/camera.h"
#include "sequences/city.h"
#include "sequences/disco.h"

namespace {

Mesh* const kMeshes[] = {&meshGround,       &meshHouses,     &meshHouse,   &meshCar,
                         &meshSoftbox,      &meshDiscoRoom,  &meshLamps,   &meshRoof,
                         &meshLoudspeakers, &meshTables,     &meshScenes,  &meshFloor,
                         &meshRigg,         &meshDiscoLamp,  &meshBlend,   &meshSofa,
                         &meshJoint,        &meshDiscoHouse, &meshHeadHat, &meshBody};
constexpr int kMeshCount = sizeof kMeshes / sizeof kMeshes[0];

// A figure as Motion::draw places one: the figure's own transform, the rig's turn, a node's
// matrix, then a display list of a whole model as Motion::attachModel compiles it.
void drawFigureList() {
    const GLuint list = glGenLists(1);
    if (list == 0)
        return;
    glNewList(list, GL_COMPILE);
    glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    mdlHeadHat.draw();
    glEndList();
    glPushMatrix();
    glTranslatef(1.0f, 2.0f, 3.0f);
    glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
    glScalef(0.05f, 0.05f, 0.05f);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glCallList(list);
    glPopMatrix();
    glDeleteLists(list, 1);
}

} // namespace

void warmUpRenderer() {
    // The compiled code depends on the GL state and on the kind of transform (a scale, for
    // one, makes GL light in eye space), not on how much is drawn: the sequences themselves
    // draw, with every mesh cut to its first face for the while.
    int counts[kMeshCount];
    for (int i = 0; i < kMeshCount; ++i) {
        counts[i] = kMeshes[i]->faceCount;
        kMeshes[i]->faceCount = std::min(kMeshes[i]->faceCount, 1);
    }
    const Camera savedCamera = camera;
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();

    // Motions are not loaded yet, so figures draw nothing here; drawFigureList stands in.
    drawCity(0, 0.0);
    drawFigureList();
    drawDisco(1, 10.0);
    drawFigureList();

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    glMatrixMode(static_cast<GLenum>(mode));
    camera = savedCamera;
    for (int i = 0; i < kMeshCount; ++i)
        kMeshes[i]->faceCount = counts[i];
    glFinish(); // the compiling is done here, not in the first frame
}
