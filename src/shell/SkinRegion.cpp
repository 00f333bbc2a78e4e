#include "shell/SkinRegion.h"

#include <algorithm>

namespace t44::shell {
namespace {

struct Range {
    uint8_t lo[3], hi[3];
};

bool transparentPixel(uint32_t p, const Range &r) {
    const uint8_t c[3] = {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
    for (int i = 0; i < 3; ++i)
        if (c[i] < r.lo[i] || c[i] > r.hi[i]) return false;
    return true;
}

}  // namespace

std::vector<RegionRect> maskRegion(const uint32_t *pixels, int width, int height, int stride, uint32_t transparent,
                                   int tolerance) {
    std::vector<RegionRect> out;
    if (!pixels || width <= 0 || height <= 0 || stride < width) return out;
    tolerance = std::clamp(tolerance, 0, 255);
    Range range{};
    for (int i = 0; i < 3; ++i) {
        const int c = static_cast<int>((transparent >> (16 - 8 * i)) & 0xFF);
        range.lo[i] = static_cast<uint8_t>(c);
        range.hi[i] = static_cast<uint8_t>(std::min(255, c + tolerance));
    }
    // The runs of the band being built start at out[bandStart].
    size_t bandStart = 0;
    std::vector<std::pair<int, int>> runs, previous;
    for (int y = 0; y < height; ++y) {
        const uint32_t *row = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride);
        runs.clear();
        for (int x = 0; x < width;) {
            if (transparentPixel(row[x], range)) {
                ++x;
                continue;
            }
            const int x0 = x;
            while (x < width && !transparentPixel(row[x], range)) ++x;
            runs.emplace_back(x0, x);
        }
        if (!runs.empty() && runs == previous && y > 0) {
            for (size_t i = bandStart; i < out.size(); ++i) out[i].y1 = y + 1;
        } else {
            bandStart = out.size();
            for (const auto &[x0, x1] : runs) out.push_back({x0, y, x1, y + 1});
        }
        previous.swap(runs);
    }
    return out;
}

}  // namespace t44::shell
