// Whole-slot transfers against the emulated recorder, and the link's own cost per register
// access (a real parallel port takes about 1 us per access, so the link must stay far below).

#include "link/CommandChannel.h"
#include "link/Port.h"
#include "link/RawTransfer.h"
#include "recsim/DefaultImage.h"
#include "recsim/Emulator.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace vl = vantrel::link;

std::string scratchFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-bench-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) ::close(fd);
    return pattern;
}

// One full slot (one-slot recorder, 12582912 steps) in ECP (mode 0) or SPP (mode 1).
void BM_FullSlotTransfer(benchmark::State& state) {
    const bool ecp = state.range(0) == 0;
    recsim::ImageOptions options;
    options.slots = 1;
    options.tests = 1;
    const recsim::RecorderImage image = recsim::makeImage(options);
    const std::string raw = scratchFile();
    std::uint64_t accesses = 0, steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto e = std::make_unique<recsim::Emulator>(image);
        recsim::Emulator& emulator = *e;
        vl::Port port(std::move(e));
        port.SetPortBase(static_cast<std::int32_t>(image.port));
        port.EnterStandardMode();
        vl::CommandChannel channel(port);
        vl::RawTransfer transfer(port, channel);
        const std::uint64_t before = emulator.accesses();
        state.ResumeTiming();

        const vl::TransferResult r = ecp ? transfer.TransferEcp(raw, 0, 1, 1) : transfer.TransferSpp(raw, 0, 1, 1, false);

        state.PauseTiming();
        if (r.outcome != 0) state.SkipWithError("transfer failed");
        accesses += emulator.accesses() - before;
        steps += vl::stepsPerSlot(vl::kFullMemoryWords, 1);
        state.ResumeTiming();
    }
    std::filesystem::remove(raw);
    state.counters["accesses"] = benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kAvgIterations);
    state.counters["accesses/s"] = benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kIsRate);
    state.counters["ns/access"] = benchmark::Counter(static_cast<double>(accesses),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
    state.SetLabel(ecp ? "ECP" : "SPP");
}
BENCHMARK(BM_FullSlotTransfer)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A port whose registers hold still: what is left is the link's own work per access (the
// call through the backend interface and the loop around it).
class QuietPort final : public vl::PortBackend {
public:
    std::uint8_t read(std::uint32_t) override { return m_value; }
    void write(std::uint32_t, std::uint8_t value) override { benchmark::DoNotOptimize(value); }
    std::string name() const override { return "quiet"; }
    std::uint8_t m_value = 0x1A;  // acknowledge and ready high
};

void BM_LinkOverheadHandshake(benchmark::State& state) {
    vl::Port port(std::make_unique<QuietPort>());
    port.SetPortBase(888);
    vl::CommandChannel channel(port);
    for (auto _ : state) benchmark::DoNotOptimize(channel.WaitStatus(8, 1));  // 5 reads
    state.counters["ns/access"] = benchmark::Counter(static_cast<double>(state.iterations()) * 5,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LinkOverheadHandshake);

void BM_LinkOverheadGateArrayRead(benchmark::State& state) {
    vl::Port port(std::make_unique<QuietPort>());
    port.SetPortBase(888);
    vl::CommandChannel channel(port);
    for (auto _ : state) {
        port.WriteData(1);
        port.WriteData(1);
        benchmark::DoNotOptimize(channel.ReadGateArray5());  // 2 reads
    }
    state.counters["ns/access"] = benchmark::Counter(static_cast<double>(state.iterations()) * 4,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LinkOverheadGateArrayRead);

}  // namespace
