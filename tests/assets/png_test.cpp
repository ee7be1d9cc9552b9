// loadPng over every colour type, and the failing loads of bad PNG files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/texture.h"
#include "png_writer.h"
#include "support/child.h"
#include "support/paths.h"

namespace {

struct ColourCase {
    const char* name;
    int colorType;
    int bitDepth;
    bool transparency; // a tRNS chunk
};

const ColourCase kColourCases[] = {
    {"rgb8", PNG_COLOR_TYPE_RGB, 8, false},
    {"rgb8 tRNS", PNG_COLOR_TYPE_RGB, 8, true},
    {"rgb16", PNG_COLOR_TYPE_RGB, 16, false},
    {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false},
    {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
    {"palette1", PNG_COLOR_TYPE_PALETTE, 1, false},
    {"palette2", PNG_COLOR_TYPE_PALETTE, 2, false},
    {"palette4", PNG_COLOR_TYPE_PALETTE, 4, false},
    {"palette8", PNG_COLOR_TYPE_PALETTE, 8, false},
    {"palette2 tRNS", PNG_COLOR_TYPE_PALETTE, 2, true},
    {"palette8 tRNS", PNG_COLOR_TYPE_PALETTE, 8, true},
    {"grey1", PNG_COLOR_TYPE_GRAY, 1, false},
    {"grey2", PNG_COLOR_TYPE_GRAY, 2, false},
    {"grey4", PNG_COLOR_TYPE_GRAY, 4, false},
    {"grey8", PNG_COLOR_TYPE_GRAY, 8, false},
    {"grey16", PNG_COLOR_TYPE_GRAY, 16, false},
    {"grey4 tRNS", PNG_COLOR_TYPE_GRAY, 4, true},
    {"grey8 tRNS", PNG_COLOR_TYPE_GRAY, 8, true},
    {"grey-alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
    {"grey-alpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false},
};

// Odd sizes: packed rows end mid-byte and some interlace passes are partly empty.
constexpr int kWidth = 13;
constexpr int kHeight = 9;

// A pseudo-random byte per pixel and channel, so that rows and channels all differ.
uint8_t level(int x, int y, int channel) {
    return uint8_t((x * 37 + y * 101 + 11) * (channel + 3) * 29 + channel * 71);
}

struct Fixture {
    PngImage image;
    std::vector<uint8_t> expected; // RGBA, top row first
};

// Builds the image of a case and the pixels the loader must produce for it. 16-bit samples
// carry noise in their low byte, which the loader must drop.
Fixture makeFixture(const ColourCase& c, bool interlaced) {
    Fixture f;
    PngImage& im = f.image;
    im.width = kWidth;
    im.height = kHeight;
    im.colorType = c.colorType;
    im.bitDepth = c.bitDepth;
    im.interlaced = interlaced;
    const int channels = pngChannels(c.colorType);
    const int maxSample = (1 << c.bitDepth) - 1;
    const int paletteSize = std::min(maxSample + 1, 200);
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < paletteSize; ++i)
            im.palette.push_back({level(i, 0, 0), level(i, 0, 1), level(i, 0, 2)});
        if (c.transparency)
            for (int i = 0; i < paletteSize / 2 + 1; ++i)
                im.paletteAlpha.push_back(png_byte(i * 53 + 7));
    }
    // The sample (at file depth) of pixel x, y, channel, and its 8-bit reduction.
    auto sample = [&](int x, int y, int ch) -> uint16_t {
        if (c.colorType == PNG_COLOR_TYPE_PALETTE)
            return uint16_t((x + 3 * y) % paletteSize);
        if (c.bitDepth == 16)
            return uint16_t(level(x, y, ch) << 8 | ((x * 13 + y) & 0xFF));
        return uint16_t(level(x, y, ch) & maxSample);
    };
    auto to8 = [&](uint16_t s) -> uint8_t {
        if (c.bitDepth == 16)
            return uint8_t(s >> 8);
        return uint8_t(s * 255 / maxSample);
    };
    if (c.transparency && c.colorType != PNG_COLOR_TYPE_PALETTE) {
        im.hasTransparentColor = true;
        im.transparentColor.gray = sample(4, 2, 0);
        im.transparentColor.red = sample(4, 2, 0);
        im.transparentColor.green = sample(4, 2, 1);
        im.transparentColor.blue = sample(4, 2, 2);
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint16_t s[4] = {};
            for (int ch = 0; ch < channels; ++ch) {
                s[ch] = sample(x, y, ch);
                im.samples.push_back(s[ch]);
            }
            uint8_t r, g, b, a = 0xFF;
            switch (c.colorType) {
            case PNG_COLOR_TYPE_PALETTE:
                r = im.palette[s[0]].red;
                g = im.palette[s[0]].green;
                b = im.palette[s[0]].blue;
                if (s[0] < im.paletteAlpha.size())
                    a = im.paletteAlpha[s[0]];
                break;
            case PNG_COLOR_TYPE_GRAY:
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                r = g = b = to8(s[0]);
                if (c.colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
                    a = to8(s[1]);
                else if (im.hasTransparentColor && s[0] == im.transparentColor.gray)
                    a = 0;
                break;
            default:
                r = to8(s[0]);
                g = to8(s[1]);
                b = to8(s[2]);
                if (channels == 4)
                    a = to8(s[3]);
                else if (im.hasTransparentColor && s[0] == im.transparentColor.red &&
                         s[1] == im.transparentColor.green && s[2] == im.transparentColor.blue)
                    a = 0;
            }
            f.expected.insert(f.expected.end(), {r, g, b, a});
        }
    }
    return f;
}

struct Decoded {
    std::unique_ptr<unsigned char[]> pixels;
    int32_t width = -1, height = -1;
};

Decoded decode(const std::string& path) {
    Decoded d;
    d.pixels.reset(loadPng(path.c_str(), d.width, d.height));
    return d;
}

} // namespace

// Every colour type and depth, interlaced or not, decodes to the same RGBA bytes with the
// file's first row first.
TEST(LoadPng, DecodesEveryColourTypeToBgraTopRowFirst) {
    const std::string dir = makeScratchTree("png-colours");
    for (const ColourCase& c : kColourCases) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (interlaced ? " interlaced" : ""));
            const Fixture f = makeFixture(c, interlaced);
            const std::string path = dir + "/textures/fixture.png";
            ASSERT_TRUE(writePng(path, f.image));
            const Decoded d = decode(path);
            ASSERT_NE(d.pixels, nullptr);
            EXPECT_EQ(d.width, kWidth);
            EXPECT_EQ(d.height, kHeight);
            for (size_t i = 0; i < f.expected.size(); ++i) {
                const int pixel = int(i / 4);
                ASSERT_EQ(d.pixels[i], f.expected[i])
                    << "x " << pixel % kWidth << " y " << pixel / kWidth << " byte " << i % 4;
            }
        }
    }
}

