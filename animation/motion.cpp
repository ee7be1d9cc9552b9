// Skeletal motions on lib3ds 1.x.
#include "animation/motion.h"

#include <GL/gl.h>
#include <lib3ds/file.h>
#include <lib3ds/node.h>
#include <lib3ds/vector.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "animation/chunk_check.h"
#include "platform/fatal.h"
#include "platform/prefetch.h"

namespace {

// The world position of a node in the pose last evaluated: the matrix's translation column.
float* position(Lib3dsNode* node) {
    return node->matrix[3];
}

bool drawsBone(const Lib3dsNode* node) {
    return node->type == LIB3DS_OBJECT_NODE && std::strcmp(node->name, "$$$DUMMY") != 0 &&
           node->name[0] != '-';
}

// A motion file read, checked and posed at frame 0 on the prefetch thread, waiting for its
// Motion::load.
struct ReadMotionFile {
    Lib3dsFile* file = nullptr; // null when the file could not be read
    ~ReadMotionFile() {
        if (file)
            lib3ds_file_free(file);
    }
};

std::string prefetchKey(const std::string& path) {
    return "3ds:" + path;
}

} // namespace

void prefetchMotionFile(const std::string& path) {
    platform::queuePrefetch(prefetchKey(path), [path] {
        auto read = std::make_shared<ReadMotionFile>();
        read->file = load3dsFile(path, nullptr);
        if (read->file)
            lib3ds_file_eval(read->file, 0.0f);
        return platform::PrefetchResult(read);
    });
}

Motion::~Motion() {
    if (file)
        lib3ds_file_free(file);
    delete clock;
    // The bone texture's GL texture stays until the process ends, as the display lists that
    // bind it do; its decoded pixels are the motion's own and go with it.
    delete[] boneTexture.pixels;
    boneTexture.pixels = nullptr;
}

void Motion::load(const std::string& filePath) {
    path = filePath;
    if (file) {
        lib3ds_file_free(file);
        file = nullptr;
    }
    // lib3ds hangs, crashes or reports success on malformed input, so it only ever sees
    // bytes that passed the chunk check.
    // A prefetched file comes posed at frame 0 already.
    platform::PrefetchResult prefetched;
    const bool posed = platform::takePrefetched(prefetchKey(filePath), &prefetched);
    if (posed)
        std::swap(file, static_cast<ReadMotionFile*>(prefetched.get())->file);
    else
        file = load3dsFile(filePath, nullptr);
    if (!file) {
        std::fprintf(stderr, "Unable to open 3ds file %s\n", filePath.c_str());
        platform::fatalExit(1);
    }
    if (!posed)
        lib3ds_file_eval(file, 0.0f);

    boneTexture.load("../textures/white.png");
    boneMesh.load("../models/bone.obj");
    boneModel.setMesh(&boneMesh);
    boneModel.setTexture(&boneTexture);
    // The bone mesh is compiled once; each bone's list only stretches it and calls this one.
    if (boneList != 0)
        glDeleteLists(boneList, 1); // the lists that called it went with the previous file
    boneList = compileModel(&boneModel);

    for (Lib3dsNode* node = file->nodes; node; node = node->next)
        buildBones(node);
}

GLuint Motion::compileModel(Model* model) {
    const GLuint id = glGenLists(1);
    if (id == 0) {
        std::fprintf(stderr, "Unable to compile a model: no display list left\n");
        platform::fatalExit(1);
    }
    glNewList(id, GL_COMPILE);
    model->draw();
    glEndList();
    return id;
}

void Motion::buildBones(Lib3dsNode* node) {
    for (Lib3dsNode* child = node->childs; child; child = child->next)
        buildBones(child);
    if (!drawsBone(node) || node->user.d != 0)
        return;
    const GLuint id = glGenLists(1);
    if (id == 0)
        return;
    node->user.d = id;

    float length = 0.0f;
    for (Lib3dsNode* child = node->childs; child; child = child->next) {
        Lib3dsVector offset;
        lib3ds_vector_sub(offset, position(child), position(node));
        const float distance = lib3ds_vector_length(offset);
        if (distance > length)
            length = distance;
    }

    glNewList(id, GL_COMPILE);
    glPushMatrix();
    glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    glScalef(1.0f, length / 5.0f, 1.0f);
    glCallList(boneList);
    glPopMatrix();
    glEndList();
}

void Motion::attachModel(Model* model, const std::string& nodeName) {
    Lib3dsNode* node =
        file ? lib3ds_file_node_by_name(file, nodeName.c_str(), LIB3DS_OBJECT_NODE) : nullptr;
    if (!node || node->user.d == 0) {
        std::fprintf(stderr,
                     "Unable to attach a model to node \"%s\" of 3ds file \"%s\": no object node "
                     "of that name with a bone\n",
                     nodeName.c_str(), path.c_str());
        platform::fatalExit(1);
    }
    glNewList(node->user.d, GL_COMPILE);
    glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    model->draw();
    glEndList();
}

void Motion::draw(unsigned int fps, float offsetSeconds) {
    if (!file)
        return;
    if (!clock) {
        clock = new Clock{};
        clock->start(0.0);
    }
    drawPose();
    lib3ds_file_eval(file, frameAt(clock->seconds(), offsetSeconds, fps, file->frames));
}

void Motion::drawPose() {
    if (!file)
        return;
    glPushMatrix();
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    for (Lib3dsNode* node = file->nodes; node; node = node->next)
        drawNode(node);
    glPopMatrix();
}

void Motion::drawNode(Lib3dsNode* node) {
    for (Lib3dsNode* child = node->childs; child; child = child->next)
        drawNode(child);
    if (node->user.d == 0)
        return;
    const float* pivot = node->data.object.pivot;
    glPushMatrix();
    glMultMatrixf(&node->matrix[0][0]);
    glTranslatef(-pivot[0], -pivot[1], -pivot[2]);
    glCallList(node->user.d);
    glPopMatrix();
}

float Motion::frameAt(double clockSeconds, float offsetSeconds, unsigned int fps, int frames) {
    if (frames < 1)
        return 0.0f;
    double frame = std::floor(std::fmod((clockSeconds + offsetSeconds) * fps, frames));
    if (!std::isfinite(frame))
        return 0.0f;
    if (frame < 0.0)
        frame += frames;
    return static_cast<float>(frame) + 0.0f;
}
