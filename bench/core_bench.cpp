// One complete tick of the monitor (rates, drawing commands, tray raster) and the settings codec.
#include "tick_rig.h"

#include <benchmark/benchmark.h>

#include <utility>

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
    SettingsValues values{-5, 700, 2, 6, {}, false};
    for (AccountRecord& a : values.accounts)
        a = {std::string(50, 'h'), std::string(50, 'u'), std::string(50, 'p'), true};
    for (auto _ : state) {
        const std::string text = EncodeSettings(values);
        values = DecodeSettings(text, std::move(values));
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_SettingsRoundTrip);

} // namespace
} // namespace kestrel
