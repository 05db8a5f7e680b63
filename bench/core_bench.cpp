// One complete tick of the monitor (rates, drawing commands, tray raster) and the settings codec.
#include "tick_rig.h"

#include <benchmark/benchmark.h>

namespace kestrel {
namespace {

void BM_ThroughputTick(benchmark::State& state) {
    TickRig<QuietDesktop> rig;
    for (auto _ : state) {
        rig.Tick();
        Trim(rig);
    }
}
BENCHMARK(BM_ThroughputTick);

void BM_SettingsRoundTrip(benchmark::State& state) {
    int32_t left = -5, top = 700, interfaceNumber = 2, speedStep = 6;
    bool enabled = false;
    AccountTable accounts;
    for (AccountRecord& a : accounts)
        a = {std::string(50, 'h'), std::string(50, 'u'), std::string(50, 'p'), true};
    SettingsValues values{left, top, interfaceNumber, speedStep, accounts, enabled};
    for (auto _ : state) {
        const std::string text = EncodeSettings(values);
        DecodeSettings(text, values);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_SettingsRoundTrip);

} // namespace
} // namespace kestrel
