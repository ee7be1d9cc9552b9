// Drawing each state combination of the timeline once, before the clocks start.
#include "app/warmup.h"

#include <GL/gl.h>

#include "app/manifest.h"
#include "sequences/disco.h"
#include "sequences/fog.h"

namespace {

// What Model::draw does, for the first face only: the material, the texture, one polygon.
void drawFirstFace(Model& model) {
    if (model.hasMaterial)
        model.material->apply();
    if (model.hasTexture)
        model.texture->bind();
    if (!model.mesh || model.mesh->faceCount == 0)
        return;
    const Mesh& m = *model.mesh;
    const Face& face = m.faces[0];
    glBegin(GL_POLYGON);
    for (int k = 0; k < 3; ++k) {
        glNormal3fv(m.normals + 3 * face.normal[k]);
        glTexCoord2fv(m.texCoords + 2 * face.texCoord[k]);
        glVertex3fv(m.vertices + 3 * face.vertex[k]);
    }
    glEnd();
}

// Figures are display lists of whole models (Motion::attachModel); one of the head is drawn.
void drawFigureList() {
    const GLuint list = glGenLists(1);
    if (list == 0)
        return;
    glNewList(list, GL_COMPILE);
    glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    mdlHeadHat.draw();
    glEndList();
    glPushMatrix();
    glCallList(list);
    glPopMatrix();
    glDeleteLists(list, 1);
}

} // namespace

void warmUpRenderer() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    // The city: fog, GL_LIGHT0 as start-up left it.
    setSceneFog(600.0f);
    for (Model* model : {&mdlGround, &mdlHouses, &mdlLamps, &mdlRoof, &mdlDiscoHouse, &mdlSoftbox})
        drawFirstFace(*model);
    drawFigureList();

    // The disco: fog, four positional lights, then the lamps and the blended beams.
    setSceneFog(400.0f);
    setDiscoLights(0.0);
    for (Model* model : {&mdlDiscoRoom, &mdlFloor, &mdlLoudspeakers, &mdlTables, &mdlScenes,
                         &mdlRigg, &mdlSofa, &mdlDiscoLamp})
        drawFirstFace(*model);
    drawFigureList();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    drawFirstFace(mdlBlend);
    glDisable(GL_BLEND);

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib(); // also the matrix mode
    glFinish();    // the compiling is done here, not in the first frame
}
