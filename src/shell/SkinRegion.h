#pragma once
// The shape of a skinned window or button from a mask picture: every pixel that is not
// the transparent colour belongs to the shape. A pixel is transparent when each of its
// red, green and blue channels lies between the transparent colour's channel and that
// channel plus the tolerance (capped at 255). The shape is gathered row by row as maximal
// runs of shape pixels; rows with the same runs are joined into one band, so the
// rectangles come out sorted by y, then x, without overlaps.

#include <cstdint>
#include <vector>

namespace t44::shell {

struct RegionRect {
    int x0, y0, x1, y1;  // half-open: x0 <= x < x1, y0 <= y < y1
    bool operator==(const RegionRect &) const = default;
};

// `pixels` holds `height` rows of `width` 0xAARRGGBB values, `stride` values apart.
// `transparent` is 0xRRGGBB. White (0xFFFFFF) with tolerance 0 is what the skins use.
std::vector<RegionRect> maskRegion(const uint32_t *pixels, int width, int height, int stride,
                                   uint32_t transparent = 0xFFFFFF, int tolerance = 0);

}  // namespace t44::shell
