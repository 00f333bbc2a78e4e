// The configuration image without a keyboard: the byte layout of the AssignmentTable and
// its header, the working model's accessors, the snapshot, the device facts and the
// sink the presence monitor fills them through.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "device/DeviceFacts.h"
#include "model/ConfigImage.h"

using namespace t44;
using namespace t44::model;

namespace {

class ConfigImageTest : public ::testing::Test {
protected:
    void SetUp() override { configImage().reset(); }
    void TearDown() override {
        configImage().reset();
        device::setDeviceFactsSink(nullptr);
    }
};

uint32_t get32(const uint8_t *p) { return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24); }

MacroRecord macroWithId(uint16_t id, uint16_t actions = 0) {
    MacroRecord m;
    m.id = id;
    m.actionCount = actions;
    return m;
}

}  // namespace

TEST_F(ConfigImageTest, records_sit_at_their_index_rule_offsets_little_endian) {
    AssignmentTable table{};
    KeyAssignment &r = table.record(2, KeyTableIndexOf(0x11D));
    r.assign(AssignmentType::Key, 0x138, 0x1234);
    r.selected = 1;
    const size_t at = recordOffset(2, 157);
    EXPECT_EQ(at, 64u + (2 * 512 + 157) * 16);
    EXPECT_EQ(recordNumber(2, 157), 1181u);
    const uint8_t expected[16] = {0x02, 0x00, 0x34, 0x12, 0x38, 0x01, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(table.bytes() + at, expected, 16));
    EXPECT_EQ(&table.block(1)[3], &table.records[515]);
    EXPECT_EQ(AssignmentTable::size(), 32832u);
}

TEST_F(ConfigImageTest, empty_profile_has_its_header_device_block_and_g_labels) {
    AssignmentTable table;
    table.records[7].type = 3;
    makeEmptyAssignmentTable(table);
    const uint8_t header[32] = {0x46, 0x44, 0x20, 0x00, 0x03, 0x00, 0x01, 0x00, 0x40, 0x80, 0x00,
                                0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(table.bytes(), header, 31));
    EXPECT_EQ(table.header[31], profileHeaderChecksum(table.header.data()));
    EXPECT_EQ(0, std::memcmp(table.bytes() + 32, kProfileDeviceBlock.data(), 32));
    for (size_t n = 0; n < kAssignmentRecords; ++n) {
        const KeyAssignment &r = table.records[n];
        EXPECT_EQ(r.type, 0) << n;
        EXPECT_EQ(r.aux, n < kRecordsPerBlock ? GKeyLabel(n) : 0) << n;  // labels on profile 1 only
    }

    writeProfileHeader(table, 2, 10);
    EXPECT_EQ(get32(table.bytes() + 8), 32832u + 2 * 16512 + 10);
    EXPECT_EQ(table.header[14], 2);
    EXPECT_EQ(get32(table.bytes() + 16), 10u);
    EXPECT_EQ(table.header[31], profileHeaderChecksum(table.header.data()));
}

TEST_F(ConfigImageTest, macro_lookups_by_id_and_position) {
    ConfigImage &image = configImage();
    EXPECT_EQ(image.macroIdAt(0), 0);
    image.model()->macros = {macroWithId(5), macroWithId(8), macroWithId(5)};
    struct Case {
        int position;
        uint16_t id;
    } ids[] = {{0, 5}, {1, 8}, {2, 5}, {-1, 0}, {3, 0}, {1000, 0}};
    for (const auto &c : ids) EXPECT_EQ(image.macroIdAt(c.position), c.id) << c.position;
    EXPECT_EQ(image.macroPositionOfId(8), 1);
    EXPECT_EQ(image.macroPositionOfId(5), 0);
    EXPECT_EQ(image.macroPositionOfId(0x50008), 1);
    EXPECT_EQ(image.macroPositionOfId(42), 0);
}

TEST_F(ConfigImageTest, text_table_keeps_sizes_and_their_total) {
    TextTable texts;
    texts.set(3, u"ab");
    texts.set(9, u"");
    EXPECT_EQ(texts[3].size, 6u);
    EXPECT_EQ(texts[9].size, 2u);  // an empty text is still a text
    EXPECT_TRUE(texts.hasText(9));
    EXPECT_FALSE(texts.hasText(4));
    EXPECT_EQ(texts.totalSize(), 8u);
    texts.set(3, u"abcd");
    EXPECT_EQ(texts.totalSize(), 12u);
    texts.clear(9);
    EXPECT_EQ(texts.totalSize(), 10u);
    texts.clearAll();
    EXPECT_EQ(texts.totalSize(), 0u);
    EXPECT_FALSE(texts.hasText(3));
}

