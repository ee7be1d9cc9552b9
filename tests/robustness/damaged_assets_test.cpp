// The real demo on a copy of the asset tree in which one of the 49 files is removed, emptied
// or cut in half. Start-up must stop with that file's own message and status, or, where the
// damaged file is still valid (an empty OBJ is an empty mesh, a cut track still plays), the
// demo must run on. Never a crash, a hang or a sanitizer report: any of those shows up as an
// unexpected status or as extra output.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <lib3ds/file.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>

#include "animation/camera_path.h"
#include "animation/chunk_check.h"
#include "assets/mesh.h"
#include "assets/texture.h"
#include "support/child.h"
#include "support/demo_process.h"
#include "support/paths.h"

namespace {

namespace fs = std::filesystem;

enum class Kind { Texture, Mesh, Path, Motion, Music };

struct Asset {
    const char* file; // under the tree root; the demo reads it as "../" + file
    Kind kind;
};

const Asset kAssets[] = {
    {"textures/ground2.png", Kind::Texture},
    {"textures/windows.png", Kind::Texture},
    {"textures/retro.png", Kind::Texture},
    {"textures/cloud.png", Kind::Texture},
    {"textures/white.png", Kind::Texture},
    {"textures/roof.png", Kind::Texture},
    {"textures/loudspeeker.png", Kind::Texture},
    {"textures/wood.png", Kind::Texture},
    {"textures/metal.png", Kind::Texture},
    {"textures/bricks.png", Kind::Texture},
    {"textures/floor1.png", Kind::Texture},
    {"textures/blend.png", Kind::Texture},
    {"textures/disco_front2.png", Kind::Texture},
    {"textures/head.png", Kind::Texture},
    {"textures/body.png", Kind::Texture},
    {"models/ground.obj", Kind::Mesh},
    {"models/houses.obj", Kind::Mesh},
    {"models/house.obj", Kind::Mesh},
    {"models/car.obj", Kind::Mesh},
    {"models/softbox.obj", Kind::Mesh},
    {"models/disco_room1.obj", Kind::Mesh},
    {"models/lamps.obj", Kind::Mesh},
    {"models/roof.obj", Kind::Mesh},
    {"models/loudspeekers.obj", Kind::Mesh},
    {"models/tables.obj", Kind::Mesh},
    {"models/scenes.obj", Kind::Mesh},
    {"models/floor.obj", Kind::Mesh},
    {"models/rigg.obj", Kind::Mesh},
    {"models/disco_lamp.obj", Kind::Mesh},
    {"models/blend.obj", Kind::Mesh},
    {"models/sofa.obj", Kind::Mesh},
    {"models/joint.obj", Kind::Mesh},
    {"models/disco_house.obj", Kind::Mesh},
    {"models/head_hat.obj", Kind::Mesh},
    {"models/body.obj", Kind::Mesh},
    {"models/bone.obj", Kind::Mesh},
    {"models/city_path2.ASE", Kind::Path},
    {"models/disco_path.ASE", Kind::Path},
    {"models/moves/human_dance.3ds", Kind::Motion},
    {"models/moves/vakt.3ds", Kind::Motion},
    {"models/moves/sitting.3DS", Kind::Motion},
    {"models/moves/bar_man.3DS", Kind::Motion},
    {"models/moves/kelbro.3DS", Kind::Motion},
    {"models/moves/pist.3DS", Kind::Motion},
    {"models/moves/walking_man.3DS", Kind::Motion},
    {"models/moves/hoppande.3DS", Kind::Motion},
    {"models/moves/pist2.3DS", Kind::Motion},
    {"models/moves/juck.3DS", Kind::Motion},
    {"music/maxx.mp3", Kind::Music},
};

void PrintTo(const Asset& asset, std::ostream* os) {
    *os << asset.file;
}

// The last file start-up reads: the last motion, loaded after the music is playing. Once it
// has been read and closed, start-up is a few display lists from done.
const char* kLastMotionDir = "models/moves";
const char* kLastMotionName = "juck.3DS";

// The first three for every asset; the hostile ones for an asset of each kind: a special
// file in its place, words in place of the music, or no sound card.
enum class Damage { Removed, Empty, Truncated, LinkToDevZero, Fifo, Directory, Words, NoSoundCard };

// How long a demo that started fine is left running, and the longest any start-up may take
// (the sanitizer build is several times slower than the plain one).
constexpr double kRunOnSeconds = 2.0;
constexpr double kStartUpLimitSeconds = 120.0;

// What the demo must do with the damaged tree.
struct Expected {
    bool runsOn = false; // otherwise: exits with `status` after printing `out` and `err`
    int status = 1;
    std::string out, err;
    bool errIsPrefix = false; // err is the start of the one line (the rest is the reason)
    bool outIsPrefix = false;
};

// The generated assets, linked, with `asset` damaged (replaced, so the build's own file stays
// whole); returns the tree's root.
std::string damagedTree(const Asset& asset, Damage damage) {
    const std::string root = makeScratchTree("damaged");
    EXPECT_TRUE(linkAssetTree(root));
    const std::string target = root + "/" + asset.file;
    const std::string original = buildDir() + "/" + asset.file;
    const std::uintmax_t originalSize = fs::file_size(original);
    switch (damage) {
    case Damage::Removed:
        fs::remove(target);
        break;
    case Damage::Empty:
        EXPECT_TRUE(writeFile(target, ""));
        break;
    case Damage::Truncated: {
        const std::string bytes = readFile(target);
        EXPECT_TRUE(writeFile(target, bytes.substr(0, bytes.size() / 2)));
        break;
    }
    case Damage::LinkToDevZero:
        fs::remove(target);
        EXPECT_EQ(symlink("/dev/zero", target.c_str()), 0);
        break;
    case Damage::Fifo:
        fs::remove(target);
        EXPECT_EQ(mkfifo(target.c_str(), 0600), 0);
        break;
    case Damage::Directory:
        fs::remove(target);
        EXPECT_TRUE(fs::create_directory(target));
        break;
    case Damage::Words:
        EXPECT_TRUE(writeFile(target, "These are words, not frames of MPEG audio.\n"));
        break;
    case Damage::NoSoundCard:
        // An empty ALSA configuration: no card, no default device.
        EXPECT_TRUE(writeFile(root + "/asound.conf", ""));
        break;
    }
    EXPECT_EQ(fs::file_size(original), originalSize) << "the build's own file was damaged";
    return root;
}

// For a damaged file that is still there: its own loader, run alone on it from the tree's
// bin/, decides whether it is still valid and, for the text formats, gives the exact line.
Expected judgeDamagedFile(const Asset& asset, Damage damage, const std::string& root) {
    const std::string path = "../" + std::string(asset.file);
    const std::string bin = root + "/bin";
    Expected e;
    auto inBin = [&](auto&& body) {
        return runInChild([&] {
            if (chdir(bin.c_str()) != 0)
                _exit(126);
            body();
        });
    };
    switch (asset.kind) {
    case Kind::Texture: {
        const ChildResult r = inBin([&] {
            int32_t width = 0, height = 0;
            _exit(loadPng(path.c_str(), width, height) ? 0 : 1);
        });
        e.runsOn = r.exited && r.status == 0;
        e.out = "png file not found! : " + path + "\n";
        break;
    }
    case Kind::Mesh:
    case Kind::Path: {
        const ChildResult r = inBin([&] {
            if (asset.kind == Kind::Mesh) {
                Mesh mesh;
                mesh.load(path.c_str());
            } else {
                CameraPath cameraPath;
                cameraPath.load(path.c_str());
            }
        });
        EXPECT_TRUE(r.exited) << asset.file << ": the loader alone died or hung\n" << r.err;
        e.runsOn = r.exited && r.status == 0;
        e.status = r.status;
        e.out = r.out;
        e.err = r.err;
        break;
    }
    case Kind::Motion: {
        const ChildResult r = inBin([&] {
            if (!check3dsFile(path, nullptr))
                _exit(1);
            _exit(lib3ds_file_load(path.c_str()) ? 0 : 1);
        });
        e.runsOn = r.exited && r.status == 0;
        e.err = "Unable to open 3ds file " + path + "\n";
        break;
    }
    case Kind::Music:
        // An empty file is no track at all; half a track is a shorter track. Whatever the
        // fault, the line is the only output: neither ALSA nor the MP3 decoder adds to it.
        e.runsOn = damage == Damage::Truncated;
        e.status = 255; // exit(-1)
        e.out = "FMOD error! (";
        e.outIsPrefix = true;
        break;
    }
    return e;
}

Expected expectedForRemoved(const Asset& asset) {
    const std::string path = "../" + std::string(asset.file);
    Expected e;
    switch (asset.kind) {
    case Kind::Texture:
        e.out = "png file not found! : " + path + "\n";
        break;
    case Kind::Mesh:
        e.err = "Unable to open obj-file \"" + path + "\".\n";
        break;
    case Kind::Path:
        e.err = "Unable to read camera path \"" + path + "\": ";
        e.errIsPrefix = true;
        break;
    case Kind::Motion:
        e.err = "Unable to open 3ds file " + path + "\n";
        break;
    case Kind::Music:
        e.status = 255;
        e.out = "FMOD error! (";
        e.outIsPrefix = true;
        break;
    }
    return e;
}

// A prefix match stands for the whole of one line that begins with `expected`.
void expectStream(const std::string& actual, const std::string& expected, bool isPrefix,
                  const char* stream) {
    if (!isPrefix) {
        EXPECT_EQ(actual, expected) << "on standard " << stream;
        return;
    }
    EXPECT_EQ(actual.rfind(expected, 0), 0u) << "on standard " << stream << ": " << actual;
    EXPECT_EQ(actual.find('\n'), actual.size() - 1) << "on standard " << stream << ": " << actual;
}

// Watches a folder for files closed after reading.
class CloseWatch {
  public:
    explicit CloseWatch(const std::string& dir) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0)
            inotify_add_watch(fd_, dir.c_str(), IN_CLOSE_NOWRITE);
    }
    ~CloseWatch() {
        if (fd_ >= 0)
            close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

    // Waits up to `ms` for events; true once `name` has been closed.
    bool closed(const std::string& name, int ms) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0)
            return false;
        alignas(inotify_event) char buffer[4096];
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && name == event->name)
                seen_ = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        return seen_;
    }

  private:
    int fd_ = -1;
    bool seen_ = false;
};

