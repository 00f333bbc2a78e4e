// The HID side of the link over fixture trees: descriptor parsing, enumeration of a
// sysfs hidraw tree, the keyboard search and input report parsing.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Descriptors.h"
#include "device/DeviceLink.h"
#include "device/HidDescriptor.h"
#include "support/VirtualKeyboard.h"

using namespace t44;
using device::DeviceLink;
using device::HidRoots;

namespace {

const std::string kFixture = std::string(T44_SOURCE_DIR) + "/tests/fixtures/hidraw";

std::vector<uint8_t> fileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

HidRoots fixtureRoots() { return {kFixture + "/sys", kFixture + "/dev"}; }

}  // namespace

TEST(HidDescriptor, fixture_descriptors_are_the_virtual_keyboards_own) {
    EXPECT_EQ(fileBytes(kFixture + "/sys/class/hidraw/hidraw0/device/report_descriptor"),
              sim::commandReportDescriptor());
    EXPECT_EQ(fileBytes(kFixture + "/sys/class/hidraw/hidraw1/device/report_descriptor"),
              sim::eventReportDescriptor());
}

TEST(HidDescriptor, parses_collections_and_report_lengths) {
    struct Case {
        std::string file;
        uint16_t page, usage, inLen, outLen;
        bool ids;
    } cases[] = {
        {"hidraw0", 0xFF1C, 0x0092, 64, 64, true},
        {"hidraw1", 0x000C, 0x0001, 3, 0, true},
        {"hidraw2", 0x0001, 0x0002, 4, 0, false},  // 3 buttons + padding + x, y: 3 bytes + id byte
    };
    for (const auto &c : cases) {
        auto bytes = fileBytes(kFixture + "/sys/class/hidraw/" + c.file + "/device/report_descriptor");
        auto info = device::parseReportDescriptor(bytes);
        ASSERT_TRUE(info) << c.file;
        EXPECT_EQ(info->usagePage, c.page) << c.file;
        EXPECT_EQ(info->usage, c.usage) << c.file;
        EXPECT_EQ(info->inputReportByteLength, c.inLen) << c.file;
        EXPECT_EQ(info->outputReportByteLength, c.outLen) << c.file;
        EXPECT_EQ(info->usesReportIds, c.ids) << c.file;
    }
}

TEST(HidDescriptor, rejects_malformed_descriptors) {
    const std::vector<std::vector<uint8_t>> bad = {
        {},                                    // nothing
        {0x05, 0x0C, 0x09, 0x01},              // no collection
        {0x06, 0x1C},                          // item cut short
        {0xC0},                                // end without collection
        {0x05, 0x0C, 0x85, 0x00, 0xA1, 0x01},  // report id 0
        {0xB4},                                // pop without push
    };
    for (const auto &d : bad) EXPECT_FALSE(device::parseReportDescriptor(d)) << d.size();
}

TEST(HidEnumeration, lists_fixture_nodes_in_order_with_their_ids) {
    DeviceLink link(fixtureRoots());
    ASSERT_TRUE(link.enumerate());
    std::vector<std::string> paths;
    while (auto p = link.nextPath()) paths.push_back(*p);
    EXPECT_EQ(paths, (std::vector<std::string>{kFixture + "/dev/hidraw0?vid_0c45&pid_5004",
                                               kFixture + "/dev/hidraw1?vid_0c45&pid_5004",
                                               kFixture + "/dev/hidraw2?vid_046d&pid_c077"}));
    EXPECT_FALSE(link.nextPath());
}

TEST(HidEnumeration, empty_or_missing_tree_is_an_empty_list) {
    test::TempDir tmp;
    DeviceLink link(HidRoots::virtualDir(tmp.path()));
    EXPECT_TRUE(link.enumerate());
    EXPECT_FALSE(link.nextPath());
}

