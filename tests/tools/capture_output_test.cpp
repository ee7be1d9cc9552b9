// demo-capture's pictures, video and benchmark, checked on what it writes: the tool runs as a
// child process from build/bin, at small sizes.
#include <gtest/gtest.h>

#include <png.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/child.h"
#include "support/demo_process.h"
#include "support/paths.h"

namespace fs = std::filesystem;

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

Picture readPng(const std::string& path) {
    Picture p;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return p;
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) {
        p.rgb.clear();
        return p;
    }
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    return p;
}

// Share of pixels within `tolerance` of the fog colour (0.5, 0.5, 0.7).
double fogShare(const Picture& p, int tolerance = 3) {
    if (p.rgb.empty())
        return 0.0;
    const int fog[3] = {128, 128, 179};
    size_t count = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        bool near = true;
        for (int c = 0; c < 3; ++c)
            near = near && std::abs(p.rgb[i + c] - fog[c]) <= tolerance;
        count += near;
    }
    return static_cast<double>(count) / (p.rgb.size() / 3);
}

ChildResult runCapture(const std::vector<std::string>& args, const std::string& workDir = "") {
    std::vector<std::string> argv = {buildDir() + "/bin/demo-capture", "--quiet"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, workDir.empty() ? buildDir() + "/bin" : workDir,
                      {"SDL_AUDIODRIVER=dummy"}, 300);
}

#define ASSERT_RAN(r)                                                                              \
    ASSERT_TRUE((r).exited) << (r).err;                                                            \
    ASSERT_EQ((r).status, 0) << (r).err

const char* kSize = "96x54";

class CaptureOutput : public ::testing::Test {
  protected:
    void SetUp() override { scratch_ = makeScratchTree("capture"); }
    std::string dir(const std::string& name) const { return scratch_ + "/" + name + "/"; }
    std::string scratch_;
};

TEST_F(CaptureOutput, JustBeforeAndAtTheCutTheFrameIsFog) {
    const ChildResult r = runCapture({"--at", "38.59,38.6", "--size", kSize, "--out", dir("cut")});
    ASSERT_RAN(r);
    for (const char* name : {"t0038.590.png", "t0038.600.png"}) {
        const Picture p = readPng(dir("cut") + name);
        ASSERT_EQ(p.width, 96) << name;
        ASSERT_EQ(p.height, 54) << name;
        EXPECT_GT(fogShare(p), 0.95) << name;
    }
}

TEST_F(CaptureOutput, TheSameMomentGivesTheSamePixels) {
    // Moments in the flight, the drift (off the 30 fps grid too), the disco and the hold.
    const std::string moments = "12.5,37.1,37.25,45,70";
    ASSERT_RAN(runCapture({"--at", moments, "--size", kSize, "--out", dir("a")}));
    ASSERT_RAN(runCapture({"--at", moments, "--size", kSize, "--out", dir("b")}));
    for (const char* name :
         {"t0012.500.png", "t0037.100.png", "t0037.250.png", "t0045.000.png", "t0070.000.png"}) {
        const Picture a = readPng(dir("a") + name);
        const Picture b = readPng(dir("b") + name);
        ASSERT_FALSE(a.rgb.empty()) << name;
        EXPECT_TRUE(a.rgb == b.rgb) << name << " differs between two runs";
    }
}

