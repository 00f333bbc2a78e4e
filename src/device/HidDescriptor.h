#pragma once
// A HID report descriptor parser: enough of the HID item grammar to give what the
// link needs of one top-level collection (its usage page and usage, the report lengths
// the way the HID class reports them, and the input data items).

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace t44::device {

// One input main item (a run of `count` fields of `size` bits) of the collection.
struct HidField {
    uint8_t reportId = 0;
    uint32_t bitOffset = 0;  // from the first data byte, after the report id byte
    uint32_t bitSize = 0;
    uint32_t count = 0;
    bool isArray = false;     // an array of usage indexes rather than one field per usage
    bool isConstant = false;  // padding
    uint16_t usagePage = 0;
    std::vector<uint16_t> usages;  // explicit usages, in order
    bool isRange = false;
    uint16_t usageMin = 0, usageMax = 0;
    int32_t logicalMin = 0, logicalMax = 0;
    int32_t physicalMin = 0, physicalMax = 0;

    // A field is a button when it is an array or one bit wide, as the HID class
    // driver sorts its capabilities.
    bool isButton() const { return isArray || bitSize == 1; }
};

struct HidCollectionInfo {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    bool usesReportIds = false;
    // Lengths include the report id byte (0 when the device uses no ids), the way the
    // HID class gives them; 0 when the collection has no report of that kind.
    uint16_t inputReportByteLength = 0;
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;
    std::vector<HidField> inputs;  // non-constant input fields
};

// Parses the first top-level collection of `descriptor`; nullopt when the bytes are
// not a well-formed descriptor.
std::optional<HidCollectionInfo> parseReportDescriptor(std::span<const uint8_t> descriptor);

}  // namespace t44::device
