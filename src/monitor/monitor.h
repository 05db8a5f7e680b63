#pragma once

#include "monitor/history.h"
#include "monitor/rates.h"
#include "monitor/totals.h"
#include "ports/desktop.h"
#include "ports/interface_table.h"
#include "ports/settings_file.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kestrel {

// Watches one interface: samples its counters every tick, turns their growth into rate texts,
// a tooltip and scaled history, and draws them into the window and into its tray icon.
class Monitor {
  public:
    static constexpr int32_t NotConfigured = 100;
    // The sum of the hardware interfaces: the list's last row. Stored as a number that no row
    // has and that an older build reads as a row beyond its table: no traffic.
    static constexpr int32_t AllInterfaces = -1;

    Monitor(const Desktop& desktop, InterfaceTable& table, SettingsFile& totalsFile,
            TrayIconRecord icon)
        : desktop_(desktop), table_(table), totalsFile_(totalsFile), icon_(std::move(icon)) {}

    // The 1-based row of the watched interface, or AllInterfaces; NotConfigured and above watch
    // nothing. The row follows the interface's identity where one is known; without one (a
    // file of an older build) the row's interface gives it at the first reading.
    int32_t InterfaceNumber() const { return interfaceNumber_; }
    const std::string& WatchedIdentity() const { return watchedIdentity_; }
    const std::string& WatchedName() const { return watchedName_; }
    void Watch(int32_t interfaceNumber, std::string identity = {}, std::string name = {});
    // The watched interface is not in the table: the strip and tooltip say so, the graph holds.
    bool Waiting() const { return waiting_; }
    // The interface list's rows: the table's, then the sum of all. A row chosen there starts
    // with a priming sample: its counters have nothing to do with the last row's.
    int ListIndex() const;
    void WatchListIndex(int index);
    bool Configured() const { return interfaceNumber_ < NotConfigured; }

    // 1 to 9 (AutomaticStep); 0 until one is chosen. A new step scales the graph from the next
    // value on; the automatic one rescales what is in sight whenever its scale changes.
    int32_t SpeedStep() const { return speedStep_; }
    void SetSpeedStep(int32_t speedStep);
    const Divisors& Scale() const { return divisors_; }

    const ThroughputHistory& History() const { return history_; }

    // Steps of the window's creation sequence.
    void ClearIncomingHistory();
    void LoadInterfaceLibrary() { table_.Load(); }
    void FillInterfaceList();
    void PrimeMeasurement() { UpdateRates(); }

    // The totals of today and this month: read at start, written at most once a minute while
    // they grow and at exit.
    void LoadTotals();
    void SaveTotals();

    // The mark beside the rates shows whether mail is waiting.
    void ThroughputTick(bool mailPending);
    // The window was just shown and painted by the platform: draw strip and graph afresh.
    void RedrawShownWindow(bool mailPending);

    void DrawTextStrip(bool mailPending);
    void DrawGraph();
    void BuildTrayIcon();

    // The throughput icon in the tray; the tray is sent the record again after each of its
    // messages.
    void AddIcon() { desktop_.tray.Add(icon_); }
    void ResendIcon() { desktop_.tray.Modify(icon_); }
    void RemoveIcon() { desktop_.tray.Delete(icon_); }

  private:
    struct Growth {
        int64_t in = 0, out = 0;
    };
    void SampleInterface();
    const InterfaceRow* FindWatched(const std::vector<InterfaceRow>& rows);
    Growth PerTick(Growth growth);
    Growth SumOfAll(const std::vector<InterfaceRow>& rows);
    void UpdateRates();
    void ScaleNewest(const Growth& growth);
    void ShiftHistory();
    void WriteTooltip();
    void CountTotals(const Growth& growth);
    std::string TotalsKey() const;

    Desktop desktop_;
    InterfaceTable& table_;
    SettingsFile& totalsFile_;
    Totals totals_;
    bool totalsChanged_ = false;
    std::optional<int64_t> totalsSavedAtMs_;
    TrayIconRecord icon_;
    int32_t interfaceNumber_ = NotConfigured;
    int32_t speedStep_ = 0;
    Divisors divisors_;
    uint64_t currentIn_ = 0, currentOut_ = 0;
    uint64_t previousIn_ = 0, previousOut_ = 0;
    // The watched counters are the platform's 64-bit ones, now and at the sample before.
    bool wide_ = false, previousWide_ = false;
    // Watching all: each interface's last counters by its name, and the growth of the sample.
    std::map<std::string, InterfaceRow> lastOfAll_;
    std::optional<Growth> allGrowth_;
    int listedRows_ = 0;
    std::vector<std::string> listedIdentities_, listedNames_;
    std::string watchedIdentity_, watchedName_;
    bool waiting_ = false;
    // The growth behind each history entry, for the automatic step to scale again.
    std::array<int64_t, 26> growthIn_{}, growthOut_{};
    // When the last sample was taken; none before the first.
    std::optional<int64_t> sampledAtMs_;
    bool primeNext_ = false;
    std::string inRateText_, outRateText_;
    ThroughputHistory history_;
};

} // namespace kestrel
