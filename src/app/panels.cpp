#include "app/application.h"

#include "monitor/speed_table.h"

namespace kestrel {

namespace {

using enum ControlName;

// What opening the mail configuration shows, in this order.
constexpr ControlName MailConfigShows[] = {
    HostEdit,      UserEdit,      PasswordEdit, PasswordLabel, AccountRadio1,
    AccountRadio2, AccountRadio3, AccountLabel, ActiveCheck,   StatusLine};
// What collapsing it hides: the same, but for PasswordLabel.
constexpr ControlName MailConfigHides[] = {HostEdit,      UserEdit,      PasswordEdit,
                                           AccountRadio1, AccountRadio2, AccountRadio3,
                                           AccountLabel,  ActiveCheck,   StatusLine};
constexpr ControlName ThroughputConfigControls[] = {InterfaceList, SpeedList};

// Below this distance from the screen's right edge a widening window moves left.
constexpr int RightEdgeRoom = 280;

} // namespace

void Application::ShowMainWindow() {
    windowVisible_ = true;
    desktop_.window.ShowWindow(true);
}

void Application::HideMainWindow() {
    desktop_.window.ShowWindow(false);
    windowVisible_ = false;
}

void Application::ToggleWindow() {
    if (windowVisible_) {
        HideMainWindow();
        return;
    }
    ShowMainWindow();
    desktop_.window.PaintNow();
    monitor_.RedrawShownWindow(mail_.MailPending());
}

void Application::ExpandWindow() {
    const Rect rect = desktop_.window.WindowRect();
    windowLeft_ = rect.left;
    windowTop_ = rect.top;
    restoreLeft_ = windowLeft_;
    const int32_t screenWidth = desktop_.window.ScreenSize().width;
    if (screenWidth < windowLeft_ + RightEdgeRoom)
        windowLeft_ = screenWidth - ExpandedWidth;
    desktop_.window.MoveWindow({windowLeft_, windowTop_, ExpandedWidth, WindowHeight});
}

void Application::CollapseWindow() {
    const Rect rect = desktop_.window.WindowRect();
    windowLeft_ = rect.left;
    windowTop_ = rect.top;
    if (panelState_ == PanelState::MailConfig) {
        for (ControlName control : MailConfigHides)
            desktop_.controls.ShowControl(control, false);
    } else if (panelState_ == PanelState::ThroughputConfig) {
        for (ControlName control : ThroughputConfigControls)
            desktop_.controls.ShowControl(control, false);
    }
    desktop_.window.MoveWindow({restoreLeft_, windowTop_, CompactWidth, WindowHeight});
    panelState_ = PanelState::Compact;
}

void Application::ShowMailConfig() {
    formStart_ = mail_.Accounts();
    ShowMainWindow();
    ExpandWindow();
    for (ControlName control : MailConfigShows)
        desktop_.controls.ShowControl(control, true);
    desktop_.controls.Focus(HostEdit);
    panelState_ = PanelState::MailConfig;
}

void Application::ShowThroughputConfig(bool alreadyWide) {
    ShowMainWindow();
    if (!alreadyWide)
        ExpandWindow();
    desktop_.controls.ShowControl(InterfaceList, true);
    desktop_.lists.ListSelect(InterfaceList, monitor_.ListIndex());
    desktop_.controls.ShowControl(SpeedList, true);
    desktop_.lists.ListSelect(SpeedList, monitor_.SpeedStep() - 1);
    panelState_ = PanelState::ThroughputConfig;
    desktop_.window.PaintNow();
}

void Application::ToggleMailList() {
    if (panelState_ != PanelState::MailList) {
        panelState_ = PanelState::MailList;
        savedVisible_ = windowVisible_;
        ShowMainWindow();
        ExpandWindow();
        desktop_.controls.ShowControl(MailListBox, true);
        desktop_.controls.ShowControl(PasswordLabel, false);
        mail_.CheckMail(true);
        return;
    }
    desktop_.controls.ShowControl(MailListBox, false);
    CollapseWindow();
    if (!savedVisible_)
        HideMainWindow();
}

void Application::ClearMailList() {
    mail_.ClearList();
    ToggleMailList();
}

void Application::FillSpeedList() {
    for (const SpeedRow& row : SpeedTable)
        desktop_.lists.ListAdd(ControlName::SpeedList,
                               std::string(row.label) + std::string(row.unit ? SpeedUnit : ""));
}

} // namespace kestrel
