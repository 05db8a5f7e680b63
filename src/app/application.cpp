#include "app/application.h"

#include "app/control_table.h"
#include "settings/settings.h"

#include <utility>

namespace kestrel {

namespace {

constexpr const char* WindowTitle = "kestrel";
constexpr const char* AlreadyRunning = "l\xE4uft schon";
constexpr int FirstStartExtraWidth = 200;

} // namespace

bool HasQuietWord(std::string_view commandLine) {
    return commandLine.find("quiet") != std::string_view::npos;
}

Application::Application(const Platform& platform, std::string commandLine)
    : mail(platform.desktop, platform.tray, mailIcon),
      monitor(platform.desktop, platform.tray, platform.interfaces, throughputIcon,
              mail.mailPending),
      desktop_(platform.desktop), tray_(platform.tray), settingsFile_(platform.settings),
      commandLine_(std::move(commandLine)) {
    FillTrayRecords();
}

SettingsValues Application::Settings() {
    return {windowLeft,        windowTop,     monitor.interfaceNumber,
            monitor.speedStep, mail.accounts, mail.mailCheckEnabled};
}

void Application::FillTrayRecords() {
    throughputIcon = {ThroughputIconId, ThroughputCallback, std::string("NO"), {}};
    mailIcon = {MailIconId, MailCallback, std::string("MAIL"), {}};
}

int Application::Run() {
    if (desktop_.AnotherInstanceRuns(WindowTitle)) {
        desktop_.ShowMessage(AlreadyRunning, WindowTitle);
        return 0;
    }
    desktop_.LoadResources();
    FillTrayRecords();
    desktop_.CreateMainWindow(*this);
    return desktop_.RunMessageLoop();
}

void Application::OnCreate() {
    windowVisible = true;
    mail.mailTickCount = 0;
    monitor.interfaceNumber = Monitor::NotConfigured;
    mail.lastSeenCount = {};

    const Size screen = desktop_.ScreenSize();
    restoreLeft = screen.width - CompactWidth;
    windowLeft = screen.width - 300;
    windowTop = screen.height - 98;

    LoadSettings(settingsFile_, Settings());
    monitor.RecomputeScale();

    const int extraWidth =
        monitor.interfaceNumber == Monitor::NotConfigured ? FirstStartExtraWidth : 0;
    monitor.ClearIncomingHistory();
    monitor.LoadInterfaceLibrary();
    PlaceWindow(CompactWidth + extraWidth);

    for (const ControlSpec& spec : ControlTable())
        desktop_.CreateControl(spec);
    desktop_.CreateMainFont();
    FillSpeedList();
    monitor.FillInterfaceList();

    if (monitor.Configured()) {
        monitor.PrimeMeasurement();
        desktop_.StartTimer(TimerId, TimerPeriodMs);
    }
    tray_.Add(throughputIcon);
    desktop_.CreateDrawingTools();

    if (monitor.interfaceNumber == Monitor::NotConfigured)
        ShowThroughputConfig(true);
    quietStart = HasQuietWord(commandLine_);
    mail.mailPending = false;
    mail.CheckMail(false);

    desktop_.SetChecked(ControlName::AccountRadio1, true);
    SelectAccount(20);
}

// A position stored while another monitor was attached may lie off every screen now: such a
// window would be unreachable, so it is shown at the start position instead.
void Application::PlaceWindow(int32_t width) {
    displaced_.reset();
    if (!desktop_.OnAnyScreen({windowLeft, windowTop, width, WindowHeight})) {
        const Size screen = desktop_.ScreenSize();
        const Point shown{screen.width - width, screen.height - 98};
        displaced_ = Displaced{{windowLeft, windowTop}, shown};
        windowLeft = shown.x;
        windowTop = shown.y;
    }
    desktop_.MoveWindow({windowLeft, windowTop, width, WindowHeight});
}

void Application::OnTimer() {
    if (quietStart) {
        quietStart = false;
        HideMainWindow();
    }
    monitor.ThroughputTick();
    mail.CountTick();
}

void Application::OnClose() {
    SaveAndQuit();
}

void Application::SaveAndQuit() {
    const Rect rect = desktop_.WindowRect();
    windowLeft = rect.left;
    windowTop = rect.top;
    if (displaced_ && windowLeft == displaced_->shown.x && windowTop == displaced_->shown.y) {
        windowLeft = displaced_->stored.x;
        windowTop = displaced_->stored.y;
    }
    WriteSettings(settingsFile_, Settings());
    desktop_.DeleteDrawingTools();
    tray_.Delete(throughputIcon);
    mail.RemoveMailIcon();
    desktop_.PostQuit(0);
}

void Application::OnTaskbarCreated() {
    tray_.Add(throughputIcon);
    if (mail.MailIconShown())
        mail.AddMailIcon();
}

} // namespace kestrel
