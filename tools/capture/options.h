// The capture tool's command line: what to render, at which size and rate, and where to.
#pragma once

#include <string>
#include <vector>

namespace capture {

enum class OutputKind {
    None,     // no --out
    Video,    // --out NAME.mp4: H.264 with the soundtrack
    FrameDir, // --out DIR/: numbered PNG frames, or one PNG per --at moment
};

// Width of one tile of a contact sheet when --tile is not given (its height keeps the
// picture's proportions).
constexpr int kSheetTileWidth = 320;
// Moments on a sheet when none are given: spread evenly over the range.
constexpr int kDefaultSheetMoments = 12;
// Latest moment any option may name, seconds.
constexpr double kMaxSeconds = 9999.0;

struct Options {
    // The range of timeline seconds to render: frame k shows from + k / fps.
    double from = 0.0;
    double to = 120.0;
    bool rangeGiven = false; // --from or --to on the command line
    int fps = 30;            // frames per second of timeline, 1..240
    int width = 1280;        // pixels
    int height = 720;
    bool sizeGiven = false;
    std::vector<double> at; // --at moments, seconds, as given (may be unsorted)
    std::string out;        // --out path as given
    OutputKind outKind = OutputKind::None;
    std::string sheet; // --sheet path (.jpg, .jpeg or .png)
    int columns = 0;   // --columns of the sheet; 0 = choose
    // Size of one sheet tile; each rendered picture is scaled down to it. Without --tile,
    // parseOptions makes it kSheetTileWidth wide (or the picture's width, if smaller).
    int tileWidth = 0;
    int tileHeight = 0;
    bool tileGiven = false;
    std::string figures; // --figures path (.png): every motion in one picture
    int scale = 1;       // --scale of the figure sheet's cells, 1..4
    bool scaleGiven = false;
    bool quality = false; // --quality: a slow, high-quality video encode
    bool bench = false;
    bool json = false;
    bool stats = false; // --stats: JSON numbers per frame on standard output
    bool quiet = false; // no progress bar
    bool help = false;
};

// Parses argv[1..]. Returns false with a one-line `error` on an unknown option, a malformed
// or out-of-range value, or a combination that does not make sense.
bool parseOptions(int argc, char** argv, Options* options, std::string* error);

// The --help text: every option and a few examples.
std::string helpText();

} // namespace capture
