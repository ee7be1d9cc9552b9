// Command-line parsing and the help text of demo-capture.
#include "options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace capture {
namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A whole decimal number, nothing before or after it.
bool parseDouble(const std::string& text, double* value) {
    if (text.empty() || text.find_first_of(" \t\n") != std::string::npos)
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

bool parseInt(const std::string& text, long min, long max, long* value) {
    if (text.empty() || text[0] == '+' || text[0] == ' ')
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || v < min || v > max)
        return false;
    *value = v;
    return true;
}

bool parseSeconds(const std::string& option, const std::string& text, double* value,
                  std::string* error) {
    if (!parseDouble(text, value)) {
        *error = option + ": '" + text + "' is not a number of seconds";
        return false;
    }
    if (*value < 0.0 || *value > kMaxSeconds) {
        std::ostringstream s;
        s << option << ": " << text << " is outside 0 to " << kMaxSeconds << " seconds";
        *error = s.str();
        return false;
    }
    return true;
}

bool parseSize(const std::string& option, const std::string& text, int* width, int* height,
               std::string* error) {
    const size_t x = text.find_first_of("xX");
    long w = 0, h = 0;
    if (x == std::string::npos || !parseInt(text.substr(0, x), 1, 1L << 30, &w) ||
        !parseInt(text.substr(x + 1), 1, 1L << 30, &h)) {
        *error = option + ": '" + text + "' is not WIDTHxHEIGHT (for example 1280x720)";
        return false;
    }
    if (w < 16 || h < 16 || w > 7680 || h > 4320) {
        *error = option + ": " + text + " is outside 16x16 to 7680x4320";
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool parseMoments(const std::string& text, std::vector<double>* moments, std::string* error) {
    std::string item;
    std::istringstream in(text);
    if (text.empty() || text.back() == ',') {
        *error = "--at: give moments as seconds separated by commas, for example 5,39.5,110";
        return false;
    }
    while (std::getline(in, item, ',')) {
        double t = 0;
        if (item.empty()) {
            *error = "--at: empty moment in '" + text + "'";
            return false;
        }
        if (!parseSeconds("--at", item, &t, error))
            return false;
        moments->push_back(t);
    }
    return true;
}

// Checks that the options together name one job.
bool validate(Options* o, std::string* error) {
    if (!o->figures.empty()) {
        if (o->bench || o->outKind != OutputKind::None || !o->sheet.empty() || !o->at.empty() ||
            o->rangeGiven || o->sizeGiven || o->tileGiven || o->columns != 0 || o->json ||
            o->stats || o->quality) {
            *error = "--figures draws the motions on their own; it takes only --scale";
            return false;
        }
        return true;
    }
    if (o->scaleGiven) {
        *error = "--scale goes with --figures";
        return false;
    }
    if (o->stats) {
        if (o->bench || !o->sheet.empty() || o->outKind == OutputKind::Video) {
            *error = "--stats measures frames or --at moments; it takes no --bench, --sheet or "
                     "video (--out DIR/ also writes the pictures)";
            return false;
        }
        if (!o->at.empty() && o->rangeGiven) {
            *error = "--at names its own moments; --from and --to do not go with it";
            return false;
        }
    }
    if (o->bench) {
        if (o->outKind != OutputKind::None || !o->sheet.empty() || !o->at.empty()) {
            *error = "--bench renders the range and reports timings; it takes no --out, --sheet "
                     "or --at";
            return false;
        }
    } else if (o->json) {
        *error = "--json goes with --bench";
        return false;
    }
    if (!o->at.empty() && !o->stats) {
        if (o->rangeGiven) {
            *error = "--at names its own moments; --from and --to do not go with it";
            return false;
        }
        if (o->outKind == OutputKind::Video) {
            *error = "--at writes single pictures: give --out a directory ending in '/' "
                     "or use --sheet";
            return false;
        }
        if (o->outKind == OutputKind::None && o->sheet.empty()) {
            *error = "--at needs somewhere to write: --out DIR/ or --sheet FILE.jpg";
            return false;
        }
    }
    if (o->quality && o->outKind != OutputKind::Video) {
        *error = "--quality goes with a video (--out NAME.mp4)";
        return false;
    }
    if (!o->bench && !o->stats && o->outKind == OutputKind::None && o->sheet.empty()) {
        *error = "nothing to do: give --out, --sheet, --bench, --stats or --figures (see --help)";
        return false;
    }
    if (!o->sheet.empty() && o->at.empty() && o->outKind != OutputKind::None) {
        *error = "--sheet with --out needs --at moments for both (without --at a sheet spreads "
                 "its moments over --from..--to on its own)";
        return false;
    }
    if (o->columns != 0 && o->sheet.empty()) {
        *error = "--columns goes with --sheet";
        return false;
    }
    if (o->to <= o->from) {
        std::ostringstream s;
        s << "--to (" << o->to << ") must be later than --from (" << o->from << ")";
        *error = s.str();
        return false;
    }
    if (o->outKind == OutputKind::Video && (o->width % 2 != 0 || o->height % 2 != 0)) {
        *error = "--size: H.264 video needs an even width and height";
        return false;
    }
    if (o->tileGiven && o->sheet.empty()) {
        *error = "--tile goes with --sheet";
        return false;
    }
    if (o->tileGiven && (o->tileWidth > o->width || o->tileHeight > o->height)) {
        *error = "--tile must not be larger than --size: tiles are the rendered pictures made "
                 "smaller";
        return false;
    }
    if (!o->tileGiven) {
        // At most 320 pixels wide, in the picture's proportions.
        o->tileWidth = std::min(kSheetTileWidth, o->width);
        o->tileHeight = std::max(1, static_cast<int>(std::lround(static_cast<double>(o->tileWidth) *
                                                                 o->height / o->width)));
    }
    return true;
}

} // namespace

bool parseOptions(int argc, char** argv, Options* options, std::string* error) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        const size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        auto flag = [&](bool* target) {
            if (hasValue) {
                *error = arg + " takes no value";
                return false;
            }
            *target = true;
            return true;
        };
        auto takeValue = [&]() {
            if (hasValue)
                return true;
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };

        if (arg == "--help" || arg == "-h") {
            if (!flag(&o.help))
                return false;
        } else if (arg == "--quality") {
            if (!flag(&o.quality))
                return false;
        } else if (arg == "--bench") {
            if (!flag(&o.bench))
                return false;
        } else if (arg == "--stats") {
            if (!flag(&o.stats))
                return false;
        } else if (arg == "--json") {
            if (!flag(&o.json))
                return false;
        } else if (arg == "--quiet" || arg == "-q") {
            if (!flag(&o.quiet))
                return false;
        } else if (arg == "--from" || arg == "--to") {
            if (!takeValue())
                return false;
            double t = 0;
            if (!parseSeconds(arg, value, &t, error))
                return false;
            (arg == "--from" ? o.from : o.to) = t;
            o.rangeGiven = true;
        } else if (arg == "--fps") {
            long fps = 0;
            if (!takeValue())
                return false;
            if (!parseInt(value, 1, 240, &fps)) {
                *error = "--fps: '" + value + "' is not a whole number of frames from 1 to 240";
                return false;
            }
            o.fps = static_cast<int>(fps);
        } else if (arg == "--size") {
            if (!takeValue() || !parseSize(arg, value, &o.width, &o.height, error))
                return false;
            o.sizeGiven = true;
        } else if (arg == "--tile") {
            if (!takeValue() || !parseSize(arg, value, &o.tileWidth, &o.tileHeight, error))
                return false;
            o.tileGiven = true;
        } else if (arg == "--at") {
            if (!takeValue() || !parseMoments(value, &o.at, error))
                return false;
        } else if (arg == "--columns") {
            long columns = 0;
            if (!takeValue())
                return false;
            if (!parseInt(value, 1, 64, &columns)) {
                *error = "--columns: '" + value + "' is not a whole number from 1 to 64";
                return false;
            }
            o.columns = static_cast<int>(columns);
        } else if (arg == "--out") {
            if (!takeValue())
                return false;
            if (value.empty()) {
                *error = "--out needs a file or directory name";
                return false;
            }
            o.out = value;
            if (value.back() == '/')
                o.outKind = OutputKind::FrameDir;
            else if (endsWith(lower(value), ".mp4"))
                o.outKind = OutputKind::Video;
            else {
                *error = "--out: '" + value +
                         "' is neither a video (NAME.mp4) nor a directory (ending in '/')";
                return false;
            }
        } else if (arg == "--figures") {
            if (!takeValue())
                return false;
            if (!endsWith(lower(value), ".png")) {
                *error = "--figures: '" + value + "' must end in .png";
                return false;
            }
            o.figures = value;
        } else if (arg == "--scale") {
            long scale = 0;
            if (!takeValue())
                return false;
            if (!parseInt(value, 1, 4, &scale)) {
                *error = "--scale: '" + value + "' is not a whole number from 1 to 4";
                return false;
            }
            o.scale = static_cast<int>(scale);
            o.scaleGiven = true;
        } else if (arg == "--sheet") {
            if (!takeValue())
                return false;
            const std::string ext = lower(value);
            if (!endsWith(ext, ".jpg") && !endsWith(ext, ".jpeg") && !endsWith(ext, ".png")) {
                *error = "--sheet: '" + value + "' must end in .jpg, .jpeg or .png";
                return false;
            }
            o.sheet = value;
        } else {
            *error = "unknown option '" + std::string(argv[i]) + "'";
            return false;
        }
    }
    if (o.help) {
        *options = o;
        return true;
    }
    if (!validate(&o, error))
        return false;
    *options = o;
    return true;
}