namespace {

std::string be32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const uint32_t crc =
        uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
    return be32(uint32_t(data.size())) + body + be32(crc);
}

const std::string kSignature = "\x89PNG\r\n\x1a\n";

std::string ihdr(uint32_t width, uint32_t height, int bitDepth = 8, int colorType = 6) {
    return chunk("IHDR", be32(width) + be32(height) + char(bitDepth) + char(colorType) +
                             std::string(3, '\0'));
}

// A deflate stream of `raw` bytes.
std::string zlibOf(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(raw.data()),
             uLong(raw.size()));
    out.resize(size);
    return out;
}

// A valid 1-bit grey image (small files even at the size limit).
std::string plainPng(int width, int height) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = PNG_COLOR_TYPE_GRAY;
    image.bitDepth = 1;
    image.samples.assign(size_t(width) * height, 1);
    const std::string path = makeScratchTree("png-plain") + "/textures/plain.png";
    EXPECT_TRUE(writePng(path, image));
    return readFile(path);
}

// The interlaced RGBA fixture as file bytes.
std::string goodPng() {
    const std::string path = makeScratchTree("png-good") + "/textures/good.png";
    const ColourCase rgba{"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false};
    EXPECT_TRUE(writePng(path, makeFixture(rgba, true).image));
    return readFile(path);
}

struct BadPng {
    std::string name;
    std::string bytes;
};

std::vector<BadPng> badPngs() {
    const std::string good = goodPng();

    // One 2 x 2 RGBA image's rows, each led by filter byte 0.
    const std::string rows =
        std::string(1, '\0') + std::string(8, 'x') + '\0' + std::string(8, 'y');
    const std::string idat = chunk("IDAT", zlibOf(rows));
    const std::string iend = chunk("IEND", "");
    std::string badCrc = kSignature + ihdr(2, 2) + idat + iend;
    badCrc[kSignature.size() + 10] ^= 0x01; // a width byte, so the stored CRC no longer fits

    std::vector<BadPng> cases = {
        {"empty file", ""},
        {"not a PNG", "This is a text file, not an image.\n"},
        {"signature only", kSignature},
        {"absurd size", kSignature + ihdr(100000, 100000) + idat + iend},
        {"one pixel too wide", plainPng(kMaxPngSide + 1, 1)},
        {"one pixel too tall", plainPng(1, kMaxPngSide + 1)},
        {"width beyond 2^31", kSignature + ihdr(0x80000000u, 1) + idat + iend},
        {"zero width", kSignature + ihdr(0, 2) + idat + iend},
        {"bit depth 3", kSignature + ihdr(2, 2, 3, 6) + idat + iend},
        {"colour type 5", kSignature + ihdr(2, 2, 8, 5) + idat + iend},
        {"header CRC wrong", badCrc},
        {"no image data", kSignature + ihdr(2, 2) + iend},
        {"image data not deflate", kSignature + ihdr(2, 2) + chunk("IDAT", "garbage!") + iend},
        {"image data too short", kSignature + ihdr(2, 2) + chunk("IDAT", zlibOf("\0abc")) + iend},
        {"chunk claiming 2 GB", kSignature + ihdr(2, 2) + be32(0x7FFFFFFF) + "tEXt" + "k\0v"},
    };
    // Cut inside the signature, the header, the image data and the final IEND chunk (the
    // in-process sweep below covers every offset).
    for (size_t size : {size_t(4), size_t(8), size_t(20), size_t(33), size_t(45), good.size() / 2,
                        good.size() - 12, good.size() - 5, good.size() - 1})
        cases.push_back({"truncated to " + std::to_string(size), good.substr(0, size)});
    return cases;
}

} // namespace

