// The bad files in tests/bad_files/, one table: each is refused by its loader with the
// loader's one line and status 1, both when the fatal exit ends the process and when a
// handler throws back out of the loader as the fuzzing build's does. In the second case the
// loader must also have let go of everything it took: no descriptor left open, and (in the
// sanitizer build) no memory leaked.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "animation/camera_path.h"
#include "animation/chunk_check.h"
#include "animation/motion.h"
#include "assets/mesh.h"
#include "assets/texture.h"
#include "platform/fatal.h"
#include "support/child.h"
#include "support/hand_made_3ds.h"
#include "support/paths.h"

// LeakSanitizer's on-demand check, present only in the sanitizer build.
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

namespace {

namespace fs = std::filesystem;

enum class Loader { Obj, Png, Path, Motion };

// Rows whose file the test makes when it runs (in a scratch folder, under the row's name):
// what cannot be kept in git, and what is too large to keep.
enum class Made {
    Stored,
    SymlinkToDevZero,
    FifoWithoutWriter,
    Directory,
    NodeChain60000,
    NodeChain65,
    LoopingTrackPastFloatFrames,
    TrackOf30000Keys,
    TwentyTracksOf3000Keys,
    PathTokenWithControlBytes
};

struct BadFile {
    const char* name; // under tests/bad_files/, or the scratch folder for a made file
    Loader loader;
    int line;          // OBJ: the line the message names; -1: the "Unable to open" line
    const char* cause; // OBJ and path: part of the message's reason; .3DS: of the check's
    Made made = Made::Stored;
};

// The folder's name says what is wrong with each file; the cause is how the loader says it.
const BadFile kBadFiles[] = {
    {"obj/face_with_two_references.obj", Loader::Obj, 6, "a face needs three vertex references"},
    {"obj/face_without_references.obj", Loader::Obj, 6, "a face needs three vertex references"},
    {"obj/index_beyond_long_range.obj", Loader::Obj, 6, "position index"},
    {"obj/normal_index_zero.obj", Loader::Obj, 6, "normal index 0"},
    {"obj/normals_referenced_but_none_given.obj", Loader::Obj, 5, "(the file has 0 normals)"},
    {"obj/position_index_past_end.obj", Loader::Obj, 6, "position index 4"},
    {"obj/reference_with_four_parts.obj", Loader::Obj, 6, "not in the form p/t/n"},
    {"obj/reference_without_normal_index.obj", Loader::Obj, 6, "not in the form p/t/n"},
    {"obj/reference_without_slashes.obj", Loader::Obj, 6, "not in the form p/t/n"},
    {"obj/reference_without_texture_index.obj", Loader::Obj, 6, "not in the form p/t/n"},
    {"obj/relative_negative_indices.obj", Loader::Obj, 6, "position index -3"},
    {"obj/texture_index_past_end.obj", Loader::Obj, 6, "texture coordinate index 2"},

    {"png/colour_type_5.png", Loader::Png, 0, ""},
    {"png/dimensions_beyond_png_range.png", Loader::Png, 0, ""},
    {"png/empty.png", Loader::Png, 0, ""},
    {"png/idat_holds_too_few_rows.png", Loader::Png, 0, ""},
    {"png/idat_not_zlib.png", Loader::Png, 0, ""},
    {"png/ihdr_crc_wrong.png", Loader::Png, 0, ""},
    {"png/no_idat.png", Loader::Png, 0, ""},
    {"png/not_a_png.png", Loader::Png, 0, ""},
    {"png/palette_image_without_palette.png", Loader::Png, 0, ""},
    {"png/rgb_with_bit_depth_4.png", Loader::Png, 0, ""},
    {"png/row_filter_type_9.png", Loader::Png, 0, ""},
    {"png/signature_only.png", Loader::Png, 0, ""},
    {"png/truncated_after_ihdr.png", Loader::Png, 0, ""},
    {"png/truncated_inside_idat.png", Loader::Png, 0, ""},
    {"png/unknown_critical_chunk.png", Loader::Png, 0, ""},
    {"png/width_beyond_limit.png", Loader::Png, 0, ""},
    {"png/width_zero.png", Loader::Png, 0, ""},

    {"path/coordinate_hexadecimal.ASE", Loader::Path, 0, "'0x10' is not a number"},
    {"path/coordinate_nan.ASE", Loader::Path, 0, "'nan' is not a number"},
    {"path/empty.ASE", Loader::Path, 0, "fewer than four '{'"},
    {"path/fewer_knots_than_count.ASE", Loader::Path, 0, "only 2 records"},
    {"path/file_ends_before_knot_count.ASE", Loader::Path, 0, "before the knot count"},
    {"path/file_ends_inside_knot.ASE", Loader::Path, 0, "ends inside the record"},
    {"path/knot_count_beyond_long_range.ASE", Loader::Path, 0, "out of range"},
    {"path/knot_count_far_beyond_the_records.ASE", Loader::Path, 0, "only 1 records"},
    {"path/knot_count_huge.ASE", Loader::Path, 0, "out of range"},
    {"path/knot_count_negative.ASE", Loader::Path, 0, "below 1"},
    {"path/knot_count_not_a_number.ASE", Loader::Path, 0, "not a decimal integer"},
    {"path/knot_count_zero.ASE", Loader::Path, 0, "below 1"},
    {"path/knot_index_not_a_number.ASE", Loader::Path, 0, "the index 'one'"},
    {"path/three_braces.ASE", Loader::Path, 0, "fewer than four '{'"},
    {"path/word_longer_than_99_characters.ASE", Loader::Path, 0, "longer than 99 characters"},

    {"3ds/empty.3ds", Loader::Motion, 0, "shorter than a chunk header"},
    {"3ds/face_array_longer_than_its_chunk.3ds", Loader::Motion, 0, "past the end of the chunk"},
    {"3ds/keyframer_chunk_length_zero.3ds", Loader::Motion, 0, "length below 6"},
    {"3ds/main_chunk_length_zero.3ds", Loader::Motion, 0, "length below 6"},
    {"3ds/main_chunk_runs_past_end_of_file.3ds", Loader::Motion, 0, "truncated"},
    {"3ds/material_group_longer_than_its_chunk.3ds", Loader::Motion, 0, "fewer faces"},
    {"3ds/material_group_names_face_past_end.3ds", Loader::Motion, 0, "names face 7 of 1"},
    {"3ds/node_chunk_runs_past_keyframer.3ds", Loader::Motion, 0, "past the end of its parent"},
    {"3ds/node_header_without_parent.3ds", Loader::Motion, 0, "node header too short"},
    {"3ds/chunk_id_zero_hides_the_node_header.3ds", Loader::Motion, 0, "chunk id 0"},
    {"3ds/instance_name_without_nul.3ds", Loader::Motion, 0,
     "instance name without a terminating NUL"},
    {"3ds/keyframer_chunk_inside_a_node_hides_its_own_parent.3ds", Loader::Motion, 0,
     "its own ancestor"},
    {"3ds/keyframer_header_name_runs_past_its_chunk.3ds", Loader::Motion, 0,
     "string without a terminating NUL"},
    {"3ds/node_is_its_own_parent.3ds", Loader::Motion, 0, "its own ancestor"},
    {"3ds/node_name_without_nul.3ds", Loader::Motion, 0, "without a terminating NUL"},
    {"3ds/node_without_id_chunk_is_its_own_parent.3ds", Loader::Motion, 0, "its own ancestor"},
    {"3ds/not_a_3ds_main_chunk.3ds", Loader::Motion, 0, "does not start with a 3DS main"},
    {"3ds/object_name_without_nul.3ds", Loader::Motion, 0, "without a terminating NUL"},
    {"3ds/shorter_than_a_chunk_header.3ds", Loader::Motion, 0, "shorter than a chunk header"},
    {"3ds/stray_bytes_after_last_chunk.3ds", Loader::Motion, 0, "stray bytes"},
    {"3ds/track_header_too_short.3ds", Loader::Motion, 0, "track header too short"},
    {"3ds/track_key_count_huge.3ds", Loader::Motion, 0, "keys (at most 10000)"},
    {"3ds/track_with_more_keys_than_data.3ds", Loader::Motion, 0, "fewer keys than its count"},
    {"3ds/two_nodes_are_each_others_parent.3ds", Loader::Motion, 0, "its own ancestor"},
    {"3ds/two_nodes_share_an_id.3ds", Loader::Motion, 0, "share the id 3"},

    // Something other than a regular file in place of each kind of asset: the open must not
    // block on a FIFO without a writer, nor the read go on without end on /dev/zero.
    {"made/zero.obj", Loader::Obj, -1, "a character device, not a regular file",
     Made::SymlinkToDevZero},
    {"made/fifo.obj", Loader::Obj, -1, "a FIFO, not a regular file", Made::FifoWithoutWriter},
    {"made/directory.obj", Loader::Obj, -1, "a directory, not a regular file", Made::Directory},
    {"made/zero.png", Loader::Png, 0, "", Made::SymlinkToDevZero},
    {"made/fifo.png", Loader::Png, 0, "", Made::FifoWithoutWriter},
    {"made/directory.png", Loader::Png, 0, "", Made::Directory},
    {"made/zero.ASE", Loader::Path, 0, "a character device, not a regular file",
     Made::SymlinkToDevZero},
    {"made/fifo.ASE", Loader::Path, 0, "a FIFO, not a regular file", Made::FifoWithoutWriter},
    {"made/directory.ASE", Loader::Path, 0, "a directory, not a regular file", Made::Directory},
    {"made/zero.3ds", Loader::Motion, 0, "a character device, not a regular file",
     Made::SymlinkToDevZero},
    {"made/fifo.3ds", Loader::Motion, 0, "a FIFO, not a regular file", Made::FifoWithoutWriter},
    {"made/directory.3ds", Loader::Motion, 0, "a directory, not a regular file", Made::Directory},
    // lib3ds links and evaluates nodes recursively: a 60,000-node chain (5 MB) exhausted its
    // stack after minutes of a quadratic tree walk.
    {"made/node_chain_60000.3ds", Loader::Motion, 0, "more than 4096 keyframer nodes",
     Made::NodeChain60000},
    {"made/node_chain_65.3ds", Loader::Motion, 0, "nested deeper than 64", Made::NodeChain65},
    // lib3ds inserts keys in time quadratic in a track's length: 9 s for this one track, and
    // as much for twenty tracks of a tenth of its size.
    {"made/track_of_30000_keys.3ds", Loader::Motion, 0, "keys (at most 10000)",
     Made::TrackOf30000Keys},
    {"made/twenty_tracks_of_3000_keys.3ds", Loader::Motion, 0, "key pairs in all",
     Made::TwentyTracksOf3000Keys},
    // lib3ds follows a null key when it wraps frame 0 into this loop in float arithmetic.
    {"made/looping_track_keys_at_minus_100000001_and_0.3ds", Loader::Motion, 0,
     "a looping track with keys from frame -100000001 to 0", Made::LoopingTrackPastFloatFrames},
    // The error line shows the token escaped and cut, never the raw bytes.
    {"made/knot_count_with_escape_sequences.ASE", Loader::Path, 0,
     "the knot count '\\x1b[2J\\x1b]0;owned\\x07\\x9b\\xffAAAAAAAAAAAAAAAA...' is not",
     Made::PathTokenWithControlBytes},
};

void PrintTo(const BadFile& bad, std::ostream* os) {
    *os << bad.name;
}

std::string badFilesDir() {
    return sourceDir() + "/tests/bad_files";
}

// The file of a row: the kept one, or one made now in a fresh scratch folder.
std::string fileOf(const BadFile& bad) {
    if (bad.made == Made::Stored)
        return badFilesDir() + "/" + bad.name;
    const std::string path = makeScratchTree("made-bad-file") + "/" + bad.name;
    fs::create_directories(fs::path(path).parent_path());
    bool made = true;
    switch (bad.made) {
    case Made::Stored:
        break;
    case Made::SymlinkToDevZero:
        made = symlink("/dev/zero", path.c_str()) == 0;
        break;
    case Made::FifoWithoutWriter:
        made = mkfifo(path.c_str(), 0600) == 0;
        break;
    case Made::Directory:
        made = mkdir(path.c_str(), 0700) == 0;
        break;
    case Made::NodeChain60000:
        made = writeFile(path, nodeTree3ds(60000, true));
        break;
    case Made::NodeChain65:
        made = writeFile(path, nodeTree3ds(65, true));
        break;
    case Made::TrackOf30000Keys:
        made = writeFile(path, keyedNodes3ds(1, 30000));
        break;
    case Made::TwentyTracksOf3000Keys:
        made = writeFile(path, keyedNodes3ds(20, 3000));
        break;
    case Made::LoopingTrackPastFloatFrames:
        made = writeFile(path, loopingTrack3ds(-100000001, 0));
        break;
    case Made::PathTokenWithControlBytes:
        made = writeFile(path, "{{{{ *MESH_NUMVERTEX \x1b[2J\x1b]0;owned\x07\x9b\xff" +
                                   std::string(60, 'A') + "\n");
        break;
    }
    EXPECT_TRUE(made) << path;
    return path;
}

// Calls the loader the way the demo does at start-up. Returns only if the file was accepted.
void load(Loader loader, const std::string& path) {
    switch (loader) {
    case Loader::Obj: {
        Mesh mesh;
        mesh.load(path.c_str());
        break;
    }
    case Loader::Png: {
        Texture texture;
        texture.load(path.c_str()); // refused files end before any GL call
        break;
    }
    case Loader::Path: {
        CameraPath cameraPath;
        cameraPath.load(path.c_str());
        break;
    }
    case Loader::Motion: {
        Motion motion;
        motion.load(path); // refused files end before any GL call
        break;
    }
    }
}

int openDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int count = 0;
    while (readdir(dir))
        ++count;
    closedir(dir);
    return count;
}

