// Fixture rigs and scratch trees for the motion tests.
#include "rig_fixture.h"

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/tracks.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <limits.h>

#include "support/paths.h"

namespace {

struct RigNodeDef {
    const char* name;
    int id;
    int parent; // -1 for a root
    float pos[3];
    float pivot[3];
};

const RigNodeDef kRig[] = {
    {"Hips", 0, -1, {0, 0, 50}, {0, 0, 0}}, {"$$$DUMMY", 1, 0, {10, 0, 0}, {0, 0, 0}},
    {"Thumb", 2, 1, {0, 0, -6}, {0, 0, 0}}, {"Spine", 3, 0, {0, 0, 20}, {1, 2, 3}},
    {"-Hand", 4, 3, {9, 0, 0}, {0, 0, 0}},  {"Finger", 5, 4, {3, 0, 0}, {0, 0, 0}},
    {"Head", 6, 3, {0, 0, 12}, {0, 0, 0}},
};

Lib3dsLin3Key* lin3Key(int frame, float x, float y, float z) {
    Lib3dsLin3Key* key = lib3ds_lin3_key_new();
    key->tcb.frame = frame;
    key->value[0] = x;
    key->value[1] = y;
    key->value[2] = z;
    return key;
}

// Builds the rig's keyframer nodes into `file`. Every node needs a unique node_id and the
// root LIB3DS_NO_PARENT, or lib3ds_file_insert_node recurses without end; in-memory tracks
// need their *_track_setup before lib3ds_file_eval (loading does it itself).
void addRig(Lib3dsFile* file) {
    for (const RigNodeDef& def : kRig) {
        Lib3dsNode* node = lib3ds_node_new_object();
        std::strcpy(node->name, def.name);
        node->node_id = static_cast<Lib3dsWord>(def.id);
        node->parent_id = def.parent < 0 ? LIB3DS_NO_PARENT : static_cast<Lib3dsWord>(def.parent);
        Lib3dsObjectData& object = node->data.object;
        for (int a = 0; a < 3; ++a)
            object.pivot[a] = def.pivot[a];
        if (def.parent < 0) {
            for (int frame = 0; frame < 100; ++frame)
                lib3ds_lin3_track_insert(
                    &object.pos_track,
                    lin3Key(frame, static_cast<float>(frame), def.pos[1], def.pos[2]));
        } else {
            lib3ds_lin3_track_insert(&object.pos_track,
                                     lin3Key(0, def.pos[0], def.pos[1], def.pos[2]));
        }
        // Rotation keys are relative to the previous key; one key of angle 0 is no rotation.
        Lib3dsQuatKey* rot = lib3ds_quat_key_new();
        rot->tcb.frame = 0;
        rot->axis[2] = 1.0f;
        rot->angle = 0.0f;
        lib3ds_quat_track_insert(&object.rot_track, rot);
        lib3ds_lin3_track_insert(&object.scl_track, lin3Key(0, 1, 1, 1));
        lib3ds_lin3_track_setup(&object.pos_track);
        lib3ds_quat_track_setup(&object.rot_track);
        lib3ds_lin3_track_setup(&object.scl_track);
        lib3ds_file_insert_node(file, node);
    }
}

bool save(Lib3dsFile* file, const std::string& path) {
    const bool ok = lib3ds_file_save(file, path.c_str()) != 0;
    lib3ds_file_free(file);
    return ok;
}

} // namespace

const std::vector<RigNodeSpec>& testRigNodes() {
    static const std::vector<RigNodeSpec> nodes = {
        {"Hips", {0, 0, 50}, {0, 0, 0}, 20, true},  {"$$$DUMMY", {10, 0, 50}, {0, 0, 0}, 6, false},
        {"Thumb", {10, 0, 44}, {0, 0, 0}, 0, true}, {"Spine", {0, 0, 70}, {1, 2, 3}, 12, true},
        {"-Hand", {9, 0, 70}, {0, 0, 0}, 3, false}, {"Finger", {12, 0, 70}, {0, 0, 0}, 0, true},
        {"Head", {0, 0, 82}, {0, 0, 0}, 0, true},
    };
    return nodes;
}

bool writeTestRig(const std::string& path, int frames) {
    Lib3dsFile* file = lib3ds_file_new();
    file->frames = frames;
    addRig(file);
    return save(file, path);
}