TEST(HidEnumeration, many_nodes_keep_numeric_order) {
    test::TempDir tmp;
    const HidRoots roots = HidRoots::virtualDir(tmp.path());
    const int order[] = {10, 2, 0, 11, 1, 9, 3, 8, 4, 7, 5, 6};
    for (int n : order)
        ASSERT_TRUE(sim::writeSysfsEntry(roots.sysfs, "hidraw" + std::to_string(n), sim::eventReportDescriptor(), "k"));
    DeviceLink link(roots);
    ASSERT_TRUE(link.enumerate());
    for (int n = 0; n < 12; ++n) {
        auto p = link.nextPath();
        ASSERT_TRUE(p);
        EXPECT_EQ(DeviceLink::nodeName(*p), "hidraw" + std::to_string(n));
    }
}

TEST(HidEnumeration, finds_both_keyboard_interfaces_in_fixture) {
    DeviceLink link(fixtureRoots());
    ASSERT_TRUE(device::findKeyboardInterface(link, device::KeyboardInterface::Command));
    EXPECT_EQ(DeviceLink::nodeName(link.devicePath()), "hidraw0");
    EXPECT_EQ(link.caps().InputReportByteLength, 64);
    ASSERT_TRUE(device::findKeyboardInterface(link, device::KeyboardInterface::Event));
    EXPECT_EQ(DeviceLink::nodeName(link.devicePath()), "hidraw1");
    EXPECT_EQ(link.attributes().VendorID, 0x0C45);
    EXPECT_EQ(link.attributes().ProductID, 0x5004);
    EXPECT_EQ(link.pathCount(), 0u);  // the search frees its list
}

TEST(HidEnumeration, vanished_path_fails_to_open_and_leaves_link_closed) {
    DeviceLink link(fixtureRoots());
    EXPECT_FALSE(link.open(kFixture + "/dev/hidraw9?vid_0c45&pid_5004", true, true, true, false));
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.close());
}

TEST(HidEnumeration, id_filter_reads_hex_after_tags_ignoring_case) {
    EXPECT_EQ(device::hexAfterTag("/x/HID#VID_0C45&PID_5004&MI_01", "vid_"), 0x0C45u);
    EXPECT_EQ(device::hexAfterTag("/x/hid#vid_0c45&pid_5004z", "pid_"), 0x5004u);
    EXPECT_EQ(device::hexAfterTag("/dev/hidraw0", "vid_"), 0u);
}

TEST(HidInputReport, event_report_gives_its_usage_and_unknown_ids_change_nothing) {
    DeviceLink link(fixtureRoots());
    ASSERT_TRUE(device::findKeyboardInterface(link, device::KeyboardInterface::Event));
    auto &items = link.inputItems();
    ASSERT_EQ(items.size(), 1u);
    ASSERT_TRUE(items[0].isButton);
    EXPECT_EQ(items[0].maxUsages, 1u);

    auto &report = link.inputReport();
    ASSERT_EQ(report.size(), 3u);
    report = {3, 0x11, 0x18};
    ASSERT_TRUE(link.parseInputReport(3));
    EXPECT_TRUE(items[0].isSet);
    EXPECT_EQ(items[0].usages[0], 0x1811);

    items[0].isSet = false;
    report = {7, 0x01, 0x04};  // no item lives in report 7
    EXPECT_TRUE(link.parseInputReport(3));
    EXPECT_FALSE(items[0].isSet);
    EXPECT_EQ(items[0].usages[0], 0x1811);

    report = {3, 0x00, 0x00};  // the null value: no usage on
    ASSERT_TRUE(link.parseInputReport(3));
    EXPECT_EQ(items[0].usages[0], 0);
}

TEST(HidInputReport, value_items_of_a_mouse_read_signed_values) {
    DeviceLink link(fixtureRoots());
    ASSERT_TRUE(link.open(kFixture + "/dev/hidraw2", true, false, true, false));
    auto &items = link.inputItems();
    ASSERT_EQ(items.size(), 3u);  // buttons, then X and Y
    link.inputReport() = {0, 0x05, 0x10, 0xF0};
    ASSERT_TRUE(link.parseInputReport(4));
    EXPECT_EQ(items[0].usages[0], 1);
    EXPECT_EQ(items[0].usages[1], 3);
    EXPECT_EQ(items[0].usages[2], 0);
    EXPECT_EQ(items[1].usage, 0x30);
    EXPECT_EQ(items[1].value, 0x10u);
    EXPECT_EQ(items[2].value, 0xF0u);
}
