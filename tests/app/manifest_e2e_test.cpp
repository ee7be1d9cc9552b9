// Start-up of the real demo on a copy of the generated assets: the load order, and the one
// line and status each missing file gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/demo_process.h"
#include "support/paths.h"

namespace fs = std::filesystem;

namespace {

// build/{models,textures,music}, linked, beside a bin/ working directory.
std::string assetTreeCopy(const std::string& name) {
    const std::string root = makeScratchTree(name);
    EXPECT_TRUE(linkAssetTree(root)) << root;
    return root;
}

struct DemoRun {
    bool exited;
    int status;
    std::string out, err;
    // Asset paths opened, in order (when traced): by the main thread, and by the thread that
    // reads and decodes files ahead of the loaders.
    std::vector<std::string> opened, prefetched;
};

// Runs the demo from root/bin until it exits by itself, or for `seconds` and then sends it
// nothing more: a demo that starts up fully keeps running and is killed by the destructor.
DemoRun runDemo(const std::string& root, double seconds, bool trace) {
    std::string binary = buildDir() + "/bin/demo";
    const std::string traceFile = root + "/trace.txt";
    std::vector<std::string> env = {"SDL_AUDIODRIVER=dummy"};
    if (trace) {
        // strace follows the demo's openat calls; it runs the demo itself. LeakSanitizer
        // cannot work under ptrace, so a sanitizer build checks leaks in the untraced runs.
        const char* asan = std::getenv("ASAN_OPTIONS");
        env.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":detect_leaks=0");
        const std::string script = root + "/traced-demo.sh";
        writeFile(script, "#!/bin/sh\nexec strace -f -qq -e trace=openat -e signal=none -o '" +
                              traceFile + "' '" + binary + "'\n");
        fs::permissions(script, fs::perms::owner_all);
        binary = script;
    }
    DemoRun run{};
    {
        DemoProcess demo(binary, root + "/bin", root, env);
        // A traced run that gets through start-up (the last motion's bone mesh read: each of
        // the ten motions reads its own) need not wait out the full time: it only has to keep
        // running a moment longer.
        auto startedUp = [&] {
            const std::string trace = readFile(traceFile);
            int bones = 0;
            for (size_t at = trace.find("bone.obj"); at != std::string::npos;
                 at = trace.find("bone.obj", at + 1))
                ++bones;
            return bones >= 10;
        };
        for (double waited = 0; waited < seconds && !run.exited; waited += 0.25) {
            run.exited = demo.waitForExit(0.25);
            if (trace && !run.exited && startedUp()) {
                run.exited = demo.waitForExit(1.0);
                break;
            }
        }
        run.status = demo.status();
        run.out = demo.out();
        run.err = demo.err();
    }
    if (trace) {
        // strace -f starts each line with the thread's id; the first line is the main
        // thread's (the dynamic linker opening the libraries).
        std::istringstream lines(readFile(traceFile));
        std::string line, mainThread;
        while (std::getline(lines, line)) {
            const std::string thread = line.substr(0, line.find(' '));
            if (mainThread.empty())
                mainThread = thread;
            const size_t q = line.find("\"../");
            if (q == std::string::npos)
                continue;
            const size_t end = line.find('"', q + 1);
            const std::string path = line.substr(q + 1, end - q - 1);
            std::vector<std::string>& list = thread == mainThread ? run.opened : run.prefetched;
            // Each OBJ is opened twice (count, then fill): keep one entry per read.
            if (list.empty() || list.back() != path)
                list.push_back(path);
        }
    }
    return run;
}

class StartUp : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no DISPLAY: run through ./test.sh, which starts Xvfb";
    }
};

