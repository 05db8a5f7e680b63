#pragma once

#include "monitor/history.h"
#include "monitor/rates.h"
#include "ports/desktop.h"
#include "ports/interface_table.h"

#include <cstdint>
#include <string>

namespace kestrel {

// Watches one interface: samples its counters every tick, turns their growth into rate texts,
// a tooltip and scaled history, and draws them into the window and the tray picture.
class Monitor {
  public:
    static constexpr int32_t NotConfigured = 100;
    static constexpr uint32_t InitialBufferSize = 8604; // the count and ten rows

    Monitor(const Desktop& desktop, InterfaceTable& table, TrayIconRecord& throughputIcon,
            const bool& mailPending)
        : desktop_(desktop), table_(table), icon_(throughputIcon),
          mailPending_(mailPending) {}

    int32_t interfaceNumber = NotConfigured; // 1-based row of the watched interface
    int32_t speedStep = 0;                   // 1 to 6; 0 until one is chosen
    Divisors divisors;
    uint32_t currentIn = 0, currentOut = 0;
    uint32_t previousIn = 0, previousOut = 0;
    std::string inRateText, outRateText;
    uint32_t tableBufferSize = InitialBufferSize;
    ThroughputHistory history;

    bool Configured() const { return interfaceNumber < NotConfigured; }

    // Steps of the window's creation sequence.
    void ClearIncomingHistory();
    void LoadInterfaceLibrary() { table_.Load(); }
    void FillInterfaceList();
    void PrimeMeasurement() { UpdateRates(false); }

    void RecomputeScale() { divisors = DivisorsFor(speedStep); }
    void SampleInterface();
    void UpdateRates(bool draw);
    void ThroughputTick();

    void DrawTextStrip();
    void DrawGraph();
    void BuildTrayIcon();
    // The window was just shown and painted by the platform: draw strip and graph afresh.
    void RedrawShownWindow();

  private:
    void WriteTooltip();

    Desktop desktop_;
    InterfaceTable& table_;
    TrayIconRecord& icon_;
    const bool& mailPending_;
};

} // namespace kestrel
