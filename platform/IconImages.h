#pragma once
// The pictures of the default icons (GetDefDiskObject): two-plane images in
// the Workbench 2 palette (0 grey, 1 black, 2 white, 3 blue).

#include <cstdint>
#include <string_view>

#include "platform/Icon.h"

namespace amiga {

// The default image for an icon type (WBDISK..WBAPPICON; others get the
// project picture).
IconImage DefaultIconImage(std::uint8_t type);

// Builds a planar image from rows of pixel characters: '.' colour 0, '#' 1,
// 'o' 2, '*' 3. All rows must be as long as the first. Depth 2, PlanePick 3.
IconImage ImageFromArt(const std::string_view* rows, std::size_t rowCount);

}  // namespace amiga
