#include "platform/IconImages.h"

#include <array>

namespace amiga {
namespace {

// Pixel art for the default icons, 32 pixels wide like the Workbench ones.
constexpr std::array<std::string_view, 16> kDrawerArt = {
    "................................", "....############................",
    "...#oooooooooooo#...............", "..#oooooooooooooo#############..",
    "..#ooooooooooooooooooooooooo**#.", "..#o************************#.#.",
    "..#o*......................*#.#.", "..#o*......................*#.#.",
    "..#o*.........######.......*#.#.", "..#o*.........#oooo#.......*#.#.",
    "..#o*.........######.......*#.#.", "..#o*......................*#.#.",
    "..#o************************#.#.", "..#oooooooooooooooooooooooooo##.",
    "..############################..", "................................",
};

constexpr std::array<std::string_view, 18> kDiskArt = {
    "................................", "..##########################....",
    "..#**#oooooooooooooooooo#**##...", "..#**#oooooooooooooooooo#***#...",
    "..#**#oooooooooooooooooo#***#...", "..#**#oooooooooooooooooo#***#...",
    "..#**####################***#...", "..#*************************#...",
    "..#*************************#...", "..#****################*****#...",
    "..#****#..............#*****#...", "..#****#..######......#*****#...",
    "..#****#..######......#*****#...", "..#****#..######......#*****#...",
    "..#****#..............#*****#...", "..#****################*****#...",
    "..###########################...", "................................",
};

constexpr std::array<std::string_view, 18> kToolArt = {
    "................................", ".............####...............",
    "............#oooo#..............", "...........#oo##oo#.............",
    "...........#o#..#o#.............", "...........#o#..#o#.............",
    "............#o##o#..............", ".............#oo#...............",
    ".............#**#...............", ".............#**#...............",
    ".............#**#...............", ".............#**#...............",
    "............#****#..............", "............#****#..............",
    "............#****#..............", ".............#**#...............",
    "..............##................", "................................",
};

constexpr std::array<std::string_view, 20> kProjectArt = {
    "................................", ".......################.........",
    ".......#oooooooooooooo##........", ".......#oooooooooooooo#o#.......",
    ".......#oo#########ooo#oo#......", ".......#oooooooooooooo#####.....",
    ".......#oo############oooo#.....", ".......#oooooooooooooooooo#.....",
    ".......#oo##############oo#.....", ".......#oooooooooooooooooo#.....",
    ".......#oo##########oooooo#.....", ".......#oooooooooooooooooo#.....",
    ".......#oo**************oo#.....", ".......#oo**************oo#.....",
    ".......#oo**************oo#.....", ".......#oooooooooooooooooo#.....",
    ".......#oo############oooo#.....", ".......#oooooooooooooooooo#.....",
    ".......####################.....", "................................",
};

constexpr std::array<std::string_view, 20> kGarbageArt = {
    "................................", "..............####..............",
    ".........#############..........", "........#ooooooooooooo#.........",
    "........###############.........", ".........#o*o*o*o*o*o#..........",
    ".........#o*o*o*o*o*o#..........", ".........#o*o*o*o*o*o#..........",
    ".........#o*o*o*o*o*o#..........", ".........#o*o*o*o*o*o#..........",
    ".........#o*o*o*o*o*o#..........", ".........#o*o*o*o*o*o#..........",
    ".........#o*o*o*o*o*o#..........", ".........#o*o*o*o*o*o#..........",
    ".........#o*o*o*o*o*o#..........", ".........#o*o*o*o*o*o#..........",
    "..........#o*o*o*o*o#...........", "..........###########...........",
    "................................", "................................",
};

constexpr std::array<std::string_view, 16> kKickArt = {
    "................................", "..##########################....",
    "..#**#oooooooooooooooooo#**##...", "..#**#oo#oo#oooooooooooo#***#...",
    "..#**#oo#o#ooooooooooooo#***#...", "..#**#oo##oooooooooooooo#***#...",
    "..#**#oo#o#ooooooooooooo#***#...", "..#**#oo#oo#oooooooooooo#***#...",
    "..#**####################***#...", "..#*************************#...",
    "..#****################*****#...", "..#****#..######......#*****#...",
    "..#****#..######......#*****#...", "..#****################*****#...",
    "..###########################...", "................................",
};

template <std::size_t N>
IconImage FromArt(const std::array<std::string_view, N>& art) {
    return ImageFromArt(art.data(), art.size());
}

}  // namespace

IconImage ImageFromArt(const std::string_view* rows, std::size_t rowCount) {
    IconImage image;
    const int width = rowCount == 0 ? 0 : static_cast<int>(rows[0].size());
    image.width = static_cast<std::int16_t>(width);
    image.height = static_cast<std::int16_t>(rowCount);
    image.depth = 2;
    image.planePick = 3;
    image.planeOnOff = 0;
    const std::size_t rowBytes = IconImage::RowBytes(width);
    const std::size_t planeSize = rowBytes * rowCount;
    image.planes.assign(planeSize * 2, '\0');
    for (std::size_t y = 0; y < rowCount; ++y) {
        for (std::size_t x = 0; x < rows[y].size() && x < static_cast<std::size_t>(width); ++x) {
            int colour = 0;
            switch (rows[y][x]) {
                case '#':
                    colour = 1;
                    break;
                case 'o':
                    colour = 2;
                    break;
                case '*':
                    colour = 3;
                    break;
                default:
                    break;
            }
            const std::size_t byte = y * rowBytes + x / 8;
            const auto bit = static_cast<char>(0x80 >> (x % 8));
            for (int plane = 0; plane < 2; ++plane) {
                if ((colour >> plane) & 1) {
                    image.planes[static_cast<std::size_t>(plane) * planeSize + byte] |= bit;
                }
            }
        }
    }
    return image;
}

IconImage DefaultIconImage(std::uint8_t type) {
    switch (type) {
        case WBDISK:
        case WBDEVICE:
            return FromArt(kDiskArt);
        case WBDRAWER:
            return FromArt(kDrawerArt);
        case WBTOOL:
        case WBAPPICON:
            return FromArt(kToolArt);
        case WBGARBAGE:
            return FromArt(kGarbageArt);
        case WBKICK:
            return FromArt(kKickArt);
        default:
            return FromArt(kProjectArt);
    }
}

}  // namespace amiga
