#include "app/application.h"

#include "app/control_table.h"
#include "app/identifiers.h"
#include "app/token_sources.h"
#include "settings/settings.h"

#include <utility>

namespace kestrel {

namespace {

constexpr const char* WindowTitle = "kestrel";
constexpr const char* AlreadyRunning = "läuft schon";
constexpr int FirstStartExtraWidth = 200;

} // namespace

bool HasQuietWord(std::string_view commandLine) {
    return commandLine.find("quiet") != std::string_view::npos;
}

Application::Application(const Platform& platform, std::string commandLine)
    : desktop_(platform.desktop), settingsFile_(platform.settings),
      commandLine_(std::move(commandLine)),
      mail_(platform.desktop, {MailIconId, MailCallback, std::string("MAIL"), {}},
            {ThroughputIconId, ThroughputCallback, std::string("NO"), {}}),
      monitor_(platform.desktop, platform.interfaces, platform.totals,
               {ThroughputIconId, ThroughputCallback, std::string("NO"), {}}),
      passwords_(platform.desktop.services, platform.secrets), secrets_(platform.secrets),
      https_(platform.https),
      signInTokens_(std::make_shared<SignInTokens>(platform.secrets, platform.https)) {
    mail_.KeepAnnouncedIn(platform.announced);
    const auto signedIn = [tokens = signInTokens_](int account, const AccountRecord& record,
                                                   bool refused) {
        return tokens->Token(account, record, refused);
    };
    mail_.MakeClientsWith(
        {.pop3 = {}, .imap = {}, .tokens = TokenSources(platform.tokenCommands, signedIn)});
}

SettingsValues Application::GatherSettings() const {
    return passwords_.ForFile({windowLeft_,
            windowTop_,
            monitor_.InterfaceNumber(),
            monitor_.SpeedStep(),
            mail_.Accounts(),
            mail_.PeriodicCheck(),
            monitor_.WatchedIdentity(),
            monitor_.WatchedName()});
}

void Application::HandOutSettings(const SettingsValues& values) {
    windowLeft_ = values.windowLeft;
    windowTop_ = values.windowTop;
    monitor_.Watch(values.interfaceNumber, values.interfaceIdentity, values.interfaceName);
    monitor_.SetSpeedStep(values.speedStep);
    mail_.SetAccounts(values.accounts);
    mail_.SetPeriodicCheck(values.mailCheckEnabled);
    passwords_.Found(values);
}

int Application::Run() {
    if (desktop_.services.AnotherInstanceRuns(WindowTitle)) {
        desktop_.menus.ShowMessage(AlreadyRunning, WindowTitle);
        return 0;
    }
    desktop_.services.LoadResources();
    desktop_.window.CreateMainWindow(*this);
    return desktop_.window.RunMessageLoop();
}

void Application::OnCreate() {
    windowVisible_ = true;
    monitor_.Watch(Monitor::NotConfigured);

    const Size screen = desktop_.window.ScreenSize();
    restoreLeft_ = screen.width - CompactWidth;
    windowLeft_ = screen.width - 300;
    windowTop_ = screen.height - 98;

    HandOutSettings(LoadSettings(settingsFile_, GatherSettings()));

    const int extraWidth =
        monitor_.InterfaceNumber() == Monitor::NotConfigured ? FirstStartExtraWidth : 0;
    monitor_.ClearIncomingHistory();
    monitor_.LoadInterfaceLibrary();
    PlaceWindow(CompactWidth + extraWidth);

    for (const ControlSpec& control : ControlTable())
        desktop_.controls.CreateControl(control);
    desktop_.drawing.CreateMainFont();
    FillSpeedList();
    monitor_.FillInterfaceList();

    monitor_.LoadTotals();
    if (monitor_.Configured()) {
        monitor_.PrimeMeasurement();
        desktop_.services.StartTimer(TimerId, TimerPeriodMs);
    }
    monitor_.AddIcon();
    desktop_.drawing.CreateDrawingTools();

    if (monitor_.InterfaceNumber() == Monitor::NotConfigured)
        ShowThroughputConfig(true);
    quietStart_ = HasQuietWord(commandLine_);
    StartPasswords();

    desktop_.controls.SetChecked(ControlName::AccountRadio1, true);
    SelectAccount(AccountRadio1Id);
}

// A position stored while another monitor was attached may lie off every screen now: such a
// window would be unreachable, so it is shown at the start position instead.
void Application::PlaceWindow(int32_t width) {
    displaced_.reset();
    if (!desktop_.window.OnAnyScreen({windowLeft_, windowTop_, width, WindowHeight})) {
        const Size screen = desktop_.window.ScreenSize();
        const Point shown{screen.width - width, screen.height - 98};
        displaced_ = Displaced{{windowLeft_, windowTop_}, shown};
        windowLeft_ = shown.x;
        windowTop_ = shown.y;
    }
    desktop_.window.MoveWindow({windowLeft_, windowTop_, width, WindowHeight});
}

void Application::OnTimer() {
    if (quietStart_) {
        quietStart_ = false;
        HideMainWindow();
    }
    monitor_.ThroughputTick(mail_.MailPending());
    if (away_.Tick(desktop_.services.WallMs()))
        mail_.Reconnect();
    mail_.CountTick();
}

void Application::OnClose() {
    SaveAndQuit();
}

void Application::SaveAndQuit() {
    const Rect rect = desktop_.window.WindowRect();
    windowLeft_ = rect.left;
    windowTop_ = rect.top;
    if (displaced_ && windowLeft_ == displaced_->shown.x && windowTop_ == displaced_->shown.y) {
        windowLeft_ = displaced_->stored.x;
        windowTop_ = displaced_->stored.y;
    }
    WriteSettings(settingsFile_, GatherSettings());
    monitor_.SaveTotals();
    desktop_.drawing.DeleteDrawingTools();
    monitor_.RemoveIcon();
    mail_.RemoveMailIcon();
    desktop_.window.PostQuit(0);
}

void Application::OnResumeOrNetworkChange() {
    mail_.Reconnect();
}

void Application::OnTaskbarCreated() {
    monitor_.AddIcon();
    mail_.RestoreMailIcon();
}

} // namespace kestrel
