#include "app/application.h"

#include "app/control_table.h"
#include "settings/settings.h"

#include <utility>

namespace kestrel {

namespace {

constexpr const char* WindowTitle = "kestrel";
constexpr const char* AlreadyRunning = "l\xE4uft schon";
constexpr int FirstStartExtraWidth = 200;

SettingsValues SettingsOf(Application& app) {
    return {app.windowLeft,        app.windowTop,     app.monitor.interfaceNumber,
            app.monitor.speedStep, app.mail.accounts, app.mail.mailCheckEnabled};
}

} // namespace

bool HasQuietWord(std::string_view commandLine) {
    return commandLine.find("quiet") != std::string_view::npos;
}

Application::Application(Desktop& desktop, Tray& tray, std::string commandLine)
    : mail(desktop, tray, mailIcon), desktop_(desktop), tray_(tray),
      commandLine_(std::move(commandLine)) {
    FillTrayRecords();
}

void Application::FillTrayRecords() {
    throughputIcon = {ThroughputIconId, ThroughputCallback, std::string("NO"), {}};
    mailIcon = {MailIconId, MailCallback, std::string("MAIL"), {}};
}

int Application::Run() {
    if (desktop_.FindWindowTitled(WindowTitle)) {
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

    LoadSettings(SettingsOf(*this));
    monitor.RecomputeScale();

    const int extraWidth =
        monitor.interfaceNumber == Monitor::NotConfigured ? FirstStartExtraWidth : 0;
    monitor.ClearIncomingHistory();
    monitor.LoadInterfaceLibrary();
    desktop_.MoveWindow({windowLeft, windowTop, CompactWidth + extraWidth, WindowHeight});

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
    WriteSettings(SettingsOf(*this));
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