TEST_F(CaptureOutput, AMomentIsTheSameWhereverTheRunStarts) {
    // A range that starts earlier against single moments and ranges that start at the moment,
    // in the flight, in the closing drift (which adds up frame by frame), just after the cut
    // (where the disco's figures start their clocks) and in the disco.
    struct Case {
        double from, to;
        int frame;        // index in the earlier range
        const char* at;   // the moment on its own
        const char* file; // its picture
    } cases[] = {
        {0.0, 0.6, 15, "0.5", "t0000.500.png"}, // the city's clocks start at the first frame
        {12.0, 12.6, 15, "12.5", "t0012.500.png"}, {36.5, 37.2, 18, "37.1", "t0037.100.png"},
        {38.5, 39.7, 33, "39.6", "t0039.600.png"}, // through the cut: the disco clocks start
        {44.0, 45.1, 30, "45", "t0045.000.png"},
    };
    std::string at;
    for (const Case& c : cases)
        at += std::string(at.empty() ? "" : ",") + c.at;
    ASSERT_RAN(runCapture({"--at", at, "--size", kSize, "--out", dir("moments")}));
    for (const Case& c : cases) {
        const std::string range = dir("range" + std::to_string(c.frame));
        ASSERT_RAN(runCapture({"--from", std::to_string(c.from), "--to", std::to_string(c.to),
                               "--size", kSize, "--out", range}));
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", c.frame);
        const Picture fromRange = readPng(range + name);
        const Picture single = readPng(dir("moments") + c.file);
        ASSERT_FALSE(fromRange.rgb.empty()) << c.at;
        EXPECT_TRUE(fromRange.rgb == single.rgb) << c.at << " s: earlier range vs single moment";

        // The same moment as the first frame of its own range.
        const std::string own = dir(std::string("own") + c.at);
        ASSERT_RAN(runCapture({"--from", c.at, "--to", std::to_string(std::atof(c.at) + 0.05),
                               "--size", kSize, "--out", own}));
        EXPECT_TRUE(readPng(own + "frame_000000.png").rgb == single.rgb)
            << c.at << " s: range starting at it vs single moment";
    }
}

TEST_F(CaptureOutput, AMomentBetweenFramesLeavesNoTraceOnTheNext) {
    // 37.01 lies between two frames of the 30 fps grid; drawing it must not shift the drift
    // or the poses that 37.02 (between the same two frames) then shows.
    ASSERT_RAN(
        runCapture({"--at", "37.01,37.02,45.01,45.02", "--size", kSize, "--out", dir("both")}));
    ASSERT_RAN(runCapture({"--at", "37.02,45.02", "--size", kSize, "--out", dir("alone")}));
    for (const char* name : {"t0037.020.png", "t0045.020.png"}) {
        const Picture both = readPng(dir("both") + name);
        ASSERT_FALSE(both.rgb.empty()) << name;
        EXPECT_TRUE(both.rgb == readPng(dir("alone") + name).rgb) << name;
    }
}

// The number after "key": in `text` from `from` on, or NAN when it is not there.
double jsonNumber(const std::string& text, const std::string& key, size_t from = 0) {
    const size_t at = text.find("\"" + key + "\": ", from);
    return at == std::string::npos ? NAN : std::atof(text.c_str() + at + key.size() + 4);
}