struct Thrown {
    int status;
};

[[noreturn]] void throwStatus(int status) {
    throw Thrown{status};
}

// In a child: the loader left by a throwing fatal handler. The child ends with the status
// the handler was given; anything the loader failed to release is reported on stderr.
void loadThroughThrowingSeam(Loader loader, const std::string& path) {
    platform::setFatalHandler(throwStatus);
    const int before = openDescriptors();
    int status = 0;
    try {
        load(loader, path);
    } catch (const Thrown& thrown) {
        status = thrown.status;
    }
    const int after = openDescriptors();
    if (after != before)
        std::fprintf(stderr, "the loader left %d descriptor(s) open\n", after - before);
    if (__lsan_do_recoverable_leak_check && __lsan_do_recoverable_leak_check() != 0)
        std::fprintf(stderr, "the loader leaked memory (report above)\n");
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
}

// The one line the loader prints for `path`, and on which stream.
void expectLoaderMessage(const BadFile& bad, const std::string& path, const ChildResult& r) {
    switch (bad.loader) {
    case Loader::Obj: {
        const std::string prefix = bad.line < 0 ? "Unable to open obj-file \"" + path + "\": "
                                                : "Invalid obj-file \"" + path + "\", line " +
                                                      std::to_string(bad.line) + ": ";
        EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
        EXPECT_NE(r.err.find(bad.cause), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.back(), '\n');
        EXPECT_EQ(r.out, "");
        break;
    }
    case Loader::Png:
        EXPECT_EQ(r.out, "png file not found! : " + path + "\n");
        EXPECT_EQ(r.err, "");
        break;
    case Loader::Path: {
        const std::string prefix = "Unable to read camera path \"" + path + "\": ";
        EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
        EXPECT_NE(r.err.find(bad.cause), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.back(), '\n');
        EXPECT_EQ(r.out, "");
        break;
    }
    case Loader::Motion:
        EXPECT_EQ(r.err, "Unable to open 3ds file " + path + "\n");
        EXPECT_EQ(r.out, "");
        break;
    }
}

