// demo-capture: the demo rendered offscreen on virtual time, to a video with its soundtrack,
// PNG frames, single moments, a contact sheet, or a benchmark report.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench.h"
#include "figures.h"
#include "image_files.h"
#include "options.h"
#include "partial_output.h"
#include "playback.h"
#include "process.h"
#include "progress.h"
#include "sheet.h"
#include "stats.h"

namespace fs = std::filesystem;

namespace capture {
namespace {

const char* kMusicPath = "../music/maxx.mp3";

int fail(const std::string& message) {
    std::fprintf(stderr, "demo-capture: %s\n", message.c_str());
    return 1;
}

// The loaders read "../models/..." and so on. The installed launcher names the installed
// tree in QUORVEX_HOME (its bin/ beside models/, textures/ and music/); otherwise, run from
// anywhere else, the tool moves to its own directory (build/bin) when the assets are found
// from there. Output paths are made absolute before this.
bool findAssets() {
    std::error_code ec;
    if (const char* home = std::getenv("QUORVEX_HOME"); home && *home) {
        const fs::path bin = fs::path(home) / "bin";
        if (!fs::is_directory(bin / "../models", ec) || chdir(bin.c_str()) != 0) {
            std::fprintf(stderr, "demo-capture: QUORVEX_HOME=%s holds no bin/ and models/\n", home);
            return false;
        }
        return true;
    }
    if (fs::is_directory("../models", ec))
        return true;
    const fs::path exeDir = fs::read_symlink("/proc/self/exe", ec).parent_path();
    if (!ec && fs::is_directory(exeDir / "../models", ec) && chdir(exeDir.c_str()) == 0)
        std::fprintf(stderr, "demo-capture: no ../models here; reading the assets from %s\n",
                     fs::weakly_canonical(exeDir / "..").c_str());
    return true;
}

bool makeParent(const std::string& path, std::string* error) {
    const fs::path parent = fs::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty())
        fs::create_directories(parent, ec);
    if (ec) {
        *error = "cannot create " + parent.string() + ": " + ec.message();
        return false;
    }
    return true;
}

bool startPlayback(Playback* playback, const Options& o, std::string* error) {
    if (!playback->start(o.width, o.height, error)) {
        *error = "no offscreen OpenGL context: " + *error;
        return false;
    }
    return true;
}

RgbImage readFrame(const Playback& playback) {
    RgbImage image;
    image.width = playback.gl().width();
    image.height = playback.gl().height();
    image.pixels = playback.gl().readRgbTopDown();
    return image;
}

long long frameCount(const Options& o) {
    return std::max(1LL, static_cast<long long>(std::ceil((o.to - o.from) * o.fps - 1e-6)));
}

// Seconds of the music track, or 0 when it cannot be measured.
double musicSeconds() {
    bool ok = false;
    const std::string text =
        commandOutput({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                       "default=nw=1:nk=1", kMusicPath},
                      &ok);
    const double seconds = ok ? std::atof(text.c_str()) : 0.0;
    return std::isfinite(seconds) && seconds > 0 ? seconds : 0.0;
}

std::string decimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

// The video: frames piped raw into ffmpeg, the music (looping, as the demo plays it) started
// at the same timeline second as the first frame. Written under a temporary name and renamed
// when complete, so a failed capture never leaves a truncated file behind as the result.
int captureVideo(const Options& o, const std::string& out) {
    if (!commandExists("ffmpeg"))
        return fail("a video needs the ffmpeg command (apt-get install ffmpeg)");
    std::string error;
    if (!makeParent(out, &error))
        return fail(error);
    Playback playback;
    if (!startPlayback(&playback, o, &error))
        return fail(error);

    const long long count = frameCount(o);
    const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
    const fs::path target(out);
    const std::string partial =
        (target.parent_path() / ("." + target.stem().string() + ".partial.mp4")).string();
    PartialOutput partialFile(partial, PartialOutput::Kind::File);
    std::vector<std::string> args = {"ffmpeg",
                                     "-hide_banner",
                                     "-loglevel",
                                     "error",
                                     "-y",
                                     "-f",
                                     "rawvideo",
                                     "-pix_fmt",
                                     "rgba",
                                     "-s",
                                     size,
                                     "-framerate",
                                     std::to_string(o.fps),
                                     "-i",
                                     "pipe:0"};
    const bool music = access(kMusicPath, R_OK) == 0;
    if (music) {
        const double length = musicSeconds();
        const double offset = length > 0 ? std::fmod(o.from, length) : o.from;
        args.insert(args.end(), {"-stream_loop", "-1"});
        if (offset > 0)
            args.insert(args.end(), {"-ss", decimal(offset)});
        args.insert(args.end(), {"-i", kMusicPath, "-map", "0:v", "-map", "1:a"});
    } else {
        std::fprintf(stderr, "demo-capture: %s not found; the video has no sound\n", kMusicPath);
    }
    // Frames go to ffmpeg as GL reads them, RGBA bottom row first: the flip and the conversion
    // are ffmpeg's, in its own process, not a pass over every pixel here.
    args.insert(args.end(), {"-vf", "vflip"});
    // x264's presets trade encoding time for bits at the same quality (crf). veryfast keeps a
    // 720p30 capture near real time on two cores, next to the renderer's own two threads;
    // --quality spends several times the CPU for a smaller, finer file. Either way x264's
    // threads give the same bytes on every run.
    const char* preset = o.quality ? "slow" : "veryfast";
    const char* crf = o.quality ? "18" : "20";
    args.insert(args.end(), {"-c:v", "libx264", "-preset", preset, "-crf", crf, "-threads", "2",
                             "-pix_fmt", "yuv420p"});
    if (music)
        args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
    args.insert(args.end(), {"-t", decimal(static_cast<double>(count) / o.fps), "-movflags",
                             "+faststart", "-f", "mp4", partial});

    PipeProcess ffmpeg;
    if (!ffmpeg.start(args, &error))
        return fail(error);
    partialFile.setWriter(ffmpeg.pid());
    playback.setGrid(o.fps, o.from);
    const long long first = playback.gridIndex(o.from);
    Progress progress("video", count, !o.quiet);
    for (long long i = 0; i < count; ++i) {
        const double t = playback.gridTime(first + i);
        playback.prepare(t);
        playback.draw(t);
        const std::vector<std::uint8_t> pixels = playback.gl().readRgbaBottomUp();
        if (!ffmpeg.write(pixels.data(), pixels.size())) {
            progress.finish();
            ffmpeg.finish(&error);
            std::remove(partial.c_str());
            return fail("ffmpeg stopped taking frames" + (error.empty() ? "" : ": " + error));
        }
        progress.update(i + 1);
    }
    progress.finish();
    partialFile.setWriter(0);
    if (!ffmpeg.finish(&error)) {
        std::remove(partial.c_str());
        return fail(error);
    }
    if (!partialFile.commit(out, &error))
        return fail(error);
    std::fprintf(stderr, "demo-capture: wrote %s: %lld frames at %d fps (%s s from %s s)%s\n",
                 out.c_str(), count, o.fps, decimal(static_cast<double>(count) / o.fps).c_str(),
                 decimal(o.from).c_str(), music ? " with the music" : "");
    return 0;
}

// The frames go to a partial folder beside `dir` and into `dir` once all are written.
int captureFrames(const Options& o, const std::string& dir) {
    std::string error;
    if (!makeParent(partialName(dir), &error))
        return fail(error);
    PartialOutput frames(partialName(dir), PartialOutput::Kind::Folder);
    if (!fs::is_directory(frames.path()))
        return fail("cannot create " + frames.path());
    Playback playback;
    if (!startPlayback(&playback, o, &error))
        return fail(error);
    const long long count = frameCount(o);
    playback.setGrid(o.fps, o.from);
    const long long first = playback.gridIndex(o.from);
    Progress progress("frames", count, !o.quiet);
    for (long long i = 0; i < count; ++i) {
        const double t = playback.gridTime(first + i);
        playback.prepare(t);
        playback.draw(t);
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06lld.png", i);
        if (!writePng((fs::path(frames.path()) / name).string(), readFrame(playback), &error)) {
            progress.finish();
            return fail(error);
        }
        progress.update(i + 1);
    }
    progress.finish();
    if (!frames.commit(dir, &error))
        return fail(error);
    std::fprintf(stderr, "demo-capture: wrote %lld frames to %s (frame_N.png shows %s + N/%d s)\n",
                 count, dir.c_str(), decimal(o.from).c_str(), o.fps);
    return 0;
}

// The folder of pictures for DIR/, made under its partial name (moved into place by commit
// once every picture is in). False with `error` set when it cannot be made.
bool openPictureDir(const std::string& dir, std::unique_ptr<PartialOutput>* out,
                    std::string* error) {
    if (!makeParent(partialName(dir), error))
        return false;
    *out = std::make_unique<PartialOutput>(partialName(dir), PartialOutput::Kind::Folder);
    if (!fs::is_directory((*out)->path())) {
        *error = "cannot create " + (*out)->path();
        return false;
    }
    return true;
}

// Single moments: each drawn after the frames a live run at --fps would have drawn before
// it, then written to DIR/tSSSS.mmm.png and/or laid out on the sheet.
int captureMoments(const Options& o, const std::string& dir, const std::string& sheetPath) {
    std::vector<double> moments = o.at;
    if (moments.empty()) {
        for (int i = 0; i < kDefaultSheetMoments; ++i)
            moments.push_back(o.from + (o.to - o.from) * i / kDefaultSheetMoments);
    }
    const std::string extension = fs::path(sheetPath).extension().string();
    const bool jpegSheet = !sheetPath.empty() && extension != ".png" && extension != ".PNG";
    if (jpegSheet && !commandExists("ffmpeg"))
        return fail("a .jpg sheet needs the ffmpeg command (apt-get install ffmpeg); "
                    "give a .png name instead");
    std::string error;
    std::unique_ptr<PartialOutput> pictureDir;
    if (!dir.empty() && !openPictureDir(dir, &pictureDir, &error))
        return fail(error);
    if (!sheetPath.empty() && !makeParent(sheetPath, &error))
        return fail(error);

    // Rendered in time order, once per distinct millisecond.
    std::map<std::uint32_t, RgbImage> pictures;
    for (double t : moments)
        pictures[tickOf(t)];
    Playback playback;
    if (!startPlayback(&playback, o, &error))
        return fail(error);
    playback.setGrid(o.fps, 0.0);
    Progress progress("moments", static_cast<long long>(pictures.size()), !o.quiet);
    long long done = 0;
    for (auto& [tick, picture] : pictures) {
        const double t = tick * 0.001;
        playback.prepare(t);
        playback.draw(t);
        picture = readFrame(playback);
        if (!dir.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "t%08.3f.png", t);
            if (!writePng((fs::path(pictureDir->path()) / name).string(), picture, &error)) {
                progress.finish();
                return fail(error);
            }
        }
        progress.update(++done);
    }
    progress.finish();