std::string helpText() {
    return R"(demo-capture: renders the demo offscreen on virtual time, to a video, frames,
single moments, a contact sheet, or timing figures; or every dance motion in one picture. Frame k of a range shows the timeline at
exactly FROM + k/FPS seconds (to the millisecond), however long it takes to render, and the
demo's motions and camera behave as in a live run at that frame rate. Run it from build/bin
(the demo's assets are read from ../models, ../textures, ../music).

Usage:
  demo-capture --out FILE.mp4 [--from S] [--to S] [--fps N] [--size WxH] [--quality]
  demo-capture --out DIR/     [--from S] [--to S] [--fps N] [--size WxH]
  demo-capture --at S,S,... --out DIR/ [--sheet FILE.jpg] [--fps N] [--size WxH]
  demo-capture --sheet FILE.jpg [--at S,S,...] [--columns N] [--tile WxH] [--size WxH]
  demo-capture --bench [--json] [--from S] [--to S] [--fps N] [--size WxH]
  demo-capture --stats [--from S] [--to S | --at S,S,...] [--fps N] [--size WxH] [--out DIR/]
  demo-capture --figures FILE.png [--scale N]

Options:
  --out FILE.mp4   H.264 video (through the ffmpeg command) with the soundtrack
                   ../music/maxx.mp3 muxed in, its start at timeline second FROM
  --quality        with a video: x264's slow preset at crf 18 instead of veryfast at crf
                   20, several times slower, for a smaller and finer file
  --out DIR/       numbered PNG frames DIR/frame_000000.png ... (the trailing / matters);
                   with --at, one picture per moment: DIR/t0039.500.png
  --at S,S,...     single moments in seconds, for example 5,39.5,110
  --sheet FILE     a contact sheet (.jpg or .png) of the --at moments, each labelled with
                   its time; without --at, 12 moments spread over FROM..TO
  --columns N      tiles per row of the sheet (default: up to 4)
  --tile WxH       size of a sheet tile (default 320 wide, in the picture's proportions):
                   each moment is rendered at --size and scaled down to it
  --from S         first second of the range (default 0)
  --to S           end of the range, not included (default 120)
  --fps N          frames per second of timeline, 1 to 240 (default 30); also the rate a
                   moment is prepared at (the city's closing drift depends on it)
  --size WxH       rendered picture size in pixels (default 1280x720)
  --bench          render the range and report per timeline segment the frame time
                   (median, 95th percentile, worst), the triangles drawn per frame, an
                   empty frame's time for a ratio, the ratio to a limit program (as many
                   lit, fogged, textured immediate-mode triangles, timed after every 4th
                   frame), fragments shaded per pixel, start-up time and music to clocks,
                   the memory in use after the first frame, every minute and at the end,
                   and peak memory
  --json           with --bench: the report as JSON on standard output
  --stats          measure every frame of the range (or every --at moment) and print JSON
                   on standard output, one frame per line: "mean_luma" (Rec. 601, 0-255),
                   the shares of "bright" (luma 200 and up) and "near_black" (under 12)
                   pixels, and the figures as the audience sees them: each is drawn a second
                   time into an id mask, depth-tested against the scene (the translucent
                   beams left out), in the pose it shows. "figures_on_screen",
                   "figure_pixels", "tallest_figure_px" and "figure_luma" (mean luma of
                   their pixels) sum them up; "figures" lists each one seen: "index" (its
                   place in the scene's draw order), "pixels", "height" (rows, top to
                   bottom), "luma" and "regions" (separate 8-connected pieces). The picture
                   and every later frame are exactly those of a run without --stats; with
                   --out DIR/ the pictures are written too
  --figures FILE   every motion at three moments of its loop, head-on and from the side,
                   one row each, in one labelled PNG
  --scale N        with --figures: cells N times larger, 1 to 4 (default 1)
  --quiet          no progress bar
  --help           this text

Examples (from build/bin):
  ./demo-capture --out ../capture/demo.mp4                      # the first 2 minutes, 720p30
  ./demo-capture --from 36 --to 46 --size 640x360 --out clip.mp4
  ./demo-capture --from 38 --to 39 --fps 60 --out frames/
  ./demo-capture --at 5,39.5,110 --out moments/
  ./demo-capture --sheet ../../docs/timeline.jpg \
      --at 2,8,15,22,30,36,37.9,39,42,50,60,69,80,95,106,110,120
  ./demo-capture --figures ../../docs/figures.png
  ./demo-capture --bench --size 1280x720
  ./demo-capture --bench --json > bench.json
  ./demo-capture --stats --fps 10 --from 0 --to 120 > stats.json
  ./demo-capture --stats --at 8,20,110 --out moments/

Exit status: 0 on success, 2 for a bad command line, 1 when rendering or writing fails
(a missing asset ends the process as the demo does).
)";
}

} // namespace capture
