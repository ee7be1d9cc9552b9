// Drawing a mesh with its material and texture in immediate mode.
#include "assets/model.h"

#include <GL/gl.h>

#include "assets/material.h"
#include "assets/mesh.h"
#include "assets/texture.h"

void Model::setMesh(Mesh* mesh) {
    this->mesh = mesh;
}

void Model::setTexture(Texture* texture) {
    this->texture = texture;
    hasTexture = true;
}

void Model::setMaterial(Material* material) {
    this->material = material;
    hasMaterial = true;
}

void Model::draw() {
    draw(0, mesh ? mesh->faceCount : 0);
}

void Model::draw(int32_t first, int32_t end) {
    if (hasMaterial)
        material->apply();
    if (hasTexture)
        texture->bind();
    drawFaces(first, end);
}

void Model::drawFaces(int32_t first, int32_t end) {
    if (!mesh)
        return;
    const Mesh& m = *mesh;
    if (first < 0)
        first = 0;
    if (end > m.faceCount)
        end = m.faceCount;
    for (int32_t i = first; i < end; ++i) {
        const Face& face = m.faces[i];
        glBegin(GL_POLYGON);
        for (int k = 0; k < 3; ++k) {
            const float* n = m.normals + 3 * face.normal[k];
            const float* t = m.texCoords + 2 * face.texCoord[k];
            const float* v = m.vertices + 3 * face.vertex[k];
            glNormal3f(n[0], n[1], n[2]);
            glTexCoord2f(t[0], t[1]);
            glVertex3f(v[0], v[1], v[2]);
        }
        glEnd();
    }
}