class BadFiles : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadFiles, RefusedWithTheLoadersLineAndStatus1) {
    const BadFile& bad = GetParam();
    const std::string path = fileOf(bad);
    ASSERT_TRUE(bad.made != Made::Stored || fs::is_regular_file(path)) << path;
    const ChildResult r = runInChild([&] { load(bad.loader, path); });
    ASSERT_FALSE(r.timedOut) << "the loader hangs on " << bad.name;
    ASSERT_TRUE(r.exited) << "the loader died of signal " << r.signal << "\n" << r.err;
    EXPECT_EQ(r.status, 1);
    expectLoaderMessage(bad, path, r);
}

TEST_P(BadFiles, RefusedThroughAThrowingFatalHandlerReleasingEverything) {
    const BadFile& bad = GetParam();
    const std::string path = fileOf(bad);
    const ChildResult r = runInChild([&] { loadThroughThrowingSeam(bad.loader, path); });
    ASSERT_FALSE(r.timedOut) << "the loader hangs on " << bad.name;
    ASSERT_TRUE(r.exited) << "the loader died of signal " << r.signal << "\n" << r.err;
    EXPECT_EQ(r.status, 1) << "0: the loader accepted the file";
    expectLoaderMessage(bad, path, r);
}

std::string testName(const ::testing::TestParamInfo<BadFile>& info) {
    std::string name = info.param.name;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Folder, BadFiles, ::testing::ValuesIn(kBadFiles), testName);