// Every bad file is refused by loadPng, and Texture::load then ends the process with the
// load-failure line on standard output and status 1.
TEST(LoadPng, BadFilesFailCleanlyWithTheLoadFailureMessage) {
    const std::string dir = makeScratchTree("png-bad");
    for (const BadPng& bad : badPngs()) {
        SCOPED_TRACE(bad.name);
        const std::string path = dir + "/textures/bad.png";
        ASSERT_TRUE(writeFile(path, bad.bytes));
        EXPECT_EQ(decode(path).pixels, nullptr);
        const ChildResult r = runInChild([&] {
            Texture texture;
            texture.load(path.c_str());
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "png file not found! : " + path + "\n");
        EXPECT_EQ(r.err, "");
    }
}

// The size limit refuses only what is beyond it (the table above has the sizes one over).
TEST(LoadPng, AcceptsImagesUpToTheSizeLimit) {
    const std::string path = makeScratchTree("png-limit") + "/textures/limit.png";
    for (const auto& size : {std::make_pair(kMaxPngSide, 1), std::make_pair(1, kMaxPngSide)}) {
        ASSERT_TRUE(writeFile(path, plainPng(size.first, size.second)));
        const Decoded d = decode(path);
        ASSERT_NE(d.pixels, nullptr) << size.first << " x " << size.second;
        EXPECT_EQ(d.width, size.first);
        EXPECT_EQ(d.height, size.second);
        EXPECT_EQ(d.pixels[4 * (kMaxPngSide - 1)], 0xFF); // the last pixel is white
    }
}

// Text, gamma and private chunks are skipped without a word; the pixels are the same.
TEST(LoadPng, AncillaryChunksAreSkipped) {
    const std::string good = goodPng();
    const size_t afterHeader = kSignature.size() + 25;
    const std::string extra = chunk("tEXt", std::string("Comment\0hello", 13)) +
                              chunk("gAMA", be32(45455)) + chunk("zzZz", "private data");
    const std::string dir = makeScratchTree("png-ancillary");
    ASSERT_TRUE(writeFile(dir + "/textures/plain.png", good));
    ASSERT_TRUE(writeFile(dir + "/textures/extra.png",
                          good.substr(0, afterHeader) + extra + good.substr(afterHeader)));
    const Decoded plain = decode(dir + "/textures/plain.png");
    const Decoded withExtra = decode(dir + "/textures/extra.png");
    ASSERT_NE(plain.pixels, nullptr);
    ASSERT_NE(withExtra.pixels, nullptr);
    EXPECT_EQ(std::memcmp(plain.pixels.get(), withExtra.pixels.get(), kWidth * kHeight * 4), 0);
}

// Whatever byte the file stops at, the load fails and leaks nothing (checked under the
// sanitizer build).
TEST(LoadPng, TruncationAtEveryOffsetIsRefused) {
    const std::string good = goodPng();
    const std::string path = makeScratchTree("png-cut") + "/textures/cut.png";
    ASSERT_TRUE(writeFile(path, good));
    ASSERT_NE(decode(path).pixels, nullptr);
    for (size_t size = 0; size < good.size(); ++size) {
        ASSERT_TRUE(writeFile(path, good.substr(0, size)));
        EXPECT_EQ(decode(path).pixels, nullptr) << "cut to " << size << " of " << good.size();
    }
}

TEST(LoadPng, MissingFileFails) {
    const std::string path = makeScratchTree("png-missing") + "/textures/nothing.png";
    EXPECT_EQ(decode(path).pixels, nullptr);
    const ChildResult r = runInChild([&] { Texture().load(path.c_str()); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "png file not found! : " + path + "\n");
}