std::vector<std::uint8_t> testRigBytes(int frames) {
    const std::string path = makeScratchTree("rig-bytes") + "/models/moves/rig.3DS";
    if (!writeTestRig(path, frames))
        return {};
    const std::string bytes = readFile(path);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

bool writeTestScene(const std::string& path) {
    Lib3dsFile* file = lib3ds_file_new();
    file->frames = 100;
    file->ambient[0] = 0.2f;
    file->construction_plane[2] = 1.0f;

    file->background.solid.use = LIB3DS_TRUE;
    file->background.solid.col[0] = 0.5f;
    file->background.gradient.use = LIB3DS_TRUE;
    file->background.gradient.percent = 0.5f;
    file->background.bitmap.use = LIB3DS_TRUE;
    std::strcpy(file->background.bitmap.name, "sky.png");
    file->atmosphere.fog.use = LIB3DS_TRUE;
    file->atmosphere.fog.fog_background = LIB3DS_TRUE;
    file->atmosphere.fog.far_plane = 100.0f;
    file->atmosphere.layer_fog.use = LIB3DS_TRUE;
    file->atmosphere.layer_fog.far_y = 10.0f;
    file->atmosphere.dist_cue.use = LIB3DS_TRUE;
    file->atmosphere.dist_cue.cue_background = LIB3DS_TRUE;
    file->atmosphere.dist_cue.far_plane = 50.0f;
    file->viewport.layout.views = 1;
    file->viewport.layout.viewL = static_cast<Lib3dsView*>(calloc(1, sizeof(Lib3dsView)));
    file->viewport.layout.viewL[0].type = LIB3DS_VIEW_TYPE_TOP;
    file->viewport.layout.viewL[0].zoom = 1.0f;

    Lib3dsMaterial* material = lib3ds_material_new();
    std::strcpy(material->name, "paint");
    material->diffuse[0] = 1.0f;
    material->shininess = 0.5f;
    material->transparency = 0.25f;
    std::strcpy(material->texture1_map.name, "paint.png");
    material->texture1_map.percent = 1.0f;
    material->texture1_map.scale[0] = material->texture1_map.scale[1] = 1.0f;
    std::strcpy(material->bump_map.name, "bump.png");
    lib3ds_file_insert_material(file, material);

    Lib3dsMesh* mesh = lib3ds_mesh_new("box");
    lib3ds_mesh_new_point_list(mesh, 4);
    lib3ds_mesh_new_texel_list(mesh, 4);
    for (int i = 0; i < 4; ++i) {
        mesh->pointL[i].pos[0] = static_cast<float>(i & 1);
        mesh->pointL[i].pos[1] = static_cast<float>(i >> 1);
        mesh->texelL[i][0] = static_cast<float>(i & 1);
        mesh->texelL[i][1] = static_cast<float>(i >> 1);
    }
    lib3ds_mesh_new_face_list(mesh, 2);
    const Lib3dsWord corners[2][3] = {{0, 1, 2}, {1, 3, 2}};
    for (int f = 0; f < 2; ++f) {
        for (int c = 0; c < 3; ++c)
            mesh->faceL[f].points[c] = corners[f][c];
        std::strcpy(mesh->faceL[f].material, "paint");
        mesh->faceL[f].smoothing = 1;
    }
    lib3ds_matrix_identity(mesh->matrix);
    lib3ds_file_insert_mesh(file, mesh);

    Lib3dsCamera* camera = lib3ds_camera_new("eye");
    camera->position[1] = -100.0f;
    camera->fov = 45.0f;
    camera->see_cone = LIB3DS_TRUE;
    camera->far_range = 1000.0f;
    lib3ds_file_insert_camera(file, camera);

    Lib3dsLight* light = lib3ds_light_new("spot");
    light->spot_light = LIB3DS_TRUE;
    light->position[2] = 100.0f;
    light->color[0] = light->color[1] = light->color[2] = 1.0f;
    light->hot_spot = 30.0f;
    light->fall_off = 40.0f;
    light->shadowed = LIB3DS_TRUE;
    light->multiplier = 1.0f;
    lib3ds_file_insert_light(file, light);

    addRig(file);
    return save(file, path);
}

bool writeSolidPng(const std::string& path, int width, int height, std::uint8_t r, std::uint8_t g,
                   std::uint8_t b) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    for (int x = 0; x < width; ++x) {
        row[3 * x] = r;
        row[3 * x + 1] = g;
        row[3 * x + 2] = b;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

std::string makeRigTree(const std::string& name, bool withTexture) {
    const std::string root = makeScratchTree(name);
    writeFile(root + "/models/bone.obj",
              "# fixture bone: 5 units along +y\n"
              "v 0 0 1\nv 0 5 0\nv 1 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n");
    if (withTexture)
        writeSolidPng(root + "/textures/white.png", 2, 2, 255, 255, 255);
    return root;
}

WorkingDirectory::WorkingDirectory(const std::string& dir) {
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer))
        previous_ = buffer;
    ok_ = !previous_.empty() && chdir(dir.c_str()) == 0;
}

WorkingDirectory::~WorkingDirectory() {
    if (!previous_.empty() && chdir(previous_.c_str()) != 0)
        std::perror("chdir");
}
