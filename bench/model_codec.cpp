// What Apply and the keyboard read cost in encoding alone: three key matrices (every
// key assigned) and a full macro area (100 macros, 2000 actions, named), encoded and
// decoded. The same run times copying the snapshot's bytes once as a yardstick, so the
// ratio says how far the codec is from a plain copy of the same data.

#include <benchmark/benchmark.h>

#include <cstring>

#include "Keyboard.h"
#include "model/KeyMatrix.h"
#include "model/Macros.h"

using namespace t44;
using namespace t44::model;

namespace {

KeyMatrixBlock factoryMatrix() {
    KeyMatrixBlock m;
    std::copy(sim::factoryDefaultMatrix().begin(), sim::factoryDefaultMatrix().end(), m.begin());
    return m;
}

// 100 macros of 20 actions each, with 20-character names: 8616 bytes without names,
// 12616 with them, well inside the largest macro area (32640 bytes).
MacroList fullMacroList() {
    MacroList list(kMaxMacros);
    for (size_t i = 0; i < list.size(); ++i) {
        MacroRecord &m = list[i];
        m.id = static_cast<uint16_t>(kMaxMacros - i);
        m.setName(std::u16string(20, static_cast<char16_t>(u'a' + i % 26)));
        m.actionCount = 20;
        for (size_t j = 0; j < 20; ++j)
            m.actions[j] = {static_cast<uint32_t>(10 * (i + j)), AssignKeyList[(i + j) % kAssignKeyCount],
                            static_cast<uint16_t>(j % 2)};
    }
    return list;
}

// Three profiles with every key given something: each assignment type in turn.
AssignmentTable busyTable(const KeyMatrixBlock &defaults) {
    AssignmentTable t;
    for (int p = 0; p < 3; ++p) {
        ResetAssignmentBlock(t.block(p));
        for (size_t pos = 0; pos < kMatrixPositions; ++pos) {
            const uint16_t index = KeyTableIndexOf(KeyCodeOfEntry(entryAt(defaults, pos)));
            if (index == 0) continue;
            const auto type = static_cast<AssignmentType>((pos + static_cast<size_t>(p)) % 9);
            uint32_t code = 0;
            if (type == AssignmentType::Key) code = AssignKeyList[pos % kAssignKeyCount];
            else if (type == AssignmentType::Macro) code = static_cast<uint32_t>(pos % 100 + 1);
            else if (type == AssignmentType::Multimedia) code = static_cast<uint32_t>(pos % kConsumerKeyCount);
            else if (type == AssignmentType::Function) code = static_cast<uint32_t>(pos % 11);
            t.block(p)[index].assign(type, code);
        }
    }
    return t;
}

void BM_EncodeThreeMatrices(benchmark::State &state) {
    const KeyMatrixBlock defaults = factoryMatrix();
    const MacroList macros = fullMacroList();
    const AssignmentTable table = busyTable(defaults);
    for (auto _ : state)
        for (int p = 0; p < 3; ++p) benchmark::DoNotOptimize(EncodeKeyMatrix(table.block(p), defaults, macros));
}
BENCHMARK(BM_EncodeThreeMatrices);

void BM_DecodeThreeMatrices(benchmark::State &state) {
    const KeyMatrixBlock defaults = factoryMatrix();
    const AssignmentTable table = busyTable(defaults);
    KeyMatrixBlock matrices[3];
    for (int p = 0; p < 3; ++p) matrices[p] = EncodeKeyMatrix(table.block(p), defaults, fullMacroList());
    AssignmentTable out;
    for (auto _ : state) {
        for (int p = 0; p < 3; ++p) DecodeKeyMatrix(matrices[p], defaults, out.block(p));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeThreeMatrices);

void BM_EncodeMacroArea(benchmark::State &state) {
    const MacroList macros = fullMacroList();
    size_t bytes = 0;
    for (auto _ : state) {
        const auto image = encodeMacroArea(macros, true);
        bytes = image.size();
        benchmark::DoNotOptimize(image.data());
    }
    state.counters["image_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeMacroArea);

void BM_DecodeMacroArea(benchmark::State &state) {
    const auto image = encodeMacroArea(fullMacroList(), true);
    for (auto _ : state) {
        MacroList list = decodeMacroArea(image, u"Macro");
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_DecodeMacroArea);

// The yardstick: copying the records Apply freezes (the 100 macro records and the
// 32832-byte assignment table), as the snapshot does.
void BM_CopySnapshotBytes(benchmark::State &state) {
    const MacroList macros = fullMacroList();
    const AssignmentTable table = busyTable(factoryMatrix());
    for (auto _ : state) {
        MacroList copy = macros;
        AssignmentTable t = table;
        benchmark::DoNotOptimize(copy.data());
        benchmark::DoNotOptimize(t.bytes());
    }
}
BENCHMARK(BM_CopySnapshotBytes);

}  // namespace

BENCHMARK_MAIN();
