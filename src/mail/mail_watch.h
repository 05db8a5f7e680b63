#pragma once

#include "mail/account.h"
#include "mail/account_outcome.h"
#include "mail/account_states.h"
#include "ports/desktop.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kestrel {

class Pop3Client;

// The three accounts, what was seen of them, the new-mail signals and the mail list's lines.
class MailWatch {
  public:
    static constexpr int32_t CheckEveryTicks = 150;
    static constexpr int CheckConnectLimitMs = 3000;
    static constexpr int DeleteConnectLimitMs = 10000;
    // After the connect, one account's check or one deletion may take this long, and a check
    // lists this many messages at most; the rest wait for the next listing. Both keep a
    // server that never stops sending from holding the window.
    static constexpr int SessionLimitMs = 15000;
    static constexpr int32_t MostListedPerCheck = 1000;

    // Makes the POP3 client of each check and deletion.
    using ClientFactory = std::function<std::unique_ptr<Pop3Client>()>;

    // Notifications go to noticeIcon, which stays in the tray while the program runs.
    MailWatch(const Desktop& desktop, TrayIconRecord mailIcon, TrayIconRecord noticeIcon);
    ~MailWatch();

    // Tests stand in for a socket layer that cannot start.
    void MakeClientsWith(ClientFactory newClient) { newClient_ = std::move(newClient); }

    // Accounts 1 to 3 as the settings and the account form give them.
    const AccountTable& Accounts() const { return accounts_; }
    void SetAccounts(const AccountTable& accounts) { accounts_ = accounts; }
    void StoreAccount(int account, const AccountRecord& record);

    // Whether the timer runs a plain check every 150 ticks.
    bool PeriodicCheck() const { return mailCheckEnabled_; }
    void SetPeriodicCheck(bool enabled) { mailCheckEnabled_ = enabled; }
    int32_t TicksSinceCheck() const { return mailTickCount_; }

    // A check found more messages than were seen, and the list was not cleared since.
    bool MailPending() const { return mailPending_; }
    // How many messages of each account count as seen: a listing check lists those after them.
    // A message counts once its line is added, or once its server refused or garbled its header.
    const std::array<int32_t, 3>& SeenCounts() const { return lastSeenCount_; }
    void ListEverythingAgain() { lastSeenCount_ = {}; }

    // What each line of the mail list stands for, in the list's order.
    struct MailLine {
        int account;
        int number;           // the server's message number, in full
        std::string identity; // MessageIdentity of the listed header
    };
    const std::vector<MailLine>& Lines() const { return lines_; }
    // Empties the mail list and takes back the signals of new mail.
    void ClearList();

    const TrayIconRecord& MailIcon() const { return mailIcon_; }
    // Each account's last outcome: the form's status line, the tooltip, the notifications.
    AccountStates& States() { return states_; }
    // A new taskbar holds none of the old icons: the MailIcon goes back if it was shown.
    void RestoreMailIcon();
    void RemoveMailIcon();

    // Nothing is seen yet and nothing waits; then a plain check.
    void StartWatching();
    void CheckMail(bool listNew);
    // A plain check of those accounts alone (1 to 3), active or not.
    void CheckAccounts(const std::vector<int>& accounts);
    // The timer's share: a plain check every 150 ticks while the settings enabled it.
    void CountTick();

    // Deletes the selected line's message on its server, after making sure the server's
    // message of that number is still the one the line shows. A line whose identity another
    // line of its account shares is never deleted: the check could not tell them apart. The
    // line goes only when the server confirmed the deletion by answering QUIT positively.
    void DeleteSelectedMail();
    // Starts the mailto handler's program; the shell clears the list afterwards.
    void StartMailClient();

  private:
    void CheckAccount(int account, bool listNew);
    void ListNewMessages(Pop3Client& pop, int account, int32_t from, int32_t to);
    void Connect(Pop3Client& pop, int account, int limitMs, MailStep& step);
    void TakeOutcome(int account, const AccountOutcome& outcome);
    std::string HostOf(int account) const;
    void AddMailIcon();

    Desktop desktop_;
    TrayIconRecord mailIcon_;
    bool mailIconShown_ = false;
    ClientFactory newClient_;
    AccountTable accounts_;
    std::array<int32_t, 3> lastSeenCount_{};
    bool mailPending_ = false;
    bool mailCheckEnabled_ = false;
    int32_t mailTickCount_ = 0;
    std::vector<MailLine> lines_;
    AccountStates states_;
};

} // namespace kestrel