TEST_F(StartUp, LoadsEveryAssetInManifestOrderThenDrawsFrames) {
    const std::string root = assetTreeCopy("startup-all");
    const DemoRun run = runDemo(root, 60, true);
    EXPECT_FALSE(run.exited) << "the demo ended during start-up:\n" << run.out << run.err;
    EXPECT_EQ(run.out, "");
    const std::vector<std::string> textures = {
        "ground2", "windows", "retro",  "cloud", "white",        "roof", "loudspeeker", "wood",
        "metal",   "bricks",  "floor1", "blend", "disco_front2", "head", "body"};
    const std::vector<std::string> meshes = {
        "ground", "houses",       "house",  "car",         "softbox",  "disco_room1", "lamps",
        "roof",   "loudspeekers", "tables", "scenes",      "floor",    "rigg",        "disco_lamp",
        "blend",  "sofa",         "joint",  "disco_house", "head_hat", "body"};
    const std::vector<std::string> motions = {
        "human_dance.3ds", "vakt.3ds",        "sitting.3DS",  "bar_man.3DS", "kelbro.3DS",
        "pist.3DS",        "walking_man.3DS", "hoppande.3DS", "pist2.3DS",   "juck.3DS"};
    // Textures, meshes and motions are read ahead, in the loaders' order, on a thread of their
    // own; the loaders take them in that order on the main thread, which reads the rest.
    std::vector<std::string> prefetched, expected;
    for (const std::string& t : textures)
        prefetched.push_back("../textures/" + t + ".png");
    for (const std::string& m : meshes)
        prefetched.push_back("../models/" + m + ".obj");
    for (const std::string& m : motions)
        prefetched.push_back("../models/moves/" + m);
    EXPECT_EQ(run.prefetched, prefetched);
    expected.push_back("../models/city_path2.ASE");
    expected.push_back("../models/disco_path.ASE");
    expected.push_back("../music/maxx.mp3");
    // Each motion reads its own bone texture and bone mesh.
    for (size_t i = 0; i < motions.size(); ++i) {
        expected.push_back("../textures/white.png");
        expected.push_back("../models/bone.obj");
    }
    // The music may be reopened by the decoder while it streams; compare the start-up prefix
    // and ignore any later re-reads of the track.
    std::vector<std::string> opened;
    for (const std::string& p : run.opened)
        if (opened.size() < expected.size() &&
            !(p == "../music/maxx.mp3" && !opened.empty() && opened.back() == "../music/maxx.mp3"))
            opened.push_back(p);
    EXPECT_EQ(opened, expected);
}

TEST_F(StartUp, EachMissingFileStopsStartUpWithItsOwnLine) {
    struct Case {
        std::vector<std::string> remove;
        int status;
        std::string out; // exact standard output ("" when the line goes to stderr)
        std::string err; // exact standard error, or a prefix when errPrefix
        bool outPrefix;
    } cases[] = {
        {{"textures/metal.png"}, 1, "png file not found! : ../textures/metal.png\n", "", false},
        // Textures load before motions: only the texture is reported.
        {{"textures/wood.png", "models/moves/pist.3DS"},
         1,
         "png file not found! : ../textures/wood.png\n",
         "",
         false},
        {{"models/rigg.obj"}, 1, "", "Unable to open obj-file \"../models/rigg.obj\".\n", false},
        {{"models/moves/juck.3DS"},
         1,
         "",
         "Unable to open 3ds file ../models/moves/juck.3DS\n",
         false},
        {{"music/maxx.mp3"}, 255, "FMOD error! (", "", true},
    };
    for (const Case& c : cases) {
        const std::string root = assetTreeCopy("startup-missing");
        for (const std::string& file : c.remove)
            fs::remove(fs::path(root) / file);
        const DemoRun run = runDemo(root, 60, &c == &cases[0]);
        ASSERT_TRUE(run.exited) << c.remove[0] << " missing: the demo kept running";
        EXPECT_EQ(run.status, c.status) << c.remove[0];
        if (c.outPrefix) {
            EXPECT_EQ(run.out.rfind(c.out, 0), 0u) << run.out;
            EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
        } else {
            EXPECT_EQ(run.out, c.out) << c.remove[0];
        }
        EXPECT_EQ(run.err, c.err) << c.remove[0];
        if (&c == &cases[0]) {
            // Once a texture is missing no later loader runs: the main thread reads no path,
            // music or bone file (what was read ahead is never used).
            EXPECT_EQ(run.opened, std::vector<std::string>()) << run.opened.front();
            EXPECT_NE(
                std::find(run.prefetched.begin(), run.prefetched.end(), "../textures/metal.png"),
                run.prefetched.end());
        }
    }
}

} // namespace
