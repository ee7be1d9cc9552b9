// A mesh bound to an optional texture and material: the unit the scenes draw.
#pragma once

#include <cstdint>

class Mesh;
class Texture;
class Material;

// Owns nothing: mesh, texture and material are globals or members of a Motion that outlive
// every model using them.
class Model {
  public:
    Mesh* mesh = nullptr;         // set by setMesh; must be set before draw
    Texture* texture = nullptr;   // bound by draw when hasTexture
    Material* material = nullptr; // applied by draw when hasMaterial
    bool hasMaterial = false;
    bool hasTexture = false;

    void setMesh(Mesh* mesh);
    void setTexture(Texture* texture);
    void setMaterial(Material* material);

    // Applies the material, binds the texture, then draws each face as one GL_POLYGON of three
    // corners (normal, texture coordinate, vertex per corner). Restores nothing. Issues only
    // commands that can be compiled into a display list.
    void draw();
    // The same for the faces first to end - 1 only (clamped to the mesh's faces).
    void draw(int32_t first, int32_t end);
    // Those faces alone, under the material and texture in use.
    void drawFaces(int32_t first, int32_t end);
};