TEST_F(ConfigImageTest, snapshot_is_a_frozen_copy_with_an_updated_header) {
    ConfigImage &image = configImage();
    EXPECT_FALSE(image.takeSnapshot()) << "no working table yet";

    image.resetWorkingToEmptyProfile();
    {
        auto m = image.model();
        m->assignments->record(0, 0x1E).assign(AssignmentType::Macro, 2);
        m->macros = {macroWithId(1, 3), macroWithId(2)};
        m->texts.set(recordNumber(1, 0x10), u"notepad");
    }
    ASSERT_TRUE(image.takeSnapshot());
    {
        auto m = image.model();
        m->assignments->record(0, 0x1E).assign(AssignmentType::Disabled, 0);
        m->macros.clear();
    }
    {
        auto s = image.snapshot();
        EXPECT_EQ(s->assignments->record(0, 0x1E).kind(), AssignmentType::Macro);
        EXPECT_EQ(s->macros.size(), 2u);
        const uint8_t *h = s->assignments->bytes();
        EXPECT_EQ(h[14], 2);
        EXPECT_EQ(get32(h + 16), 16u);
        EXPECT_EQ(get32(h + 8), 32832u + 2 * 16512 + 16);
        EXPECT_EQ(h[31], profileHeaderChecksum(h));
    }
    const MacroAreaSizes sizes = image.snapshotMacroAreaSizes();
    EXPECT_EQ(sizes.minimal, 16u + 4 + 4 + 12 + 4);
    EXPECT_EQ(image.encodeSnapshotMacroArea(false).size(), sizes.minimal);

    KeyMatrixBlock matrix;
    ASSERT_TRUE(image.encodeSnapshotKeyMatrix(0, matrix));
    EXPECT_EQ(entryAt(matrix, 19), (MatrixEntry{5, 1, 1}));  // A plays the macro at position 1
    EXPECT_FALSE(image.encodeSnapshotKeyMatrix(3, matrix));

    image.freeAssignmentTable(Layer::Snapshot);
    EXPECT_FALSE(image.encodeSnapshotKeyMatrix(0, matrix));
    image.freeMacroList(Layer::Snapshot);
    EXPECT_EQ(image.snapshotMacroAreaSizes().minimal, 16u);
    image.freeTextTable(Layer::Working);
    EXPECT_EQ(image.model()->texts.totalSize(), 0u);
    EXPECT_TRUE(image.model()->assignments) << "freeing the texts keeps the table";
}

TEST_F(ConfigImageTest, locks_are_reentrant_and_taken_model_first) {
    ConfigImage &image = configImage();
    image.resetWorkingToEmptyProfile();
    auto m = image.model();
    auto again = image.model();
    auto s = image.snapshot();
    EXPECT_TRUE(image.takeSnapshot());  // takes both again on this thread
    EXPECT_EQ(image.macroPositionOfId(1), 0);
}

TEST_F(ConfigImageTest, device_facts_arrive_through_the_sink) {
    ConfigImage &image = configImage();
    EXPECT_EQ(image.defaultMatrix(), kInitialDefaultMatrix);
    EXPECT_EQ(image.macroCapacity(), 0u);
    EXPECT_EQ(image.activeProfileCache(), -1);

    device::DeviceFactsSink *before = device::deviceFactsSink();
    installDeviceFactsSink();
    ASSERT_NE(device::deviceFactsSink(), nullptr);
    EXPECT_NE(device::deviceFactsSink(), before);
    KeyMatrixBlock m;
    m.fill(0x42);
    device::deviceFactsSink()->defaultMatrixRead(m.data());
    device::deviceFactsSink()->macroCapacityRead(255 * 128);
    image.setActiveProfileCache(2);
    device::deviceFactsSink()->activeProfileUnknown();
    EXPECT_EQ(image.defaultMatrix(), m);
    EXPECT_EQ(image.macroCapacity(), 255u * 128);
    EXPECT_EQ(image.activeProfileCache(), -1);
}

TEST_F(ConfigImageTest, a_reader_never_sees_a_half_replaced_default_matrix) {
    ConfigImage &image = configImage();
    KeyMatrixBlock a, b;
    a.fill(0x11);
    b.fill(0x22);
    image.setDefaultMatrix(a);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) image.setDefaultMatrix(i % 2 ? a : b);
        done = true;
    });
    int mixed = 0, reads = 0;
    while (!done || reads < 100) {
        const KeyMatrixBlock seen = image.defaultMatrix();
        mixed += seen != a && seen != b;
        ++reads;
    }
    writer.join();
    EXPECT_EQ(mixed, 0);
}
