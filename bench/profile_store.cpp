// Profile files and Apply.
//   BM_SaveProfileFile / BM_LoadProfileFile: a profile of 100 macros of 2000 actions each
//     (1.6 MiB), saved (temporary file, fsync, rename) and loaded.
//   BM_ApplyVersusRaw: writeConfiguration of a macro area of 32640 bytes (the largest the
//     keyboard has) and one key matrix, 2 + 583 + 7 = 592 exchanges, against the virtual
//     keyboard; in the same iteration the same number of raw request/reply exchanges on a
//     socket of the same kind to the same keyboard, and of plain transact() exchanges.
//     The counters give the times and the ratios, with and without the fixed 10 ms pause
//     the protocol makes before the end of a batch: (apply-pause)/transact is what Apply
//     adds to the exchanges, (apply-pause)/raw what it and the protocol layer add.

#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "../tests/support/VirtualKeyboard.h"
#include "device/Protocol.h"
#include "model/Apply.h"
#include "model/ConfigImage.h"
#include "storage/ProfileStore.h"

using namespace t44;
using Clock = std::chrono::steady_clock;

namespace {

model::MacroRecord fullMacro(uint16_t id, uint16_t actions) {
    model::MacroRecord m;
    m.setName(u"benchmark macro");
    m.id = id;
    m.actionCount = actions;
    for (uint16_t i = 0; i < actions; ++i) m.actions[i] = {10u * (i % 100), 0x1E, static_cast<uint16_t>(i % 2)};
    return m;
}

void installLargeModel() {
    model::ProfileImage image;
    image.assignments = std::make_unique<model::AssignmentTable>();
    model::makeEmptyAssignmentTable(*image.assignments);
    for (uint16_t i = 0; i < model::kMaxMacros; ++i) image.macros.push_back(fullMacro(i + 1, 2000));
    image.assignments->record(0, 0x10).assign(model::AssignmentType::TextBlock, 0);
    image.texts.set(model::recordNumber(0, 0x10), u"some text typed by a key");
    model::configImage().replaceWorking(std::move(image));
}

constexpr int64_t kLargeFileBytes = 32832 + 100 * 16512 + 50;

}  // namespace

static void BM_SaveProfileFile(benchmark::State &state) {
    test::TempDir dir;
    installLargeModel();
    const std::string path = dir / "large.fwc";
    for (auto _ : state)
        if (!storage::SaveProfileFile(path)) state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * kLargeFileBytes);
}

static void BM_LoadProfileFile(benchmark::State &state) {
    test::TempDir dir;
    installLargeModel();
    const std::string path = dir / "large.fwc";
    if (!storage::SaveProfileFile(path)) state.SkipWithError("save failed");
    for (auto _ : state)
        if (!storage::LoadProfileFile(path)) state.SkipWithError("load failed");
    state.SetBytesProcessed(state.iterations() * kLargeFileBytes);
}

static void BM_ApplyVersusRaw(benchmark::State &state) {
    test::InProcessKeyboard kb;  // 255 units of 128 bytes: 32640
    kb.server().withKeyboard([](sim::Keyboard &k) { k.closeFrameLog(); return 0; });
    if (!kb.connect()) {
        state.SkipWithError("no keyboard");
        return;
    }
    model::ConfigImage &image = model::configImage();
    image.reset();
    image.setMacroCapacity(255 * 128);
    image.setActiveProfileCache(0);
    {
        // Macros sized so that the image fills the area exactly.
        model::ProfileImage working;
        working.assignments = std::make_unique<model::AssignmentTable>();
        model::makeEmptyAssignmentTable(*working.assignments);
        uint32_t size = 16;
        for (uint16_t id = 1; size + 2 + 4 + 4 * 2000 <= 32640; ++id) {
            working.macros.push_back(fullMacro(id, 2000));
            working.macros.back().setName(u"");
            size += 2 + 4 + 4 * 2000;
        }
        const uint32_t left = 32640 - size - 2 - 4;
        working.macros.push_back(fullMacro(static_cast<uint16_t>(working.macros.size() + 1),
                                           static_cast<uint16_t>(left / 4)));
        working.macros.back().setName(left % 4 ? u"x" : u"");  // the last two bytes, as a name
        image.replaceWorking(std::move(working));
    }
    const model::MacroAreaSizes sizes = model::macroAreaSizes(image.model()->macros);
    if (sizes.full != 32640) {
        state.SkipWithError("the macro image is not 32640 bytes");
        return;
    }
    const int exchanges = 2 + (32640 + 55) / 56 + 7;

    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string node = kb.dir() + "/dev/hidraw0";
    std::memcpy(addr.sun_path, node.c_str(), node.size() + 1);
    const int raw = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (::connect(raw, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        state.SkipWithError("connect failed");
        return;
    }
    device::ReportFrame request = device::ReportFrame::request(device::CmdReadDeviceInfo, 44), reply;

    double rawSeconds = 0, transactSeconds = 0, applySeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int i = 0; i < exchanges; ++i) {
            ::send(raw, request.bytes.data(), 64, 0);
            ::recv(raw, reply.bytes.data(), 64, 0);
        }
        const auto t1 = Clock::now();
        for (int i = 0; i < exchanges; ++i)
            if (device::transact(request.bytes.data(), 64, reply.bytes.data(), 64, nullptr) != 1)
                state.SkipWithError("exchange failed");
        const auto t2 = Clock::now();
        if (!model::writeConfiguration(false)) state.SkipWithError("apply failed");
        const auto t3 = Clock::now();
        rawSeconds += std::chrono::duration<double>(t1 - t0).count();
        transactSeconds += std::chrono::duration<double>(t2 - t1).count();
        applySeconds += std::chrono::duration<double>(t3 - t2).count();
        state.SetIterationTime(std::chrono::duration<double>(t3 - t2).count());
    }
    ::close(raw);
    const double n = static_cast<double>(state.iterations());
    const double pause = 0.010;
    state.counters["exchanges"] = exchanges;
    state.counters["raw_ms"] = rawSeconds / n * 1e3;
    state.counters["apply_ms"] = applySeconds / n * 1e3;
    state.counters["transact_ms"] = transactSeconds / n * 1e3;
    state.counters["apply/raw"] = applySeconds / rawSeconds;
    state.counters["(apply-pause)/raw"] = (applySeconds - pause * n) / rawSeconds;
    state.counters["(apply-pause)/transact"] = (applySeconds - pause * n) / transactSeconds;
    image.reset();
}

BENCHMARK(BM_SaveProfileFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadProfileFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ApplyVersusRaw)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);
BENCHMARK_MAIN();
