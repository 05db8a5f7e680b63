#pragma once

#include <cstdint>

namespace kestrel {

// The throughput monitor's state and its steps in the creation sequence and the tick.
// Sampling, drawing and the tray picture arrive with the interface table port; until then
// the steps keep their place in the shell's order and change nothing.
class Monitor {
  public:
    static constexpr int32_t NotConfigured = 100;

    int32_t interfaceNumber = NotConfigured; // 1-based row of the watched interface
    int32_t speedStep = 0;                   // 1 to 6; 0 until one is chosen

    bool Configured() const { return interfaceNumber < NotConfigured; }

    void ClearIncomingHistory() {}
    void LoadInterfaceLibrary() {}
    void FillInterfaceList() {}
    void PrimeMeasurement() {}
    void RecomputeScale() {}
    void ThroughputTick() {}
    // The window was just shown and painted by the platform: draw strip and graph afresh.
    void RedrawShownWindow() {}
};

} // namespace kestrel
