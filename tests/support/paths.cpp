// Test paths and scratch trees.
#include "support/paths.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string buildDir() { return QUORVEX_BUILD_DIR; }
std::string sourceDir() { return QUORVEX_SOURCE_DIR; }

std::string makeScratchTree(const std::string& name) {
    static int counter = 0;
    const fs::path root = fs::path(buildDir()) / "test-scratch" /
                          (name + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(root);
    for (const char* sub : {"bin", "models/moves", "textures", "music"})
        fs::create_directories(root / sub);
    return root.string();
}

bool copyFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    return !ec;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