std::vector<BadFile> bad3dsFiles() {
    std::vector<BadFile> rows;
    std::copy_if(std::begin(kBadFiles), std::end(kBadFiles), std::back_inserter(rows),
                 [](const BadFile& bad) { return bad.loader == Loader::Motion; });
    return rows;
}

// The check names the fault the file was kept for, so the file is refused for that reason and
// not for some accident of how it was made.
class Bad3dsFiles : public ::testing::TestWithParam<BadFile> {};

TEST_P(Bad3dsFiles, TheChunkCheckNamesTheFault) {
    const BadFile& bad = GetParam();
    std::string reason;
    EXPECT_FALSE(check3dsFile(fileOf(bad), &reason));
    EXPECT_NE(reason.find(bad.cause), std::string::npos) << reason;
}

INSTANTIATE_TEST_SUITE_P(Folder, Bad3dsFiles, ::testing::ValuesIn(bad3dsFiles()), testName);

// Every file in the folder has a row, and every row a file.
TEST(BadFilesFolder, HoldsExactlyTheFilesOfTheTable) {
    std::set<std::string> onDisk, inTable;
    for (const auto& entry : fs::recursive_directory_iterator(badFilesDir()))
        if (entry.is_regular_file())
            onDisk.insert(fs::relative(entry.path(), badFilesDir()).string());
    for (const BadFile& bad : kBadFiles) {
        if (bad.made != Made::Stored)
            continue;
        EXPECT_TRUE(inTable.insert(bad.name).second) << "two rows for " << bad.name;
    }
    EXPECT_EQ(onDisk, inTable);
}

} // namespace