TEST_F(CaptureOutput, StatsMeasureTheFrameAsDrawnAndLeaveTheRunAsItWas) {
    // In the drift (whose eye adds up frame by frame), in the fog just before the cut and in
    // the close-up, where the dancer on the table stands 33 units from the eye.
    const std::string moments = "37.5,38.59,110";
    const ChildResult r =
        runCapture({"--stats", "--at", moments, "--size", "160x90", "--out", dir("stats")});
    ASSERT_RAN(r);
    ASSERT_RAN(runCapture({"--at", moments, "--size", "160x90", "--out", dir("plain")}));
    for (const char* t : {"37.500", "38.590", "110.000"}) {
        const std::string name = std::string("t") + (t[2] == '.' ? "00" : "0") + t + ".png";
        const Picture p = readPng(dir("stats") + name);
        ASSERT_EQ(p.rgb.size(), 160u * 90 * 3) << name;
        EXPECT_TRUE(p.rgb == readPng(dir("plain") + name).rgb) << name << ": --stats changed it";

        const size_t line = r.out.find(std::string("{\"t\": ") + t);
        ASSERT_NE(line, std::string::npos) << t << "\n" << r.out;
        double sum = 0;
        int bright = 0, black = 0;
        for (size_t i = 0; i < p.rgb.size(); i += 3) {
            const double y = 0.299 * p.rgb[i] + 0.587 * p.rgb[i + 1] + 0.114 * p.rgb[i + 2];
            sum += y;
            bright += y >= 200;
            black += y < 12;
        }
        const double n = 160.0 * 90;
        EXPECT_NEAR(jsonNumber(r.out, "mean_luma", line), sum / n, 0.006) << t;
        EXPECT_NEAR(jsonNumber(r.out, "bright", line), bright / n, 6e-5) << t;
        EXPECT_NEAR(jsonNumber(r.out, "near_black", line), black / n, 6e-5) << t;
    }
    // The fog hides the city's figures but they are still in front of the camera: their
    // pixels are the fog's colour, luma 133.8.
    const size_t fog = r.out.find("{\"t\": 38.590");
    EXPECT_GT(jsonNumber(r.out, "figure_pixels", fog), 0);
    EXPECT_NEAR(jsonNumber(r.out, "figure_luma", fog), 133.8, 1.5);
    // The close-up: the table dancer (10th of the disco's figures), about 17 units tall seen
    // from 33 units with a 60-degree field, is 17 / (2 * 33 * tan 30) of the 90 rows.
    const size_t close = r.out.find("{\"t\": 110.000");
    const size_t dancer = r.out.find("{\"index\": 9,", close);
    ASSERT_NE(dancer, std::string::npos) << r.out.substr(close);
    const double height = jsonNumber(r.out, "height", dancer);
    EXPECT_NEAR(height, 17.0 / (2 * 33 * std::tan(3.14159265 / 6)) * 90, 6) << r.out.substr(close);
    EXPECT_GE(jsonNumber(r.out, "tallest_figure_px", close), height);
    EXPECT_GE(jsonNumber(r.out, "regions", dancer), 1);
    EXPECT_GT(jsonNumber(r.out, "figure_pixels", close), jsonNumber(r.out, "pixels", dancer));
}

TEST_F(CaptureOutput, StatsJudgeEachFigureOnItsOwnSilhouette) {
    // The crowd on the square stands in rows, each figure showing between the limbs of the
    // ones in front; the dancers' hat brims are seen edge-on at 62.6 and 87.5 s. Whatever
    // stands in front of a figure, a figure at least 40 px tall that neither runs off the
    // picture nor meets the near plane holds together in one region.
    const ChildResult r = runCapture({"--stats", "--at", "11.4,62.6,87.5", "--size", "1280x720"});
    ASSERT_RAN(r);
    int judged = 0, crowd = 0;
    const size_t disco = r.out.find("{\"t\": 62.600");
    ASSERT_NE(disco, std::string::npos) << r.out;
    for (size_t at = r.out.find("{\"index\": "); at != std::string::npos;
         at = r.out.find("{\"index\": ", at + 1)) {
        const std::string figure = r.out.substr(at, r.out.find('}', at) - at);
        if (jsonNumber(figure, "height") < 40 ||
            figure.find("\"cut_by_edge\": false") == std::string::npos ||
            figure.find("\"cut_by_near_plane\": false") == std::string::npos)
            continue;
        ++judged;
        crowd += at < disco;
        EXPECT_EQ(jsonNumber(figure, "regions"), 1) << figure;
    }
    EXPECT_GE(crowd, 5) << r.out;
    EXPECT_GE(judged, 15) << r.out;
}

TEST_F(CaptureOutput, TheClosingDriftFollowsTheFrameRate) {
    // The eye moves a fixed step per frame: at 60 fps it has drifted twice as far by 37.5 s
    // as at 30 fps, and a moment prepared at 60 fps matches a 60 fps range through it.
    ASSERT_RAN(runCapture({"--at", "37.5", "--size", kSize, "--out", dir("at30")}));
    ASSERT_RAN(runCapture({"--at", "37.5", "--fps", "60", "--size", kSize, "--out", dir("at60")}));
    ASSERT_RAN(runCapture({"--from", "36.5", "--to", "37.51", "--fps", "60", "--size", kSize,
                           "--out", dir("range60")}));
    const Picture at30 = readPng(dir("at30") + "t0037.500.png");
    const Picture at60 = readPng(dir("at60") + "t0037.500.png");
    ASSERT_FALSE(at30.rgb.empty());
    ASSERT_EQ(at30.rgb.size(), at60.rgb.size());
    size_t differing = 0;
    for (size_t i = 0; i < at30.rgb.size(); i += 3)
        differing += std::abs(at30.rgb[i] - at60.rgb[i]) > 8;
    EXPECT_GT(differing, at30.rgb.size() / 3 / 10) << "the view hardly moved with the frame rate";
    EXPECT_TRUE(readPng(dir("range60") + "frame_000060.png").rgb == at60.rgb);
}

