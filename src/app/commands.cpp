#include "app/application.h"

#include "app/identifiers.h"
#include "app/shell_menus.h"

namespace kestrel {

namespace {

struct Notification {
    int id;
    int code;
    void (Application::*action)();
};

} // namespace

void Application::OnCommand(int id, int code, bool fromControl) {
    if (!fromControl)
        RunMenuCommand(id);
    // Menu commands carry code 0 too, but no menu identifier is a control identifier.
    RunNotification(id, code);
}

void Application::RunMenuCommand(int id) {
    switch (id) {
    case CmdConfigKestrel:
        ShowThroughputConfig(false);
        break;
    case CmdAbout:
        ShowAbout();
        break;
    case CmdExit:
        SaveAndQuit();
        break;
    case CmdConfigMail:
        ShowMailConfig();
        break;
    case CmdSignIn:
        ShowSignIn();
        break;
    case CmdDeleteMail:
        mail_.DeleteSelectedMail();
        break;
    case CmdMailClient:
        mail_.StartMailClient();
        ClearMailList();
        break;
    default: // "go on", "esc", the separator and the about picture only close their menu
        break;
    }
}

void Application::RunNotification(int id, int code) {
    // Identifiers 1, 2 and 3 are shared by controls of different kinds; the code tells them apart.
    static constexpr Notification table[] = {
        {MailMarkBoxId, Clicked, &Application::MailMarkClicked},
        {GraphAreaId, Clicked, &Application::ToggleWindow},
        {OkButtonId, Clicked, &Application::ConfirmPanel},
        {AccountRadio1Id, Clicked, &Application::SelectAccount1},
        {AccountRadio2Id, Clicked, &Application::SelectAccount2},
        {AccountRadio3Id, Clicked, &Application::SelectAccount3},
        {ActiveCheckId, Clicked, &Application::ToggleActiveCheck},
        {InterfaceListId, SelectionChanged, &Application::InterfaceSelected},
        {SpeedListId, SelectionChanged, &Application::SpeedSelected},
        {MailListBoxId, SelectionChanged, &Application::MailListSelected},
    };
    for (const Notification& row : table) {
        if (row.id == id && row.code == code)
            (this->*row.action)();
    }
}

void Application::MailMarkClicked() {
    mail_.ListEverythingAgain();
    panelState_ = PanelState::Compact;
    ToggleMailList();
}

void Application::ConfirmPanel() {
    switch (panelState_) {
    case PanelState::MailConfig:
        StoreAccountForm(currentAccount_);
        CollapseWindow();
        WatchConfirmedAccounts();
        break;
    case PanelState::ThroughputConfig:
        CollapseWindow();
        desktop_.services.StartTimer(TimerId, TimerPeriodMs);
        break;
    case PanelState::MailList:
        ClearMailList();
        break;
    case PanelState::Compact: // the button lies outside the compact window
        break;
    }
}

void Application::SelectAccount1() {
    SelectAccount(AccountRadio1Id);
}
void Application::SelectAccount2() {
    SelectAccount(AccountRadio2Id);
}
void Application::SelectAccount3() {
    SelectAccount(AccountRadio3Id);
}

void Application::ToggleActiveCheck() {
    desktop_.controls.SetChecked(ControlName::ActiveCheck,
                                 !desktop_.controls.IsChecked(ControlName::ActiveCheck));
}

void Application::InterfaceSelected() {
    monitor_.WatchListIndex(desktop_.lists.ListSelection(ControlName::InterfaceList));
}

void Application::SpeedSelected() {
    monitor_.SetSpeedStep(desktop_.lists.ListSelection(ControlName::SpeedList) + 1);
}

void Application::MailListSelected() {
    ShowMailMenu(desktop_.window.PointerPosition());
}

void Application::OnTrayCallback(int callbackMessage, TrayMouse mouse) {
    if (callbackMessage == ThroughputCallback) {
        if (mouse == TrayMouse::LeftButtonUp)
            ToggleWindow();
        else if (mouse == TrayMouse::NoticeChosen && panelState_ != PanelState::MailList)
            ToggleMailList(); // the notifications ride on this icon and tell of mail
        else if (mouse == TrayMouse::RightButtonUp)
            ShowTrayMenu(desktop_.window.PointerPosition());
        monitor_.ResendIcon();
    } else if (callbackMessage == MailCallback) {
        if (mouse == TrayMouse::LeftButtonUp || mouse == TrayMouse::RightButtonUp)
            ToggleMailList();
    }
}

} // namespace kestrel
