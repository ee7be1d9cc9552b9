// demo-capture's command line: help, and clear errors with a non-zero status for bad options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/child.h"
#include "support/paths.h"

namespace {

ChildResult runCapture(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {buildDir() + "/bin/demo-capture"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, buildDir() + "/bin", {"SDL_AUDIODRIVER=dummy"}, 60);
}

TEST(CaptureCommandLine, HelpExplainsTheOptionsWithExamples) {
    const ChildResult r = runCapture({"--help"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    for (const char* text :
         {"--out FILE.mp4", "--out DIR/", "--at", "--sheet", "--from", "--to", "--fps", "--size",
          "--bench", "--json", "--stats", "--quality", "Examples"})
        EXPECT_NE(r.out.find(text), std::string::npos) << "help lacks " << text;
    EXPECT_EQ(r.err, "");
}

TEST(CaptureCommandLine, BadOptionsAreRefusedWithAReason) {
    struct Case {
        std::vector<std::string> args;
        const char* reason; // part of the one-line error
    } cases[] = {
        {{}, "nothing to do"},
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--out"}, "--out needs a value"},
        {{"--out", "clip.avi"}, "neither a video"},
        {{"--sheet", "s.gif"}, "must end in .jpg, .jpeg or .png"},
        {{"--fps", "0", "--out", "d/"}, "--fps: '0'"},
        {{"--fps", "29.97", "--out", "d/"}, "--fps: '29.97'"},
        {{"--fps", "241", "--out", "d/"}, "--fps: '241'"},
        {{"--size", "1280", "--out", "d/"}, "not WIDTHxHEIGHT"},
        {{"--size", "1280x", "--out", "d/"}, "not WIDTHxHEIGHT"},
        {{"--size", "8x8", "--out", "d/"}, "outside 16x16"},
        {{"--size", "641x360", "--out", "v.mp4"}, "even width and height"},
        {{"--from", "-1", "--out", "d/"}, "outside 0 to"},
        {{"--from", "ten", "--out", "d/"}, "'ten' is not a number"},
        {{"--from", "nan", "--out", "d/"}, "'nan' is not a number"},
        {{"--from", "20", "--to", "10", "--out", "d/"}, "must be later than --from"},
        {{"--from", "5", "--to", "5", "--out", "d/"}, "must be later than --from"},
        {{"--at", "5,,6", "--out", "d/"}, "empty moment"},
        {{"--at", "5,", "--out", "d/"}, "separated by commas"},
        {{"--at", "5", "--out", "v.mp4"}, "--at writes single pictures"},
        {{"--at", "5"}, "--at needs somewhere to write"},
        {{"--at", "5", "--from", "2", "--out", "d/"}, "--from and --to do not go with it"},
        {{"--json", "--out", "d/"}, "--json goes with --bench"},
        {{"--quality", "--out", "d/"}, "--quality goes with a video"},
        {{"--quality", "--bench"}, "--quality goes with a video"},
        {{"--bench", "--out", "v.mp4"}, "--bench renders the range"},
        {{"--bench=yes"}, "--bench takes no value"},
        {{"--stats", "--out", "v.mp4"}, "--stats measures frames"},
        {{"--stats", "--at", "5", "--to", "9"}, "--from and --to do not go with it"},
        {{"--columns", "3", "--out", "d/"}, "--columns goes with --sheet"},
        {{"--sheet", "s.png", "--out", "d/"}, "--sheet with --out needs --at"},
        {{"--tile", "32x18", "--out", "d/"}, "--tile goes with --sheet"},
        {{"--size", "64x36", "--tile", "128x72", "--sheet", "s.png"}, "--tile must not be larger"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args)
            joined += a + " ";
        const ChildResult r = runCapture(c.args);
        ASSERT_TRUE(r.exited) << joined;
        EXPECT_EQ(r.status, 2) << joined;
        EXPECT_NE(r.err.find(c.reason), std::string::npos)
            << "args: " << joined << "\nexpected: " << c.reason << "\nstderr: " << r.err;
        EXPECT_NE(r.err.find("Try 'demo-capture --help'"), std::string::npos) << joined;
        EXPECT_EQ(r.out, "") << joined;
    }
}

TEST(CaptureCommandLine, OptionsTakeEqualsAsWellAsSeparateValues) {
    const std::string dir = makeScratchTree("capture-cli") + "/frames/";
    const ChildResult r = runCapture(
        {"--quiet", "--from=1", "--to", "1.2", "--fps=10", "--size=32x18", "--out=" + dir});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(readFile(dir + "frame_000001.png").empty());
    EXPECT_TRUE(readFile(dir + "frame_000002.png").empty());
}

} // namespace