TEST_F(CaptureOutput, FailuresToWriteAreReported) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> env;
        const char* reason;
    } cases[] = {
        {{"--from", "0", "--to", "0.1", "--out", scratch_ + "/v.mp4"},
         {"PATH=/nonexistent"},
         "a video needs the ffmpeg command"},
        {{"--at", "5", "--sheet", scratch_ + "/s.jpg"},
         {"PATH=/nonexistent"},
         "a .jpg sheet needs the ffmpeg command"},
        {{"--from", "0", "--to", "0.1", "--out", "/proc/no/frames/"}, {}, "cannot create"},
        {{"--at", "5", "--sheet", "/proc/no/s.png"}, {}, "cannot create"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {buildDir() + "/bin/demo-capture", "--quiet"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::vector<std::string> env = c.env;
        env.push_back("SDL_AUDIODRIVER=dummy");
        const ChildResult r = runProgram(argv, buildDir() + "/bin", env, 120);
        ASSERT_TRUE(r.exited) << c.reason;
        EXPECT_EQ(r.status, 1) << c.reason << "\n" << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(scratch_ + "/v.mp4"));
}

// Ctrl-C (SIGINT to the whole process group, ffmpeg too), SIGTERM or SIGHUP to the tool alone,
// in the middle of writing: the unfinished output goes, the earlier complete one stays, and
// nothing, ffmpeg included, writes anything afterwards.
TEST_F(CaptureOutput, AnInterruptedCaptureRemovesItsUnfinishedOutputOnly) {
    std::string moments = "1";
    for (int m = 2; m <= 100; ++m)
        moments += "," + std::to_string(m);
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string earlier; // a complete output of an earlier run
        std::string partial; // appears once writing has begun
        int signal;
        bool group;
    } cases[] = {
        {"video",
         {"--to", "120", "--out", scratch_ + "/v.mp4"},
         "v.mp4",
         ".v.partial.mp4",
         SIGINT,
         true},
        {"video",
         {"--to", "120", "--out", scratch_ + "/v.mp4"},
         "v.mp4",
         ".v.partial.mp4",
         SIGTERM,
         false},
        {"frames",
         {"--to", "120", "--out", dir("frames")},
         "frames/frame_000000.png",
         ".frames.partial",
         SIGINT,
         true},
        {"moments and sheet",
         {"--at", moments, "--out", dir("pictures"), "--sheet", scratch_ + "/s.png"},
         "s.png",
         ".pictures.partial",
         SIGHUP,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ", signal " + std::to_string(c.signal));
        fs::create_directories(fs::path(scratch_ + "/" + c.earlier).parent_path());
        ASSERT_TRUE(writeFile(scratch_ + "/" + c.earlier, "earlier"));
        std::string command = "exec '" + buildDir() + "/bin/demo-capture' --quiet --size 96x54";
        for (const std::string& a : c.args)
            command += " '" + a + "'";
        const std::string script = scratch_ + "/capture.sh";
        ASSERT_TRUE(writeFile(script, "#!/bin/sh\n" + command + "\n"));
        fs::permissions(script, fs::perms::owner_all);
        const std::string partial = scratch_ + "/" + c.partial;
        DemoProcess capture(script, buildDir() + "/bin", scratch_, {"SDL_AUDIODRIVER=dummy"});
        bool writing = false;
        for (int i = 0; i < 2400 && !writing && !capture.waitForExit(0.05); ++i)
            writing = fs::is_regular_file(partial) ||
                      (fs::is_directory(partial) && !fs::is_empty(partial));
        ASSERT_TRUE(writing) << "no " << c.partial << "\n" << capture.err();
        kill(c.group ? -capture.pid() : capture.pid(), c.signal);
        ASSERT_TRUE(capture.waitForExit(60)) << "the capture did not stop";
        EXPECT_EQ(capture.status(), -1) << "not ended by the signal\n" << capture.err();
        EXPECT_NE(capture.err().find("interrupted; removed the unfinished " + partial),
                  std::string::npos)
            << capture.err();
        std::this_thread::sleep_for(std::chrono::milliseconds(500)); // for a late writer
        EXPECT_FALSE(fs::exists(partial));
        EXPECT_EQ(readFile(scratch_ + "/" + c.earlier), "earlier");
        std::vector<std::string> left;
        for (const auto& entry : fs::recursive_directory_iterator(scratch_))
            if (entry.is_regular_file())
                left.push_back(fs::relative(entry.path(), scratch_).string());
        std::sort(left.begin(), left.end());
        std::vector<std::string> expected = {"capture.sh", c.earlier, "stderr.txt", "stdout.txt"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(left, expected);
        fs::remove(scratch_ + "/" + c.earlier);
    }
}

TEST_F(CaptureOutput, NumberedFramesCoverTheRangeAtTheFrameRate) {
    // 38.0 to 38.3 at 20 fps: 6 frames, the last at 38.25 s.
    ASSERT_RAN(runCapture({"--from", "38", "--to", "38.3", "--fps", "20", "--size", "48x32",
                           "--out", dir("frames")}));
    for (int i = 0; i < 6; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", i);
        const Picture p = readPng(dir("frames") + name);
        EXPECT_EQ(p.width, 48) << name;
        EXPECT_EQ(p.height, 32) << name;
    }
    EXPECT_FALSE(fs::exists(dir("frames") + "frame_000006.png"));
}

TEST_F(CaptureOutput, ContactSheetLaysOutLabelledTiles) {
    const std::string png = scratch_ + "/sheet.png";
    const std::string jpg = scratch_ + "/sheet.jpg";
    ASSERT_RAN(runCapture({"--at", "5,45,110", "--size", "64x36", "--sheet", png}));
    // Rendered at 96x54, shrunk to 48x27 tiles, one column.
    ASSERT_RAN(runCapture({"--at", "5,45,110", "--size", "96x54", "--tile", "48x27", "--columns",
                           "1", "--sheet", jpg}));
    const Picture sheet = readPng(png);
    // Three tiles in one row, 6-pixel gaps, a 19-pixel label strip under each.
    ASSERT_EQ(sheet.width, 6 + 3 * (64 + 6));
    ASSERT_EQ(sheet.height, 6 + 36 + 19 + 6);
    // Each label strip holds light text on the dark background.
    for (int tile = 0; tile < 3; ++tile) {
        int light = 0;
        for (int y = 6 + 36; y < 6 + 36 + 19; ++y)
            for (int x = 6 + tile * 70; x < 6 + tile * 70 + 64; ++x)
                light += sheet.rgb[(static_cast<size_t>(y) * sheet.width + x) * 3] > 200;
        EXPECT_GT(light, 10) << "tile " << tile << " has no label";
    }
    const std::string size = shellOutput("ffprobe -v error -select_streams v:0 -show_entries "
                                         "stream=width,height -of csv=p=0 '" +
                                         jpg + "'");
    EXPECT_EQ(size, "60," + std::to_string(6 + 3 * (27 + 19 + 6)));
}

// Decodes the first `seconds` of the audio of `path` to mono 16-bit samples at 44.1 kHz.
std::vector<std::int16_t> decodeAudio(const std::string& path, double start, double seconds) {
    const std::string raw = path + ".raw";
    const std::string cmd = "ffmpeg -v error -y -ss " + std::to_string(start) + " -i '" + path +
                            "' -t " + std::to_string(seconds) +
                            " -map 0:a -ac 1 -ar 44100 -f s16le '" + raw + "'";
    if (std::system(cmd.c_str()) != 0)
        return {};
    const std::string bytes = readFile(raw);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// The shift (in samples, within +-limit) at which `b` best matches `a`, and the correlation.
std::pair<int, double> bestAlignment(const std::vector<std::int16_t>& a,
                                     const std::vector<std::int16_t>& b, int count, int limit) {
    std::pair<int, double> best{0, -2.0};
    for (int lag = -limit; lag <= limit; ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (int i = 0; i < count; ++i) {
            const int j = i + lag;
            if (j < 0 || j >= static_cast<int>(b.size()) || i >= static_cast<int>(a.size()))
                continue;
            ab += double(a[i]) * b[j];
            aa += double(a[i]) * a[i];
            bb += double(b[j]) * b[j];
        }
        const double c = aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
        if (c > best.second)
            best = {lag, c};
    }
    return best;
}

class CaptureVideo : public CaptureOutput {
  protected:
    // A tree whose models and textures are the build's and whose music is a 3-second noisy
    // tone: noise makes the alignment of its samples unambiguous.
    void SetUp() override {
        CaptureOutput::SetUp();
        for (const char* sub : {"models", "textures"}) {
            fs::remove_all(scratch_ + "/" + sub);
            fs::create_directory_symlink(buildDir() + "/" + sub, scratch_ + "/" + sub);
        }
        music_ = scratch_ + "/music/maxx.mp3";
        const std::string cmd =
            "ffmpeg -v error -y -f lavfi -i 'sine=frequency=330:duration=3' -f lavfi -i "
            "'anoisesrc=d=3:a=0.4:seed=7' -filter_complex amix=inputs=2 -ac 2 -ar 44100 "
            "-c:a libmp3lame -b:a 192k '" +
            music_ + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << "ffmpeg cannot make the test music";
    }
    std::string probe(const std::string& video, const std::string& stream,
                      const std::string& entries) {
        const std::string select = stream.empty() ? "" : "-select_streams " + stream;
        return shellOutput("ffprobe -v error " + select + " -show_entries " + entries +
                           " -of default=nw=1:nk=1 '" + video + "'");
    }
    std::string music_;
};

TEST_F(CaptureVideo, TenSecondsHaveTheirFramesRateAndTheMusicFromItsStart) {
    const std::string video = scratch_ + "/out/ten.mp4";
    ASSERT_RAN(runCapture({"--from", "0", "--to", "10", "--size", "64x36", "--out", video},
                          scratch_ + "/bin"));
    EXPECT_EQ(probe(video, "v:0", "stream=codec_name"), "h264");
    EXPECT_EQ(probe(video, "v:0", "stream=r_frame_rate"), "30/1");
    EXPECT_EQ(probe(video, "v:0", "stream=nb_frames"), "300");
    EXPECT_NEAR(std::atof(probe(video, "v:0", "stream=duration").c_str()), 10.0, 0.001);
    EXPECT_NEAR(std::atof(probe(video, "", "format=duration").c_str()), 10.0, 0.05);
    EXPECT_EQ(probe(video, "a:0", "stream=codec_name"), "aac");
    // The music loops, as the demo plays it: sound to the end of the video.
    EXPECT_NEAR(std::atof(probe(video, "a:0", "stream=duration").c_str()), 10.0, 0.05);

    const std::vector<std::int16_t> fromVideo = decodeAudio(video, 0, 0.5);
    const std::vector<std::int16_t> fromMusic = decodeAudio(music_, 0, 0.5);
    ASSERT_GT(fromVideo.size(), 20000u);
    const auto [lag, correlation] = bestAlignment(fromVideo, fromMusic, 8000, 1500);
    EXPECT_LE(std::abs(lag), 2) << "the audio starts " << lag << " samples off the music";
    EXPECT_GT(correlation, 0.8);
    // No frame is missing at the end: no partial file is left beside the video.
    EXPECT_FALSE(fs::exists(scratch_ + "/out/.ten.partial.mp4"));
}

TEST_F(CaptureVideo, ARangeStartingLaterHasTheMusicFromThatSecond) {
    const std::string video = scratch_ + "/late.mp4";
    ASSERT_RAN(runCapture({"--from", "1.5", "--to", "2.5", "--size", "32x18", "--out", video},
                          scratch_ + "/bin"));
    EXPECT_EQ(probe(video, "v:0", "stream=nb_frames"), "30");
    const std::vector<std::int16_t> fromVideo = decodeAudio(video, 0, 0.3);
    const std::vector<std::int16_t> fromMusic = decodeAudio(music_, 1.5, 0.3);
    const auto [lag, correlation] = bestAlignment(fromVideo, fromMusic, 6000, 1500);
    EXPECT_LE(std::abs(lag), 2);
    EXPECT_GT(correlation, 0.8);
}

TEST_F(CaptureOutput, BenchReportsEverySegment) {
    // 36 to 39 s at 10 fps: the end of the flight, the drift, the start of the disco.
    const ChildResult json = runCapture(
        {"--bench", "--json", "--from", "36", "--to", "39", "--fps", "10", "--size", "48x32"});
    ASSERT_RAN(json);
    struct Segment {
        const char* name;
        int frames;
    } segments[] = {{"city flight", 6}, {"city close", 20}, {"disco opening", 4}, {"tour", 0},
                    {"hold", 0},        {"tour again", 0},  {"close-up", 0}};
    for (const Segment& s : segments) {
        const std::string key = std::string("{\"name\": \"") + s.name + "\"";
        const size_t at = json.out.find(key);
        ASSERT_NE(at, std::string::npos) << s.name << "\n" << json.out;
        const std::string frames = "\"frames\": " + std::to_string(s.frames) + ",";
        EXPECT_EQ(json.out.find(frames, at), json.out.find("\"frames\"", at)) << s.name;
    }
    for (const char* key : {"\"empty_frame_ms\"", "\"startup_ms\"", "\"peak_memory_mib\"",
                            "\"triangles_worst\"", "\"median_ms\"", "\"p95_ms\""})
        EXPECT_NE(json.out.find(key), std::string::npos) << key;
    // The limit program and the depth complexity come out as numbers where frames were drawn,
    // and music to clocks is measured in the same start-up.
    const size_t flight = json.out.find("{\"name\": \"city flight\"");
    for (const char* key :
         {"\"median_over_limit\": ", "\"limit_median_ms\": ", "\"fragments_per_pixel_median\": ",
          "\"limit_fragments_per_pixel\": ", "\"music_to_clocks\": "}) {
        const size_t at =
            json.out.find(key, std::string(key) == "\"music_to_clocks\": " ? 0 : flight);
        ASSERT_NE(at, std::string::npos) << key << "\n" << json.out;
        const double value = std::strtod(json.out.c_str() + at + std::strlen(key), nullptr);
        EXPECT_GT(value, 0.0) << key << "\n" << json.out;
    }

    const ChildResult text =
        runCapture({"--bench", "--from", "106.9", "--to", "107.1", "--size", "48x32"});
    ASSERT_RAN(text);
    for (const char* name : {"city flight", "city close", "disco opening", "tour", "hold",
                             "tour again", "close-up", "empty frame", "peak memory"})
        EXPECT_NE(text.out.find(name), std::string::npos) << name << "\n" << text.out;
}

TEST_F(CaptureOutput, BenchSamplesMemoryEveryMinuteOfTimeline) {
    // 62 frames at 1 fps: after the first frame, after a minute, and after the last.
    const ChildResult json = runCapture(
        {"--bench", "--json", "--from", "0", "--to", "62", "--fps", "1", "--size", "48x32"});
    ASSERT_RAN(json);
    const size_t at = json.out.find("\"memory\": [");
    ASSERT_NE(at, std::string::npos) << json.out;
    const std::string samples = json.out.substr(at, json.out.find(']', at) - at);
    std::vector<std::string> seconds;
    for (size_t p = samples.find("\"seconds\": "); p != std::string::npos;
         p = samples.find("\"seconds\": ", p + 1))
        seconds.push_back(samples.substr(p + 11, samples.find(',', p) - p - 11));
    EXPECT_EQ(seconds, (std::vector<std::string>{"0.000", "60.000", "61.000"})) << samples;
    EXPECT_EQ(samples.find("null"), std::string::npos) << samples;
}

} // namespace
