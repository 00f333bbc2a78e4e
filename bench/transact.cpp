// Exchanges per second through transact() against the virtual keyboard, and in the
// same run a raw request/reply ping-pong on the same kind of socket to the same
// keyboard: the ratio is what the protocol layer costs.

#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "../tests/support/VirtualKeyboard.h"
#include "device/Protocol.h"

using namespace t44;

static void BM_Transact(benchmark::State &state) {
    test::InProcessKeyboard kb;
    kb.server().withKeyboard([](sim::Keyboard &k) { k.closeFrameLog(); return 0; });
    if (!kb.connect()) {
        state.SkipWithError("no keyboard");
        return;
    }
    device::ReportFrame req = device::ReportFrame::request(device::CmdReadDeviceInfo, 44), reply;
    for (auto _ : state) {
        if (device::transact(req.bytes.data(), 64, reply.bytes.data(), 64, nullptr) != 1)
            state.SkipWithError("exchange failed");
    }
    state.SetItemsProcessed(state.iterations());
}

static void BM_RawPingPong(benchmark::State &state) {
    test::InProcessKeyboard kb;
    kb.server().withKeyboard([](sim::Keyboard &k) { k.closeFrameLog(); return 0; });
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = kb.dir() + "/dev/hidraw0";
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        state.SkipWithError("connect failed");
        return;
    }
    device::ReportFrame req = device::ReportFrame::request(device::CmdReadDeviceInfo, 44), reply;
    for (auto _ : state) {
        ::send(fd, req.bytes.data(), 64, 0);
        ::recv(fd, reply.bytes.data(), 64, 0);
    }
    ::close(fd);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_RawPingPong)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_Transact)->MinTime(1.0)->UseRealTime();
BENCHMARK_MAIN();
