// One complete tick of the monitor (rates, drawing commands, tray raster) and the settings codec.
#include "app/application.h"
#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_interface_table.h"
#include "platform/fake/fake_settings_file.h"

#include <benchmark/benchmark.h>

namespace kestrel {
namespace {

// The fake's log and text records would grow without bound over millions of ticks.
class QuietDesktop : public FakeDesktop {
  public:
    void Modify(const TrayIconRecord&) override {}
};

void BM_ThroughputTick(benchmark::State& state) {
    QuietDesktop desk;
    FakeInterfaceTable interfaces;
    interfaces.rows = {{"lo", 0, 0}, {"eth0", 0, 0}};
    FakeSettingsFile settings;
    settings.content = "100,100,2,3,";
    Application app({desk, desk, interfaces, settings}, "kestrel.exe");
    app.Run();
    uint32_t step = 0;
    for (auto _ : state) {
        interfaces.rows[1].inOctets += (step * 7919) % 400000;
        interfaces.rows[1].outOctets += (step * 104729) % 40000;
        ++step;
        app.monitor.ThroughputTick();
        if (desk.log.size() > 4096) {
            desk.log.clear();
            desk.texts.clear();
        }
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