    if (!sheetPath.empty()) {
        std::vector<RgbImage> tiles;
        std::vector<std::string> labels;
        for (double t : moments) {
            tiles.push_back(scaleDown(pictures[tickOf(t)], o.tileWidth, o.tileHeight));
            labels.push_back(timeLabel(tickOf(t) * 0.001));
        }
        const int columns = o.columns > 0 ? o.columns : std::min(4, static_cast<int>(tiles.size()));
        PartialOutput sheet(partialName(sheetPath), PartialOutput::Kind::File);
        if (!writePicture(sheet.path(), composeSheet(tiles, labels, columns), &error) ||
            !sheet.commit(sheetPath, &error))
            return fail(error);
        std::fprintf(stderr, "demo-capture: wrote %s (%zu moments)\n", sheetPath.c_str(),
                     tiles.size());
    }
    if (pictureDir && !pictureDir->commit(dir, &error))
        return fail(error);
    if (!dir.empty())
        std::fprintf(stderr, "demo-capture: wrote %zu pictures to %s\n", pictures.size(),
                     dir.c_str());
    return 0;
}

// --stats: the range at --fps (or the --at moments, each prepared as captureMoments does),
// every frame measured and printed as one line of a JSON document on standard output; with
// --out DIR/ the pictures are written as --out alone would write them.
int captureStats(const Options& o, const std::string& dir) {
    std::string error;
    std::unique_ptr<PartialOutput> pictureDir;
    if (!dir.empty() && !openPictureDir(dir, &pictureDir, &error))
        return fail(error);
    Playback playback;
    if (!startPlayback(&playback, o, &error))
        return fail(error);

    std::vector<double> times;
    if (o.at.empty()) {
        playback.setGrid(o.fps, o.from);
        const long long first = playback.gridIndex(o.from);
        for (long long i = 0, count = frameCount(o); i < count; ++i)
            times.push_back(playback.gridTime(first + i));
    } else {
        playback.setGrid(o.fps, 0.0);
        std::vector<std::uint32_t> ticks;
        for (double t : o.at)
            ticks.push_back(tickOf(t));
        std::sort(ticks.begin(), ticks.end());
        ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
        for (std::uint32_t tick : ticks)
            times.push_back(tick * 0.001);
    }

    std::printf("{\"size\": [%d, %d], \"fps\": %d, \"luma\": \"Rec. 601, 0-255\", "
                "\"bright_from\": %g, \"near_black_below\": %g,\n\"frames\": [\n",
                o.width, o.height, o.fps, kBrightLuma, kNearBlackLuma);
    FrameMeter meter;
    RgbImage picture;
    Progress progress("stats", static_cast<long long>(times.size()), !o.quiet);
    for (size_t i = 0; i < times.size(); ++i) {
        playback.prepare(times[i]);
        const FrameStats stats = meter.drawAndMeasure(&playback, times[i], &picture);
        std::printf("%s%s\n", frameJson(stats).c_str(), i + 1 < times.size() ? "," : "");
        if (!dir.empty()) {
            char name[32];
            if (o.at.empty())
                std::snprintf(name, sizeof name, "frame_%06zu.png", i);
            else
                std::snprintf(name, sizeof name, "t%08.3f.png", times[i]);
            if (!writePng((fs::path(pictureDir->path()) / name).string(), picture, &error)) {
                progress.finish();
                return fail(error);
            }
        }
        progress.update(static_cast<long long>(i + 1));
    }
    progress.finish();
    std::printf("]}\n");
    std::fflush(stdout);
    if (std::ferror(stdout))
        return fail("cannot write the numbers to standard output");
    if (pictureDir && !pictureDir->commit(dir, &error))
        return fail(error);
    return 0;
}

