#include "monitor/monitor.h"

#include "monitor/speed_table.h"
#include "monitor/tray_icon.h"
#include "text/utf8.h"

#include <algorithm>

namespace kestrel {

namespace {

constexpr const char* AllInterfacesText = "all hardware";

} // namespace

void Monitor::SetSpeedStep(int32_t speedStep) {
    speedStep_ = speedStep;
    divisors_ = DivisorsFor(speedStep);
}

void Monitor::ClearIncomingHistory() {
    std::fill(history_.in.begin() + 1, history_.in.end(), uint16_t{0});
    std::fill(growthIn_.begin() + 1, growthIn_.end(), int64_t{0});
}

void Monitor::Watch(int32_t interfaceNumber, std::string identity, std::string name) {
    interfaceNumber_ = interfaceNumber;
    watchedIdentity_ = std::move(identity);
    watchedName_ = name.empty() ? watchedIdentity_ : std::move(name);
    waiting_ = false;
}

int Monitor::ListIndex() const {
    if (interfaceNumber_ == AllInterfaces)
        return listedRows_;
    const auto listed =
        std::find(listedIdentities_.begin(), listedIdentities_.end(), watchedIdentity_);
    if (!watchedIdentity_.empty() && listed != listedIdentities_.end())
        return static_cast<int>(listed - listedIdentities_.begin());
    return interfaceNumber_ - 1;
}

// A list row stands for the interface listed there, wherever the table has it now.
void Monitor::WatchListIndex(int index) {
    const bool listed = index >= 0 && index < listedRows_;
    const int32_t chosen = listedRows_ > 0 && index == listedRows_ ? AllInterfaces : index + 1;
    const std::string identity = listed ? listedIdentities_[static_cast<size_t>(index)] : "";
    primeNext_ = primeNext_ || chosen != interfaceNumber_ || identity != watchedIdentity_;
    Watch(chosen, identity, listed ? listedNames_[static_cast<size_t>(index)] : "");
}

void Monitor::FillInterfaceList() {
    // A failed reading lists nothing, as an empty table does.
    const std::vector<InterfaceRow> rows =
        table_.Read(ReadingFor::InterfaceList).value_or(std::vector<InterfaceRow>{});
    listedIdentities_.clear();
    listedNames_.clear();
    for (const InterfaceRow& row : rows) {
        desktop_.lists.ListAdd(ControlName::InterfaceList, row.description);
        listedIdentities_.push_back(row.Identity());
        listedNames_.push_back(row.Name());
    }
    listedRows_ = static_cast<int>(rows.size());
    if (listedRows_ > 0)
        desktop_.lists.ListAdd(ControlName::InterfaceList, AllInterfacesText);
}

void Monitor::SampleInterface() {
    const InterfaceReading reading = table_.Read(ReadingFor::Sample);
    allGrowth_.reset();
    if (!reading)
        return;
    if (interfaceNumber_ == AllInterfaces) {
        allGrowth_ = SumOfAll(*reading);
        return;
    }
    const InterfaceRow* row = FindWatched(*reading);
    // Gone: the graph waits for it. Back: its counters may have started again, so the first
    // sample only primes.
    waiting_ = !row && !watchedIdentity_.empty();
    if (!row)
        return;
    currentIn_ = row->inOctets;
    currentOut_ = row->outOctets;
    wide_ = row->wide;
}

// By identity where one is known; else by row number, whose interface then gives it. A row the
// table does not have (interfaces gone since the number was stored) reads as no traffic.
const InterfaceRow* Monitor::FindWatched(const std::vector<InterfaceRow>& rows) {
    if (!watchedIdentity_.empty()) {
        const auto found = std::find_if(rows.begin(), rows.end(), [&](const InterfaceRow& row) {
            return row.Identity() == watchedIdentity_;
        });
        if (found == rows.end())
            return nullptr;
        primeNext_ = primeNext_ || waiting_;
        interfaceNumber_ = static_cast<int32_t>(found - rows.begin()) + 1;
        return &*found;
    }
    if (interfaceNumber_ < 1 || interfaceNumber_ > static_cast<int32_t>(rows.size()))
        return nullptr;
    const InterfaceRow& row = rows[static_cast<size_t>(interfaceNumber_ - 1)];
    watchedIdentity_ = row.Identity();
    watchedName_ = row.Name();
    return &row;
}

// Each hardware interface's growth by its own counters' rule, so that a laptop moving from
// Wi-Fi to a cable keeps its graph and bytes that a bridge or tunnel passes on count once. An
// interface new since the last sample starts there; twins of one name keep their order.
Monitor::Growth Monitor::SumOfAll(const std::vector<InterfaceRow>& rows) {
    Growth sum;
    std::map<std::string, InterfaceRow> now;
    for (const InterfaceRow& row : rows) {
        if (!row.hardware)
            continue;
        std::string key = row.Identity();
        while (now.contains(key))
            key += '\n';
        if (const auto before = lastOfAll_.find(key); before != lastOfAll_.end()) {
            const bool wide = before->second.wide && row.wide;
            sum.in += OctetGrowth(before->second.inOctets, row.inOctets, wide);
            sum.out += OctetGrowth(before->second.outOctets, row.outOctets, wide);
        }
        now.emplace(std::move(key), row);
    }
    lastOfAll_ = std::move(now);
    return sum;
}

void Monitor::UpdateRates() {
    SampleInterface();
    if (waiting_) {
        inRateText_ = "waiting for " + watchedName_;
        outRateText_.clear();
        WriteTooltip();
        return;
    }
    Growth growth;
    if (interfaceNumber_ == AllInterfaces) {
        growth = allGrowth_.value_or(Growth{});
    } else {
        // Only two 64-bit readings compare on 64 bits: one that fell back to 32 bits has the
        // same low bits.
        const bool wide = wide_ && previousWide_;
        growth.in = OctetGrowth(previousIn_, currentIn_, wide);
        previousIn_ = currentIn_;
        growth.out = OctetGrowth(previousOut_, currentOut_, wide);
        previousOut_ = currentOut_;
        previousWide_ = wide_;
    }

    if (primeNext_)
        growth = {};
    primeNext_ = false;
    // The first sample measures against zero: no traffic of this run.
    if (sampledAtMs_)
        CountTotals(growth);
    growth = PerTick(growth);
    inRateText_ = "i: " + RateText(growth.in);
    outRateText_ = "o: " + RateText(growth.out);
    WriteTooltip();
    ScaleNewest(growth);
}

// The first sample counts as on time, as it always did (it primes against zero).
Monitor::Growth Monitor::PerTick(Growth growth) {
    const int64_t now = desktop_.services.MonotonicMs();
    const int64_t interval = sampledAtMs_ ? now - *sampledAtMs_ : 2000;
    sampledAtMs_ = now;
    return {GrowthPerTick(growth.in, interval), GrowthPerTick(growth.out, interval)};
}

// The automatic step finds its scale in what is in sight, the newest value included, and draws
// all of it to that scale.
void Monitor::ScaleNewest(const Growth& growth) {
    constexpr size_t Newest = ThroughputHistory::Newest;
    growthIn_[Newest] = growth.in;
    growthOut_[Newest] = growth.out;
    if (speedStep_ != AutomaticStep) {
        history_.in[Newest] = ScaledValue(growth.in, divisors_.in);
        history_.out[Newest] = ScaledValue(growth.out, divisors_.out);
        return;
    }
    const Divisors finest = DivisorsFor(1);
    const auto largest = [](const std::array<int64_t, 26>& row) {
        return *std::max_element(row.begin() + 1, row.end());
    };
    divisors_ = {AutomaticDivisor(largest(growthIn_), finest.in),
                 AutomaticDivisor(largest(growthOut_), finest.out)};
    for (size_t i = 1; i <= Newest; ++i) {
        history_.in[i] = ScaledValue(growthIn_[i], divisors_.in);
        history_.out[i] = ScaledValue(growthOut_[i], divisors_.out);
    }
}

void Monitor::ShiftHistory() {
    history_.Shift();
    for (auto* row : {&growthIn_, &growthOut_})
        std::copy(row->begin() + 2, row->end(), row->begin() + 1);
}

std::string Monitor::TotalsKey() const {
    return interfaceNumber_ == AllInterfaces ? AllInterfacesText : watchedIdentity_;
}

// Bytes, not the rate: a late tick's growth counts whole. A counter that went back adds none.
void Monitor::CountTotals(const Growth& growth) {
    const std::string key = TotalsKey();
    if (key.empty())
        return;
    totals_.Add(key, desktop_.services.Today(),
                {static_cast<uint64_t>(std::max<int64_t>(growth.in, 0)),
                 static_cast<uint64_t>(std::max<int64_t>(growth.out, 0))});
    totalsChanged_ = true;
    if (!totalsSavedAtMs_)
        totalsSavedAtMs_ = sampledAtMs_;
}

void Monitor::LoadTotals() {
    if (const std::optional<std::string> text = totalsFile_.Read())
        totals_ = Totals::Decode(*text);
}

void Monitor::SaveTotals() {
    if (totalsChanged_)
        totalsFile_.Write(totals_.Encode());
    totalsChanged_ = false;
    totalsSavedAtMs_ = sampledAtMs_;
}

void Monitor::WriteTooltip() {
    std::string tip = waiting_ ? inRateText_ : inRateText_ + "   " + outRateText_;
    if (const std::string key = TotalsKey(); !waiting_ && !key.empty()) {
        const DayAndMonth kept = totals_.Of(key, desktop_.services.Today());
        tip += "\ntoday " + TotalText(kept.today.in) + '/' + TotalText(kept.today.out) +
               "\nmonth " + TotalText(kept.month.in) + '/' + TotalText(kept.month.out);
    }
    icon_.tooltip = CutText(tip, std::string::npos, std::string::npos, TooltipUnits);
}

void Monitor::ThroughputTick(bool mailPending) {
    UpdateRates();
    constexpr int64_t SaveEveryMs = 60000;
    if (totalsChanged_ && sampledAtMs_ && *sampledAtMs_ - *totalsSavedAtMs_ >= SaveEveryMs)
        SaveTotals();
    DrawTextStrip(mailPending);
    DrawGraph();
    BuildTrayIcon();
    if (!waiting_)
        ShiftHistory();
}

void Monitor::BuildTrayIcon() {
    icon_.picture = BuildTrayRaster(history_);
    desktop_.tray.Modify(icon_);
}

void Monitor::RedrawShownWindow(bool mailPending) {
    DrawTextStrip(mailPending);
    history_.in[ThroughputHistory::Newest] = history_.in[ThroughputHistory::Newest - 1];
    history_.out[ThroughputHistory::Newest] = history_.out[ThroughputHistory::Newest - 1];
    growthIn_[ThroughputHistory::Newest] = growthIn_[ThroughputHistory::Newest - 1];
    growthOut_[ThroughputHistory::Newest] = growthOut_[ThroughputHistory::Newest - 1];
    DrawGraph();
}

} // namespace kestrel
