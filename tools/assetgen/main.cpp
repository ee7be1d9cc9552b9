// assetgen: writes every asset the demo reads into a build tree.
//   assetgen <build-dir> [world|figures|music ...]
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/generators.h"

static bool makeDir(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: assetgen <build-dir> [world|figures|music ...]\n"
                             "Writes models/, models/moves/, textures/ and music/ under "
                             "<build-dir>.\n");
        return argc < 2 ? 2 : 0;
    }
    const std::string root = argv[1];
    gen::OutputDirs out{root + "/models", root + "/models/moves", root + "/textures",
                        root + "/music"};
    for (const std::string& dir : {root, out.models, out.moves, out.textures, out.music}) {
        if (!makeDir(dir)) {
            std::fprintf(stderr, "assetgen: cannot create %s: %s\n", dir.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    auto wanted = [&](const char* name) {
        if (argc == 2)
            return true;
        for (int i = 2; i < argc; ++i)
            if (std::strcmp(argv[i], name) == 0)
                return true;
        return false;
    };
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    if (ok && wanted("world"))
        ok = gen::generateWorld(out);
    if (ok && wanted("figures"))
        ok = gen::generateFigures(out);
    if (ok && wanted("music"))
        ok = gen::generateMusic(out);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr, "assetgen: failed after %.1f s\n", seconds);
        return 1;
    }
    std::fprintf(stderr, "assetgen: assets written to %s in %.1f s\n", root.c_str(), seconds);
    return 0;
}
