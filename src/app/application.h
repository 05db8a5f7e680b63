#pragma once

#include "app/away_watch.h"
#include "app/password_keeper.h"
#include "app/sign_in_tokens.h"
#include "mail/mail_watch.h"
#include "monitor/monitor.h"
#include "ports/desktop.h"
#include "ports/https_client.h"
#include "ports/interface_table.h"
#include "ports/token_command.h"
#include "settings/settings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

enum class PanelState { MailConfig = 0, ThroughputConfig = 1, MailList = 2, Compact = 3 };

inline constexpr int ThroughputIconId = 1;
inline constexpr int MailIconId = 2;
inline constexpr int ThroughputCallback = 1034; // the tray's message for icon 1
inline constexpr int MailCallback = 1035;       // and for icon 2
inline constexpr int TimerId = 2;
inline constexpr int TimerPeriodMs = 2000;
inline constexpr int CompactWidth = 100;
inline constexpr int ExpandedWidth = 305;
inline constexpr int WindowHeight = 63;

// True when the command line holds "quiet" anywhere, in exactly that case.
bool HasQuietWord(std::string_view commandLine);

// What the application needs from the platform.
struct Platform {
    Desktop desktop;
    InterfaceTable& interfaces;
    SettingsFile& settings;
    SettingsFile& totals; // the bytes of today and this month, beside the settings
    SettingsFile& announced; // the mail announced so far, beside them too
    SecretStore* secrets = nullptr; // the desktop's store for passwords, where it has one
    TokenCommandRunner tokenCommands{}; // runs the accounts' token commands
    HttpsClient* https = nullptr;       // reaches the providers' token endpoints
};

// The shell: the window's creation sequence, tick, commands, panels and shutdown. It owns the
// monitor and the mail watch; the platform reaches it only through WindowEvents.
class Application : public WindowEvents {
  public:
    Application(const Platform& platform, std::string commandLine);

    // The program entry: single-instance check, resources, window, message loop.
    int Run();

    void OnCreate() override;
    void OnClose() override;
    void OnCommand(int id, int code, bool fromControl) override;
    void OnTimer() override;
    void OnTrayCallback(int callbackMessage, TrayMouse mouse) override;
    void OnTaskbarCreated() override;
    void OnResumeOrNetworkChange() override;

    PanelState Panel() const { return panelState_; }
    bool WindowVisible() const { return windowVisible_; }
    // The left edge the window goes back to when it narrows.
    int32_t RestoreLeft() const { return restoreLeft_; }
    // The account the form shows, 1 to 3; 0 before the first is chosen.
    int CurrentAccount() const { return currentAccount_; }

    // The two watchers the shell runs; tests and benchmarks drive them directly too.
    MailWatch& Mail() { return mail_; }
    Monitor& Throughput() { return monitor_; }

    // Panels and the window.
    void ShowMainWindow();
    void HideMainWindow();
    void ToggleWindow();
    void ExpandWindow();
    void CollapseWindow();
    void ShowMailConfig();
    // The sign-in dialog, for the account the mail form shows first.
    void ShowSignIn();
    // The account's sign-in at its provider, in the browser; its end is shown in its state.
    void StartSignIn(int account, const AccountRecord& record);
    void ShowThroughputConfig(bool alreadyWide);
    void ToggleMailList();
    void ClearMailList();

    // The account form.
    void StoreAccountForm(int account);
    void SelectAccount(int radioId);
    // What the confirmed form changed is checked at once; an active account with a password
    // turns the periodic check on.
    void WatchConfirmedAccounts();

    void FillSpeedList();
    void SaveAndQuit();

    // Where the passwords live: the store's rounds end on the GUI thread.
    PasswordKeeper& Passwords() { return passwords_; }

  private:
    void PlaceWindow(int32_t width);
    // The settings are gathered from their owners to be saved and handed back to them loaded.
    SettingsValues GatherSettings() const;
    void HandOutSettings(const SettingsValues& values);
    // The store's answers: passwords fetched at start, moves to write down, notes to show.
    void StartPasswords();
    void PasswordsTaken(const KeptPasswords& passwords);
    void ShowPasswordNotes();

    // Menus.
    void ShowTrayMenu(Point pointer);
    void ShowMailMenu(Point pointer);
    void ShowAbout();

    // Command and notification actions.
    void RunMenuCommand(int id);
    void RunNotification(int id, int code);
    void ConfirmPanel();
    void ToggleActiveCheck();
    void MailMarkClicked();
    void SelectAccount1();
    void SelectAccount2();
    void SelectAccount3();
    void InterfaceSelected();
    void SpeedSelected();
    void MailListSelected();

    Desktop desktop_;
    SettingsFile& settingsFile_;
    std::string commandLine_;
    MailWatch mail_;
    Monitor monitor_;
    AwayWatch away_{TimerPeriodMs};
    PasswordKeeper passwords_; // after the mail watch: its rounds end before the watch goes
    SecretStore* secrets_;
    HttpsClient* https_;
    std::shared_ptr<SignInTokens> signInTokens_; // shared with the accounts' threads

    PanelState panelState_ = PanelState::Compact;
    bool windowVisible_ = true;
    bool savedVisible_ = true;
    bool quietStart_ = false;
    int32_t windowLeft_ = 0;
    int32_t windowTop_ = 0;
    int32_t restoreLeft_ = 0;
    int currentAccount_ = 0;
    AccountTable formStart_; // the accounts as the mail form found them
    // Set when the stored position lay off every screen and the window was shown elsewhere: the
    // stored position goes back into the file unless the user moved the window.
    struct Displaced {
        Point stored;
        Point shown;
    };
    std::optional<Displaced> displaced_;
    SignInRun signInRun_; // last: stopped before anything it uses goes
};

} // namespace kestrel
