// One tick of the native program against one of the fake front end: the same monitor work, plus
// what the Qt desktop adds (text rendered into the drawn layer, the tray picture made an icon),
// plus the repaint that the event loop runs after it; and the drawing alone on each. The interface
// table is the fake's in both, so that only the front end differs; reading /proc/net/dev is
// measured on its own.
#include "tick_rig.h"

#include "linux/linux_interface_table.h"
#include "qt/qt_desktop.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace kestrel {
namespace {

void BM_FakeTick(benchmark::State& state) {
    TickRig<QuietDesktop> rig;
    for (auto _ : state) {
        rig.Tick();
        Trim(rig);
    }
}
BENCHMARK(BM_FakeTick);

void BM_QtTick(benchmark::State& state) {
    TickRig<QtDesktop> rig;
    for (auto _ : state)
        rig.Tick();
}
BENCHMARK(BM_QtTick);

// With the window on screen: the tick and then the repaint it asked for.
void BM_QtTickAndRepaint(benchmark::State& state) {
    TickRig<QtDesktop> rig;
    QApplication::processEvents();
    for (auto _ : state) {
        rig.Tick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_QtTickAndRepaint);

// The drawing alone on each: a Qt tick should exceed a fake one by the difference of these two.
void BM_FakeDrawing(benchmark::State& state) {
    TickRig<QuietDesktop> rig;
    for (auto _ : state) {
        rig.Draw();
        Trim(rig);
    }
}
BENCHMARK(BM_FakeDrawing);

void BM_QtDrawing(benchmark::State& state) {
    TickRig<QtDesktop> rig;
    for (auto _ : state)
        rig.Draw();
}
BENCHMARK(BM_QtDrawing);

void BM_ProcNetDevReading(benchmark::State& state) {
    LinuxInterfaceTable table;
    for (auto _ : state) {
        InterfaceReading reading = table.Read(ReadingFor::Sample);
        benchmark::DoNotOptimize(reading);
    }
}
BENCHMARK(BM_ProcNetDevReading);

} // namespace
} // namespace kestrel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
