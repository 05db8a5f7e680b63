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

} // namespace
} // namespace kestrel
