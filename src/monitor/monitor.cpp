#include "monitor/monitor.h"

#include "monitor/tray_icon.h"

#include <algorithm>

namespace kestrel {

void Monitor::ClearIncomingHistory() {
    std::fill(history.in.begin() + 1, history.in.end(), uint16_t{0});
}

void Monitor::FillInterfaceList() {
    tableBufferSize = InitialBufferSize;
    InterfaceReading reading = table_.Read(tableBufferSize);
    // More than ten interfaces do not fit the first buffer: ask again with the size the system
    // asked for, so that every interface can be chosen.
    if (reading.status != 0 && tableBufferSize > InitialBufferSize)
        reading = table_.Read(tableBufferSize);
    for (const InterfaceRow& row : reading.rows)
        desktop_.lists.ListAdd(ControlName::InterfaceList, row.description);
}

void Monitor::SampleInterface() {
    const InterfaceReading reading = table_.Read(tableBufferSize);
    if ((reading.status & 0xFFFF) != 0)
        return;
    // A row the table does not have (interfaces gone since the number was stored) reads as no
    // traffic: the counters keep their values.
    if (interfaceNumber < 1 || interfaceNumber > static_cast<int32_t>(reading.rows.size()))
        return;
    const InterfaceRow& row = reading.rows[static_cast<size_t>(interfaceNumber - 1)];
    currentIn = row.inOctets;
    currentOut = row.outOctets;
}

void Monitor::UpdateRates(bool draw) {
    SampleInterface();
    const int32_t inGrowth = CounterGrowth(previousIn, currentIn);
    previousIn = currentIn;
    const int32_t outGrowth = CounterGrowth(previousOut, currentOut);
    previousOut = currentOut;

    inRateText = "i: " + FormatUnsigned16(RateNumber(inGrowth));
    outRateText = "o: " + FormatUnsigned16(RateNumber(outGrowth));
    WriteTooltip();

    const uint16_t inValue = ScaledValue(inGrowth, divisors.in);
    const uint16_t outValue = ScaledValue(outGrowth, divisors.out);
    if (draw)
        DrawTextStrip();
    history.in[ThroughputHistory::Newest] = inValue;
    history.out[ThroughputHistory::Newest] = outValue;
}

void Monitor::WriteTooltip() {
    const std::string tip = inRateText + "   " + outRateText;
    icon_.tooltip.fill('\0');
    std::copy_n(tip.begin(), std::min<size_t>(tip.size(), TooltipBytes - 1), icon_.tooltip.begin());
}

void Monitor::ThroughputTick() {
    UpdateRates(true);
    DrawGraph();
    BuildTrayIcon();
    history.Shift();
}

void Monitor::BuildTrayIcon() {
    icon_.picture = BuildTrayRaster(history);
    desktop_.tray.Modify(icon_);
}

void Monitor::RedrawShownWindow() {
    DrawTextStrip();
    history.in[ThroughputHistory::Newest] = history.in[ThroughputHistory::Newest - 1];
    history.out[ThroughputHistory::Newest] = history.out[ThroughputHistory::Newest - 1];
    DrawGraph();
}

} // namespace kestrel