std::string absolute(const std::string& path) {
    if (path.empty())
        return path;
    std::string result = fs::absolute(path).string();
    if (path.back() == '/' && (result.empty() || result.back() != '/'))
        result += '/';
    return result;
}

int run(int argc, char** argv) {
    Options o;
    std::string error;
    if (!parseOptions(argc, argv, &o, &error)) {
        std::fprintf(stderr, "demo-capture: %s\nTry 'demo-capture --help'.\n", error.c_str());
        return 2;
    }
    if (o.help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    const std::string out = absolute(o.out);
    const std::string sheet = absolute(o.sheet);
    const std::string figures = absolute(o.figures);
    if (!findAssets())
        return 1;
    if (!o.figures.empty()) {
        if (!makeParent(figures, &error)) {
            std::fprintf(stderr, "demo-capture: %s\n", error.c_str());
            return 1;
        }
        return drawFigureSheet(figures, o.scale);
    }
    if (o.bench)
        return runBench(o);
    if (o.stats)
        return captureStats(o, o.outKind == OutputKind::FrameDir ? out : "");
    if (!o.at.empty() || o.outKind == OutputKind::None)
        return captureMoments(o, o.outKind == OutputKind::FrameDir ? out : "", sheet);
    if (o.outKind == OutputKind::Video)
        return captureVideo(o, out);
    return captureFrames(o, out);
}

} // namespace
} // namespace capture

int main(int argc, char** argv) {
    return capture::run(argc, argv);
}
