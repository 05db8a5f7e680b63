// The tray picture, as exact mask and colour arrays.
#include "monitor/tray_icon.h"
#include "ports/argb_picture.h"

#include <algorithm>

#include <gtest/gtest.h>

#include <string>

namespace kestrel {
namespace {

// The picture as 16 text rows, top first: '.' background, 'o' outgoing, 'i' incoming, '#' both.
// Checks at the same time that the mask is set exactly where a colour is.
std::vector<std::string> Picture(const IconRaster& raster) {
    std::vector<std::string> rows;
    for (int row = 0; row < 16; ++row) {
        std::string line;
        for (int x = 0; x < 16; ++x) {
            const uint8_t colour = raster.colour[static_cast<size_t>(row * 16 + x)];
            const bool masked =
                raster.mask[static_cast<size_t>(row * 2 + x / 8)] & (0x80 >> (x % 8));
            EXPECT_EQ(masked, colour != 0) << row << "," << x;
            line += colour == 0      ? '.'
                    : colour == 0xFE ? 'o'
                    : colour == 0xFD ? 'i'
                    : colour == 0xFF ? '#'
                                     : '?';
        }
        rows.push_back(line);
    }
    return rows;
}

ThroughputHistory WithColumns(std::initializer_list<uint16_t> out,
                              std::initializer_list<uint16_t> in) {
    ThroughputHistory h;
    size_t i = 10;
    for (uint16_t v : out)
        h.out[i++] = v;
    i = 10;
    for (uint16_t v : in)
        h.in[i++] = v;
    return h;
}

TEST(TrayIconTest, AtRestBothLinesShareTheBottomRow) {
    const IconRaster raster = BuildTrayRaster({});
    std::vector<std::string> want(15, std::string(16, '.'));
    want.push_back(std::string(16, '#'));
    EXPECT_EQ(Picture(raster), want);
    EXPECT_EQ(raster.mask[30], 0xFF);
    EXPECT_EQ(raster.mask[31], 0xFF);
}

TEST(TrayIconTest, EntriesMapToHeightsByThirdsUpTo15) {
    for (uint16_t entry : {45, 46, 47, 48}) {
        const IconRaster raster = BuildTrayRaster(WithColumns({entry}, {}));
        EXPECT_EQ(raster.colour[0], 0xFE) << entry << " reaches the top row";
    }
    for (uint16_t entry : {0, 1, 2}) {
        const IconRaster raster = BuildTrayRaster(WithColumns({entry}, {}));
        EXPECT_EQ(raster.colour[15 * 16], 0xFF) << entry << " stays on the bottom row";
    }
}

TEST(TrayIconTest, ARiseStandsInThePreviousColumn) {
    const IconRaster raster = BuildTrayRaster(WithColumns({0, 0, 0, 0, 0, 45}, {}));
    const std::vector<std::string> picture = Picture(raster);
    EXPECT_EQ(picture[0], ".....o..........");
    for (int row = 1; row < 15; ++row) // and the fall back to rest in column 6
        EXPECT_EQ(picture[static_cast<size_t>(row)], "....o.o.........") << row;
    EXPECT_EQ(picture[15], "#####i##########");
}

TEST(TrayIconTest, AFallStandsInTheCurrentColumn) {
    const IconRaster raster = BuildTrayRaster(WithColumns({45, 45, 45, 45, 45, 0}, {}));
    const std::vector<std::string> picture = Picture(raster);
    EXPECT_EQ(picture[0], "ooooo...........");
    for (int row = 1; row < 15; ++row)
        EXPECT_EQ(picture[static_cast<size_t>(row)], ".....o..........") << row;
    EXPECT_EQ(picture[15], "iiiii###########");
}

TEST(TrayIconTest, NeighbouringHeightsTouchDiagonallyWithoutARun) {
    // heights 3 then 4 (entries 9 and 12), incoming only
    const std::vector<std::string> picture = Picture(BuildTrayRaster(WithColumns({}, {9, 12})));
    EXPECT_EQ(picture[11].substr(0, 2), ".i");
    EXPECT_EQ(picture[12].substr(0, 2), "i.");
    EXPECT_EQ(picture[15], "oo" + std::string(14, '#'));
}

TEST(TrayIconTest, TheFirstColumnDrawsNoRunFromBeforeIt) {
    const std::vector<std::string> picture = Picture(BuildTrayRaster(WithColumns({30}, {48})));
    EXPECT_EQ(picture[0].substr(0, 2), "i.");
    EXPECT_EQ(picture[5].substr(0, 2), "oi") << "column 1 holds the incoming fall";
    for (int row : {1, 2, 3, 4, 6, 7, 14})
        EXPECT_EQ(picture[static_cast<size_t>(row)][0], '.') << row;
}

TEST(TrayIconTest, PixelsOutsideTheColumnsAreNotSet) {
    IconRaster raster;
    SetOutPixel(raster, -1, 3);
    SetInPixel(raster, 16, 3);
    EXPECT_EQ(raster, IconRaster{});
    SetOutPixel(raster, 15, 0);
    SetInPixel(raster, 15, 0);
    EXPECT_EQ(raster.colour[255], 0xFF);
    EXPECT_EQ(raster.mask[31], 0x01);
}

// As ARGB pixels for trays that take images: the graph's colours on opaque black, the picture's
// bottom row (height 0) last.
TEST(TrayIconTest, TheArgbPictureUsesTheWindowGraphsColours) {
    IconRaster raster;
    SetOutPixel(raster, 0, 0);
    SetInPixel(raster, 1, 0);
    SetOutPixel(raster, 2, 15);
    SetInPixel(raster, 2, 15);
    const std::array<uint32_t, 256> pixels = ArgbPicture(raster);
    EXPECT_EQ(pixels[15 * 16 + 0], 0xFFFF0000u) << "outgoing red";
    EXPECT_EQ(pixels[15 * 16 + 1], 0xFF00FF00u) << "incoming green";
    EXPECT_EQ(pixels[2], 0xFFFFFF00u) << "both yellow, in the top row";
    const auto black = std::count(pixels.begin(), pixels.end(), 0xFF000000u);
    EXPECT_EQ(black, 256 - 3) << "everything else opaque black";
}

// Larger tray pictures: each pixel a block of the largest whole size that fits, centred, the
// margin left over on both sides; never a colour that was not in the picture.
TEST(TrayIconTest, ScaledPositionsEnlargeByWholePixelsAndCentre) {
    struct Case {
        int size;
        int margin; // columns before the picture (and at least as many after)
        int factor;
    };
    const Case table[] = {{16, 0, 1}, {17, 0, 1}, {20, 2, 1}, {22, 3, 1}, {24, 4, 1},
                          {31, 7, 1}, {32, 0, 2}, {40, 4, 2}, {48, 0, 3}, {64, 0, 4}};
    for (const Case& c : table) {
        const std::vector<int> positions = ScaledPositions(c.size);
        ASSERT_EQ(positions.size(), static_cast<size_t>(c.size)) << c.size;
        std::vector<int> want(static_cast<size_t>(c.size), -1);
        for (int i = 0; i < 16 * c.factor; ++i)
            want[static_cast<size_t>(c.margin + i)] = i / c.factor;
        EXPECT_EQ(positions, want) << c.size;
        EXPECT_GE(c.size - 16 * c.factor - c.margin, c.margin) << c.size;
    }
    EXPECT_EQ(ScaledPositions(12), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}))
        << "the middle of the picture";
    EXPECT_TRUE(ScaledPositions(0).empty());
}

