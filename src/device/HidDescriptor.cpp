#include "device/HidDescriptor.h"

#include <map>

namespace t44::device {
namespace {

struct Globals {
    uint16_t usagePage = 0;
    int32_t logicalMin = 0, logicalMax = 0;
    int32_t physicalMin = 0, physicalMax = 0;
    uint32_t reportSize = 0, reportCount = 0;
    uint8_t reportId = 0;
};

struct Locals {
    std::vector<uint32_t> usages;  // may carry a page in the high 16 bits
    bool haveMin = false, haveMax = false;
    uint32_t usageMin = 0, usageMax = 0;
    void clear() { *this = Locals{}; }
};

int32_t signExtend(uint32_t v, size_t bytes) {
    if (bytes == 1) return static_cast<int8_t>(v);
    if (bytes == 2) return static_cast<int16_t>(v);
    return static_cast<int32_t>(v);
}

// The HID class counts one byte for the report id whether or not the device uses ids.
uint16_t lengthInBytes(uint32_t bits) {
    if (bits == 0) return 0;
    return static_cast<uint16_t>((bits + 7) / 8 + 1);
}

}  // namespace

std::optional<HidCollectionInfo> parseReportDescriptor(std::span<const uint8_t> d) {
    HidCollectionInfo info;
    Globals g;
    std::vector<Globals> stack;
    Locals l;
    int depth = 0;
    bool sawCollection = false;
    bool closed = false;
    // Bit lengths per report id and kind (0 input, 1 output, 2 feature).
    std::map<uint8_t, uint32_t> bits[3];

    size_t i = 0;
    while (i < d.size() && !closed) {
        uint8_t prefix = d[i];
        if (prefix == 0xFE) {  // long item: skip it whole
            if (i + 2 >= d.size()) return std::nullopt;
            i += 3 + d[i + 1];
            continue;
        }
        size_t n = prefix & 3;
        if (n == 3) n = 4;
        if (i + 1 + n > d.size()) return std::nullopt;
        uint32_t v = 0;
        for (size_t b = 0; b < n; ++b) v |= uint32_t(d[i + 1 + b]) << (8 * b);
        uint8_t type = (prefix >> 2) & 3, tag = prefix >> 4;
        i += 1 + n;

        if (type == 0) {  // main
            switch (tag) {
            case 0x8: case 0x9: case 0xB: {  // input, output, feature
                int kind = tag == 0x8 ? 0 : tag == 0x9 ? 1 : 2;
                uint32_t &at = bits[kind][g.reportId];
                if (kind == 0 && depth > 0 && !(v & 1)) {
                    HidField f;
                    f.reportId = g.reportId;
                    f.bitOffset = at;
                    f.bitSize = g.reportSize;
                    f.count = g.reportCount;
                    f.isArray = !(v & 2);
                    f.usagePage = g.usagePage;
                    f.logicalMin = g.logicalMin;
                    f.logicalMax = g.logicalMax;
                    f.physicalMin = g.physicalMin;
                    f.physicalMax = g.physicalMax;
                    if (l.haveMin && l.haveMax) {
                        f.isRange = true;
                        f.usageMin = static_cast<uint16_t>(l.usageMin);
                        f.usageMax = static_cast<uint16_t>(l.usageMax);
                    }
                    for (uint32_t u : l.usages) f.usages.push_back(static_cast<uint16_t>(u));
                    if (!f.isRange && !f.usages.empty()) f.usageMin = f.usageMax = f.usages.front();
                    info.inputs.push_back(std::move(f));
                }
                uint64_t add = uint64_t(g.reportSize) * g.reportCount;
                if (add > 0xFFFF * 8) return std::nullopt;
                at += static_cast<uint32_t>(add);
                break;
            }
            case 0xA:  // collection
                if (depth == 0) {
                    if (sawCollection) { closed = true; break; }
                    sawCollection = true;
                    info.usagePage = g.usagePage;
                    uint32_t u = l.usages.empty() ? 0 : l.usages.front();
                    if (u > 0xFFFF) info.usagePage = static_cast<uint16_t>(u >> 16);
                    info.usage = static_cast<uint16_t>(u);
                }
                ++depth;
                break;
            case 0xC:  // end collection
                if (depth == 0) return std::nullopt;
                --depth;
                break;
            default:
                return std::nullopt;
            }
            l.clear();
        } else if (type == 1) {  // global
            switch (tag) {
            case 0x0: g.usagePage = static_cast<uint16_t>(v); break;
            case 0x1: g.logicalMin = signExtend(v, n); break;
            case 0x2: g.logicalMax = (g.logicalMin < 0) ? signExtend(v, n) : static_cast<int32_t>(v); break;
            case 0x3: g.physicalMin = signExtend(v, n); break;
            case 0x4: g.physicalMax = signExtend(v, n); break;
            case 0x7: g.reportSize = v; break;
            case 0x8:
                if (v == 0 || v > 0xFF) return std::nullopt;
                g.reportId = static_cast<uint8_t>(v);
                info.usesReportIds = true;
                break;
            case 0x9: g.reportCount = v; break;
            case 0xA: stack.push_back(g); break;
            case 0xB:
                if (stack.empty()) return std::nullopt;
                g = stack.back();
                stack.pop_back();
                break;
            default: break;  // unit, exponent: not needed
            }
            if (g.reportSize > 32 || g.reportCount > 0xFFFF) return std::nullopt;
        } else if (type == 2) {  // local
            switch (tag) {
            case 0x0: l.usages.push_back(v); break;
            case 0x1: l.usageMin = v; l.haveMin = true; break;
            case 0x2: l.usageMax = v; l.haveMax = true; break;
            default: break;
            }
        }
    }
    if (!sawCollection) return std::nullopt;

    auto longest = [&](int kind) {
        uint32_t best = 0;
        for (auto &[id, b] : bits[kind]) best = std::max(best, b);
        return lengthInBytes(best);
    };
    info.inputReportByteLength = longest(0);
    info.outputReportByteLength = longest(1);
    info.featureReportByteLength = longest(2);
    return info;
}

}  // namespace t44::device
