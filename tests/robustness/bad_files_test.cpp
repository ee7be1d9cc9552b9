// The bad files in tests/bad_files/, one table: each is refused by its loader with the
// loader's one line and status 1, both when the fatal exit ends the process and when a
// handler throws back out of the loader as the fuzzing build's does. In the second case the
// loader must also have let go of everything it took: no descriptor left open, and (in the
// sanitizer build) no memory leaked.
#include <gtest/gtest.h>

#include <dirent.h>
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
#include "support/paths.h"

// LeakSanitizer's on-demand check, present only in the sanitizer build.
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

namespace {

namespace fs = std::filesystem;

enum class Loader { Obj, Png, Path, Motion };

struct BadFile {
    const char* name; // under tests/bad_files/
    Loader loader;
    int line;          // OBJ: the line the message names
    const char* cause; // OBJ and path: part of the message's reason; .3DS: of the check's
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
    {"3ds/track_key_count_huge.3ds", Loader::Motion, 0, "fewer keys than its count"},
    {"3ds/track_with_more_keys_than_data.3ds", Loader::Motion, 0, "fewer keys than its count"},
    {"3ds/two_nodes_are_each_others_parent.3ds", Loader::Motion, 0, "its own ancestor"},
    {"3ds/two_nodes_share_an_id.3ds", Loader::Motion, 0, "share the id 3"},
};

void PrintTo(const BadFile& bad, std::ostream* os) {
    *os << bad.name;
}

std::string badFilesDir() {
    return sourceDir() + "/tests/bad_files";
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
        const std::string prefix =
            "Invalid obj-file \"" + path + "\", line " + std::to_string(bad.line) + ": ";
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
    const std::string path = badFilesDir() + "/" + bad.name;
    ASSERT_TRUE(fs::is_regular_file(path)) << path;
    const ChildResult r = runInChild([&] { load(bad.loader, path); });
    ASSERT_FALSE(r.timedOut) << "the loader hangs on " << bad.name;
    ASSERT_TRUE(r.exited) << "the loader died of signal " << r.signal << "\n" << r.err;
    EXPECT_EQ(r.status, 1);
    expectLoaderMessage(bad, path, r);
}

TEST_P(BadFiles, RefusedThroughAThrowingFatalHandlerReleasingEverything) {
    const BadFile& bad = GetParam();
    const std::string path = badFilesDir() + "/" + bad.name;
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
    EXPECT_FALSE(check3dsFile(badFilesDir() + "/" + bad.name, &reason));
    EXPECT_NE(reason.find(bad.cause), std::string::npos) << reason;
}

INSTANTIATE_TEST_SUITE_P(Folder, Bad3dsFiles, ::testing::ValuesIn(bad3dsFiles()), testName);

// Every file in the folder has a row, and every row a file.
TEST(BadFilesFolder, HoldsExactlyTheFilesOfTheTable) {
    std::set<std::string> onDisk, inTable;
    for (const auto& entry : fs::recursive_directory_iterator(badFilesDir()))
        if (entry.is_regular_file())
            onDisk.insert(fs::relative(entry.path(), badFilesDir()).string());
    for (const BadFile& bad : kBadFiles)
        EXPECT_TRUE(inTable.insert(bad.name).second) << "two rows for " << bad.name;
    EXPECT_EQ(onDisk, inTable);
}

} // namespace
