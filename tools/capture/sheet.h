// Contact sheets: rendered moments in a grid, each labelled with its time.
#pragma once

#include <string>
#include <vector>

#include "image_files.h"

namespace capture {

// "5 s", "39.5 s", "38.59 s": the moment with up to three decimals, no trailing zeros.
std::string timeLabel(double seconds);

using picture::drawText;
using picture::textWidth;

// `image` scaled to width x height (no larger than it), each pixel the mean of the pixels it
// covers.
RgbImage scaleDown(const RgbImage& image, int width, int height);

// Places equally sized tiles left to right, top to bottom, `columns` per row, each with its
// label centred in a strip beneath it, on a dark background.
RgbImage composeSheet(const std::vector<RgbImage>& tiles, const std::vector<std::string>& labels,
                      int columns);

} // namespace capture
