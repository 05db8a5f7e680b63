#include "monitor/monitor.h"

namespace kestrel {

namespace {

constexpr Colour Black{0, 0, 0};
constexpr Colour Green{0, 255, 0};
constexpr Colour Red{255, 0, 0};
constexpr Colour MailMark{60, 255, 60};
constexpr Colour NoMailMark{0, 90, 0};
constexpr int Bottom = 63; // one row below the window: a line at rest is not seen

// Row 14 between the strip and the graph is never painted: it keeps the window background.
constexpr Rect StripArea{0, 0, 100, 14};
constexpr Rect GraphArea{0, 15, 100, 48};

void DrawLine(Surface& surface, const std::array<uint16_t, 26>& row) {
    surface.MoveTo({1, Bottom});
    for (int i = 1; i <= ThroughputHistory::Newest; ++i)
        surface.LineTo({4 * i, Bottom - row[static_cast<size_t>(i)]});
}

} // namespace

void Monitor::DrawTextStrip(bool mailPending) {
    const auto surface = desktop_.drawing.BeginDrawing();
    surface->FillBlack(GraphArea);
    surface->FillBlack(StripArea);
    surface->Text({1, 2}, inRateText_, Green, Black);
    if (!waiting_)
        surface->Text({40, 2}, outRateText_, Red, Black);
    surface->Text({88, 1}, "@", mailPending ? MailMark : NoMailMark, Black);
}

void Monitor::DrawGraph() {
    const auto surface = desktop_.drawing.BeginDrawing();
    surface->SelectPen(PenColour::Red);
    DrawLine(*surface, history_.out);
    surface->SelectPen(PenColour::Green);
    DrawLine(*surface, history_.in);
}

} // namespace kestrel
