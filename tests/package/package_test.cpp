// The Debian package, built from this build tree with cpack, checked by lintian, unpacked into
// a scratch root (as dpkg -x does, away from /usr) and run from there.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/child.h"
#include "support/demo_process.h"
#include "support/demo_window.h"
#include "support/paths.h"

namespace fs = std::filesystem;

namespace {

// Removes the scratch tree however the test ends.
struct RemoveAtEnd {
    std::string path;
    ~RemoveAtEnd() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

bool isExecutable(const fs::path& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111);
}

// Width and height from a PNG's header, or 0 x 0.
std::pair<int, int> pngSize(const std::string& path) {
    const std::string bytes = readFile(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0)
        return {0, 0};
    auto be32 = [&](size_t at) {
        int v = 0;
        for (size_t i = 0; i < 4; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    return {be32(16), be32(20)};
}

TEST(DebianPackage, BuildsPassesLintianAndRunsUnpackedFromAnotherFolder) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no DISPLAY: run through ./test.sh, which starts Xvfb";
    // A demo-shaped scratch tree: its bin/ is where the user stands, and its empty models/
    // would be found as ../models by a program that read the assets relative to there.
    const RemoveAtEnd scratch{makeScratchTree("package")};
    const std::string standHere = scratch.path + "/bin";

    const ChildResult pack =
        runProgram({"/usr/bin/env", "cpack", "--config", buildDir() + "/CPackConfig.cmake", "-G",
                    "DEB", "-B", scratch.path + "/cpack"},
                   buildDir(), {}, 400);
    ASSERT_EQ(pack.status, 0) << pack.out << pack.err;
    std::string deb;
    for (const auto& entry : fs::directory_iterator(scratch.path + "/cpack"))
        if (entry.path().extension() == ".deb")
            deb = entry.path().string();
    ASSERT_NE(deb, "") << pack.out;

    // Dependencies come from the binaries' libraries, not from a hand-written list.
    const ChildResult control =
        runProgram({"/usr/bin/dpkg-deb", "--field", deb, "Depends"}, scratch.path);
    ASSERT_EQ(control.status, 0) << control.err;
    for (const char* library :
         {"libglut3.12", "lib3ds-1-3", "libsdl2-mixer-2.0-0", "libpng16-16", "libegl1"})
        EXPECT_NE(control.out.find(library), std::string::npos)
            << "Depends lacks " << library << ": " << control.out;

    const ChildResult lintian = runProgram({"/usr/bin/env", "lintian", deb}, scratch.path, {}, 300);
    ASSERT_NE(lintian.status, 127) << "lintian is not installed (scripts/setup.sh installs it)";
    EXPECT_EQ(lintian.status, 0) << lintian.out << lintian.err;
    EXPECT_EQ(lintian.out.find("E: "), std::string::npos) << lintian.out;

    const std::string root = scratch.path + "/root";
    const ChildResult unpack = runProgram({"/usr/bin/dpkg-deb", "-x", deb, root}, scratch.path);
    ASSERT_EQ(unpack.status, 0) << unpack.err;
    const fs::path usr = fs::path(root) / "usr";
    for (const char* program : {"bin/quorvex", "bin/quorvex-capture", "lib/quorvex/bin/demo",
                                "lib/quorvex/bin/demo-capture"})
        EXPECT_TRUE(isExecutable(usr / program)) << program;
    for (const char* file : {"lib/quorvex/models/city_path2.ASE", "lib/quorvex/textures/bricks.png",
                             "lib/quorvex/music/maxx.mp3", "share/applications/quorvex.desktop",
                             "share/man/man6/quorvex.6.gz", "share/doc/quorvex/copyright"})
        EXPECT_TRUE(fs::is_regular_file(usr / file)) << file;
    EXPECT_EQ(pngSize((usr / "share/icons/hicolor/256x256/apps/quorvex.png").string()),
              std::make_pair(256, 256));

    // The installed demo, started through its launcher from elsewhere, shows its first frame
    // and quits on q with status 1.
    {
        const PrivateDisplay x;
        ASSERT_NE(x.name(), "") << x.error();
        DemoProcess demo((usr / "bin/quorvex").string(), standHere, scratch.path,
                         {"DISPLAY=" + x.name(), "SDL_AUDIODRIVER=dummy"});
        const std::string window = findDemoWindow(demo.pid(), 60, x.name());
        ASSERT_NE(window, "") << "no window\nstderr: " << demo.err();
        EXPECT_TRUE(waitForDrawnFrame(window, 60, x.name())) << demo.err();
        shellOutput("DISPLAY=" + x.name() + " xdotool key --window " + window + " q");
        ASSERT_TRUE(demo.waitForExit(30)) << "the installed demo did not quit on q";
        EXPECT_EQ(demo.status(), 1) << demo.err();
        EXPECT_EQ(demo.out(), "");
    }

    // The installed capture tool renders one moment where the user stands.
    const ChildResult capture = runProgram({(usr / "bin/quorvex-capture").string(), "--quiet",
                                            "--at", "1", "--size", "64x64", "--out", "moment/"},
                                           standHere, {}, 300);
    EXPECT_EQ(capture.status, 0) << capture.out << capture.err;
    EXPECT_EQ(pngSize(standHere + "/moment/t0001.000.png"), std::make_pair(64, 64)) << capture.err;
}

} // namespace
