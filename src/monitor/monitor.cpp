#include "monitor/monitor.h"

#include "monitor/tray_icon.h"

#include <algorithm>

namespace kestrel {

void Monitor::SetSpeedStep(int32_t speedStep) {
    speedStep_ = speedStep;
    divisors_ = DivisorsFor(speedStep);
}

void Monitor::ClearIncomingHistory() {
    std::fill(history_.in.begin() + 1, history_.in.end(), uint16_t{0});
}

void Monitor::FillInterfaceList() {
    tableBufferSize_ = InitialBufferSize;
    InterfaceReading reading = table_.Read(tableBufferSize_);
    // More than ten interfaces do not fit the first buffer: ask again with the size the system
    // asked for, so that every interface can be chosen.
    if (reading.status != 0 && tableBufferSize_ > InitialBufferSize)
        reading = table_.Read(tableBufferSize_);
    for (const InterfaceRow& row : reading.rows)
        desktop_.lists.ListAdd(ControlName::InterfaceList, row.description);
}

void Monitor::SampleInterface() {
    const InterfaceReading reading = table_.Read(tableBufferSize_);
    if ((reading.status & 0xFFFF) != 0)
        return;
    // A row the table does not have (interfaces gone since the number was stored) reads as no
    // traffic: the counters keep their values.
    if (interfaceNumber_ < 1 || interfaceNumber_ > static_cast<int32_t>(reading.rows.size()))
        return;
    const InterfaceRow& row = reading.rows[static_cast<size_t>(interfaceNumber_ - 1)];
    currentIn_ = row.inOctets;
    currentOut_ = row.outOctets;
    wide_ = row.wide;
}

void Monitor::UpdateRates() {
    SampleInterface();
    const int64_t inGrowth = OctetGrowth(previousIn_, currentIn_, wide_);
    previousIn_ = currentIn_;
    const int64_t outGrowth = OctetGrowth(previousOut_, currentOut_, wide_);
    previousOut_ = currentOut_;

    inRateText_ = "i: " + RateText(inGrowth);
    outRateText_ = "o: " + RateText(outGrowth);
    WriteTooltip();

    history_.in[ThroughputHistory::Newest] = ScaledValue(inGrowth, divisors_.in);
    history_.out[ThroughputHistory::Newest] = ScaledValue(outGrowth, divisors_.out);
}

void Monitor::WriteTooltip() {
    const std::string tip = inRateText_ + "   " + outRateText_;
    icon_.tooltip.fill('\0');
    std::copy_n(tip.begin(), std::min<size_t>(tip.size(), TooltipBytes - 1), icon_.tooltip.begin());
}

void Monitor::ThroughputTick(bool mailPending) {
    UpdateRates();
    DrawTextStrip(mailPending);
    DrawGraph();
    BuildTrayIcon();
    history_.Shift();
}

void Monitor::BuildTrayIcon() {
    icon_.picture = BuildTrayRaster(history_);
    desktop_.tray.Modify(icon_);
}

void Monitor::RedrawShownWindow(bool mailPending) {
    DrawTextStrip(mailPending);
    history_.in[ThroughputHistory::Newest] = history_.in[ThroughputHistory::Newest - 1];
    history_.out[ThroughputHistory::Newest] = history_.out[ThroughputHistory::Newest - 1];
    DrawGraph();
}

} // namespace kestrel