using Case = std::tuple<Asset, Damage>;

class DamagedAsset : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no DISPLAY: run through ./test.sh, which starts Xvfb";
        if (!fs::exists(buildDir() + "/bin/demo") || !fs::exists(buildDir() + "/music/maxx.mp3"))
            GTEST_SKIP() << "the demo and its generated assets are not built";
    }
};

TEST_P(DamagedAsset, GivesItsOwnMessageAndStatusOrRunsOn) {
    const auto& [asset, damage] = GetParam();
    const std::string root = damagedTree(asset, damage);
    const Expected expected = damage == Damage::Removed ? expectedForRemoved(asset)
                                                        : judgeDamagedFile(asset, damage, root);

    CloseWatch lastMotion(root + "/" + kLastMotionDir);
    ASSERT_TRUE(lastMotion.ok());
    const std::vector<std::string> env =
        damage == Damage::NoSoundCard
            ? std::vector<std::string>{"SDL_AUDIODRIVER=alsa",
                                       "ALSA_CONFIG_PATH=" + root + "/asound.conf"}
            : std::vector<std::string>{"SDL_AUDIODRIVER=dummy"};
    DemoProcess demo(buildDir() + "/bin/demo", root + "/bin", root, env);

    if (expected.runsOn) {
        // Start-up must get through the last motion and then keep running.
        const auto limit =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(kStartUpLimitSeconds);
        bool loaded = false;
        while (!loaded && !demo.waitForExit(0) && std::chrono::steady_clock::now() < limit)
            loaded = lastMotion.closed(kLastMotionName, 50);
        ASSERT_FALSE(demo.exited()) << "the demo ended with status " << demo.status()
                                    << "\nstdout: " << demo.out() << "\nstderr: " << demo.err();
        ASSERT_TRUE(loaded) << "start-up hangs: no end of loading in " << kStartUpLimitSeconds
                            << " s\nstderr: " << demo.err();
        EXPECT_FALSE(demo.waitForExit(kRunOnSeconds))
            << "the demo ended with status " << demo.status()
            << " after start-up\nstdout: " << demo.out() << "\nstderr: " << demo.err();
        EXPECT_EQ(demo.out(), "");
        EXPECT_EQ(demo.err(), "");
        return;
    }
    ASSERT_TRUE(demo.waitForExit(kStartUpLimitSeconds))
        << "the demo neither stopped nor failed in " << kStartUpLimitSeconds
        << " s\nstdout: " << demo.out() << "\nstderr: " << demo.err();
    EXPECT_EQ(demo.status(), expected.status)
        << "stdout: " << demo.out() << "\nstderr: " << demo.err();
    expectStream(demo.out(), expected.out, expected.outIsPrefix, "output");
    expectStream(demo.err(), expected.err, expected.errIsPrefix, "error");
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name = std::get<0>(info.param).file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    const char* damages[] = {"Removed", "Empty",     "Truncated", "LinkToDevZero",
                             "Fifo",    "Directory", "Words",     "NoSoundCard"};
    return name + "_" + damages[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(EveryAsset, DamagedAsset,
                         ::testing::Combine(::testing::ValuesIn(kAssets),
                                            ::testing::Values(Damage::Removed, Damage::Empty,
                                                              Damage::Truncated)),
                         caseName);

const Asset& assetNamed(const std::string& file) {
    for (const Asset& asset : kAssets)
        if (file == asset.file)
            return asset;
    std::abort();
}

const Case kHostileCases[] = {
    {assetNamed("models/bone.obj"), Damage::Directory}, // every bone would vanish
    {assetNamed("models/houses.obj"), Damage::LinkToDevZero},
    {assetNamed("textures/white.png"), Damage::Fifo},
    {assetNamed("models/city_path2.ASE"), Damage::LinkToDevZero},
    {assetNamed("models/disco_path.ASE"), Damage::Fifo},
    {assetNamed("models/moves/juck.3DS"), Damage::Fifo},
    {assetNamed("models/moves/human_dance.3ds"), Damage::Directory},
    {assetNamed("music/maxx.mp3"), Damage::Fifo},
    {assetNamed("music/maxx.mp3"), Damage::Words},
    {assetNamed("music/maxx.mp3"), Damage::NoSoundCard},
};

INSTANTIATE_TEST_SUITE_P(Hostile, DamagedAsset, ::testing::ValuesIn(kHostileCases), caseName);

// The table is the whole set the build generates: 49 files, no more, no fewer.
TEST(DamagedAssetTable, ListsEveryGeneratedAsset) {
    if (!fs::exists(buildDir() + "/music/maxx.mp3"))
        GTEST_SKIP() << "the generated assets are not built";
    std::set<std::string> generated, listed;
    for (const char* dir : {"textures", "models", "music"})
        for (const auto& entry : fs::recursive_directory_iterator(buildDir() + "/" + dir))
            if (entry.is_regular_file())
                generated.insert(fs::relative(entry.path(), buildDir()).string());
    for (const Asset& asset : kAssets)
        listed.insert(asset.file);
    EXPECT_EQ(listed.size(), 49u);
    EXPECT_EQ(generated, listed);
}

} // namespace
