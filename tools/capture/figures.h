// --figures: every dance motion in one labelled picture.
#pragma once

#include <string>

namespace capture {

// Draws each of the ten motions at three moments of its loop, head-on and from the side, one
// row per motion, cells `scale` times the base size, and writes the picture as PNG to `path`.
// Returns the exit status.
int drawFigureSheet(const std::string& path, int scale);

} // namespace capture
