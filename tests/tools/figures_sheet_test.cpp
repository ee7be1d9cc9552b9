// demo-capture --figures: renders every generated motion into one labelled picture, and
// explains itself when called wrongly.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "assets/texture.h"
#include "common/generators.h"
#include "support/child.h"
#include "support/paths.h"

namespace {

std::string captureProgram() {
    return buildDir() + "/bin/demo-capture";
}

TEST(FigureSheet, DrawsAFigureInEveryCell) {
    const std::string tree = makeScratchTree("figure-sheet");
    ASSERT_TRUE(gen::generateFigures(
        {tree + "/models", tree + "/models/moves", tree + "/textures", tree + "/music"}));
    const std::string out = tree + "/sheet.png";
    const ChildResult r = runProgram({captureProgram(), "--figures", out}, tree + "/bin");
    ASSERT_TRUE(r.exited) << r.err;
    ASSERT_EQ(r.status, 0) << r.err;

    int32_t width = 0, height = 0;
    unsigned char* rgba = loadPng(out.c_str(), width, height);
    ASSERT_NE(rgba, nullptr);
    // Ten motions in rows; three moments head-on, then three from the side.
    const int cols = 6, rows = 10;
    ASSERT_EQ(width % cols, 0);
    ASSERT_EQ(height % rows, 0);
    const int cellW = width / cols, cellH = height / rows;
    // The background is the colour of the cell's top right corner below the label strip; a
    // figure is many pixels brighter than it (white bones).
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col) {
            auto at = [&](int x, int y) {
                return rgba + (static_cast<size_t>(row * cellH + y) * width + col * cellW + x) * 4;
            };
            const unsigned char* bg = at(cellW - 3, cellH / 2);
            int bright = 0;
            for (int y = 14; y < cellH - 2; ++y)
                for (int x = 2; x < cellW - 2; ++x) {
                    const unsigned char* p = at(x, y);
                    bright += p[0] > bg[0] + 60 && p[1] > bg[1] + 60 && p[2] > bg[2] + 60;
                }
            EXPECT_GT(bright, 30) << "cell row " << row << ", column " << col << " is empty";
        }
    delete[] rgba;
}

TEST(FigureSheet, WrongUseSaysWhatIsWrong) {
    const std::string tree = makeScratchTree("figure-sheet-usage");
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--figures", "a.png", "--scale", "9"}, "--scale: '9' is not a whole number from 1 to 4"},
        {{"--figures", "a.jpg"}, "--figures: 'a.jpg' must end in .png"},
        {{"--figures", "a.png", "--bench"}, "--figures draws the motions on their own"},
        {{"--bench", "--scale", "2"}, "--scale goes with --figures"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {captureProgram()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const ChildResult r = runProgram(argv, tree + "/bin");
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 2) << c.error;
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    }
}

} // namespace