TEST(TrayIconTest, TheScaledArgbPictureRepeatsEachPixelAndIsClearAround) {
    std::array<uint32_t, 256> pixels;
    for (uint32_t i = 0; i < 256; ++i)
        pixels[i] = 0xFF000000u | i * 0x010203u; // every pixel its own colour
    struct Case {
        int size, margin, factor;
    };
    for (const Case c :
         {Case{16, 0, 1}, Case{22, 3, 1}, Case{24, 4, 1}, Case{32, 0, 2}, Case{48, 0, 3}}) {
        const std::vector<uint32_t> scaled = ScaledArgb(pixels, c.size);
        ASSERT_EQ(scaled.size(), static_cast<size_t>(c.size * c.size)) << c.size;
        for (int y = 0; y < c.size; ++y) {
            for (int x = 0; x < c.size; ++x) {
                const int sx = x - c.margin, sy = y - c.margin;
                const bool inside = sx >= 0 && sy >= 0 && sx < 16 * c.factor && sy < 16 * c.factor;
                const uint32_t want =
                    inside ? pixels[static_cast<size_t>(sy / c.factor * 16 + sx / c.factor)] : 0u;
                ASSERT_EQ(scaled[static_cast<size_t>(y * c.size + x)], want)
                    << c.size << ": " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(ScaledArgb(pixels, 16), std::vector<uint32_t>(pixels.begin(), pixels.end()));
}

// For Windows' bitmaps: at 16 the raster's bytes as they are; larger, the same enlargement in
// rows of whole 16-bit words, the margin masked with colour 0 so that the tray shows through.
TEST(TrayIconTest, TheScaledRasterKeepsItsBytesAt16AndEnlargesOtherwise) {
    IconRaster raster;
    SetOutPixel(raster, 0, 15); // top left
    SetInPixel(raster, 15, 0);  // bottom right
    SetOutPixel(raster, 7, 3);
    SetInPixel(raster, 8, 3);

    const ScaledRaster same = ScaleRaster(raster, 16);
    EXPECT_EQ(same.size, 16);
    EXPECT_EQ(same.mask, std::vector<uint8_t>(raster.mask.begin(), raster.mask.end()));
    EXPECT_EQ(same.colour, std::vector<uint8_t>(raster.colour.begin(), raster.colour.end()));

    struct Case {
        int size, margin, factor, maskRow, colourRow;
    };
    for (const Case c : {Case{20, 2, 1, 4, 20}, Case{21, 2, 1, 4, 22}, Case{24, 4, 1, 4, 24},
                         Case{32, 0, 2, 4, 32}, Case{40, 4, 2, 6, 40}, Case{48, 0, 3, 6, 48}}) {
        const ScaledRaster scaled = ScaleRaster(raster, c.size);
        ASSERT_EQ(scaled.size, c.size);
        ASSERT_EQ(scaled.mask.size(), static_cast<size_t>(c.maskRow * c.size)) << c.size;
        ASSERT_EQ(scaled.colour.size(), static_cast<size_t>(c.colourRow * c.size)) << c.size;
        for (int y = 0; y < c.size; ++y) {
            for (int x = 0; x < c.size; ++x) {
                const int sx = x - c.margin, sy = y - c.margin;
                const bool inside = sx >= 0 && sy >= 0 && sx < 16 * c.factor && sy < 16 * c.factor;
                const auto source = static_cast<size_t>(sy / c.factor * 16 + sx / c.factor);
                const bool wantMask =
                    !inside || (raster.mask[source / 8] & (0x80 >> (source % 8))) != 0;
                const uint8_t wantColour = inside ? raster.colour[source] : 0;
                const auto bit = static_cast<size_t>(y * c.maskRow + x / 8);
                EXPECT_EQ((scaled.mask[bit] & (0x80 >> (x % 8))) != 0, wantMask)
                    << c.size << ": " << x << "," << y;
                EXPECT_EQ(scaled.colour[static_cast<size_t>(y * c.colourRow + x)], wantColour)
                    << c.size << ": " << x << "," << y;
            }
            for (int x = c.size; x < c.maskRow * 8; ++x) // the padding stays clear
                EXPECT_EQ(
                    scaled.mask[static_cast<size_t>(y * c.maskRow + x / 8)] & (0x80 >> (x % 8)), 0);
        }
    }
    // The corners, spelled out at 48: the outgoing pixel top left, the incoming bottom right.
    const ScaledRaster big = ScaleRaster(raster, 48);
    EXPECT_EQ(big.colour[0], 0xFE);
    EXPECT_EQ(big.colour[2 * 48 + 2], 0xFE);
    EXPECT_EQ(big.colour[3 * 48 + 3], 0) << "the next block";
    EXPECT_EQ(big.colour[47 * 48 + 47], 0xFD);
    EXPECT_EQ(big.colour[45 * 48 + 45], 0xFD);
    EXPECT_EQ(big.mask[0], 0xE0);
}

} // namespace
} // namespace kestrel
