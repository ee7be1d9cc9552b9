// The dancers: the bone, head and torso models, their textures and the ten keyframe motions.
#include <cstdio>

#include "common/generators.h"
#include "figures/figure_models.h"
#include "figures/keys3ds.h"
#include "figures/motions.h"

namespace gen {

bool generateFigures(const OutputDirs& out) {
    struct MeshFile {
        const char* name;
        Mesh mesh;
        const char* comment;
    };
    const MeshFile meshes[] = {
        {"bone.obj", fig::boneMesh(),
         "bone: 5 units along +y, drawn stretched along each rig node"},
        {"head_hat.obj", fig::headMesh(), "head with a hat: +y up the neck, face towards +z"},
        {"body.obj", fig::bodyMesh(), "torso: +y up the spine, front towards +z"},
    };
    for (const MeshFile& m : meshes) {
        const std::string path = out.models + "/" + m.name;
        if (!writeObj(m.mesh, path, m.comment)) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
            return false;
        }
        progress(path);
    }
    const std::pair<const char*, Image> images[] = {
        {"white.png", fig::whiteImage()},
        {"head.png", fig::headImage()},
        {"body.png", fig::bodyImage()},
    };
    for (const auto& image : images) {
        const std::string path = out.textures + "/" + image.first;
        if (!writePng(image.second, path)) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
            return false;
        }
        progress(path);
    }
    for (const fig::MotionDef& motion : fig::motionTable()) {
        const std::string path = out.moves + "/" + motion.file;
        if (!fig::writeKeyframeFile(fig::sampleClip(motion), path))
            return false;
        progress(path);
    }
    return true;
}

} // namespace gen
