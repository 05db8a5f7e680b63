#pragma once

#include "mail/account_outcome.h"
#include "ports/controls.h"
#include "ports/tray.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// What the notifications remember of one account between its jobs.
struct NoticeHistory {
    bool mailPending = false;    // new mail was announced and not taken notice of since
    std::string lastFailure;     // the status text of the last job, if it failed
    int failuresInRow = 0;       // of that same failure
    std::string reportedFailure; // the failure announced, until the account works again
    bool operator==(const NoticeHistory&) const = default;
};

// The notifications that account's outcome calls for, in order; the history moves on with them.
// New mail is announced where none was pending: up to MostNamed messages one notice each with
// sender and subject, more in one that counts them and names the first senders, and only the
// count where the check could not read their headers. A failure once it came twice in a row the
// same way (once is not worth a popup), and again only when it changes; working again once.
std::vector<std::string> NoticesFor(int account, const AccountOutcome& outcome,
                                    NoticeHistory& history);

// The three accounts' newest outcomes as the GUI thread shows them: the status line of the
// account the mail form shows, the mail icon's tooltip, and notifications on the tray.
class AccountStates {
  public:
    static constexpr const char* NoticeTitle = "kestrel";

    // Notifications ride on that icon: it stays in the tray while the program runs, where the
    // mail icon goes with the list.
    AccountStates(Controls& controls, Tray& tray, TrayIconRecord noticeIcon);

    // The account's last job ended so.
    void Take(int account, const AccountOutcome& outcome);
    // The mail form shows that account (1 to 3) now.
    void ShowInForm(int account);
    // Where the account's password lives, or why not where it should: shown after the
    // outcome in the status line. Empty: nothing to say.
    void SetPasswordNote(int account, std::string note);
    // The user took notice of the new mail: the list was cleared.
    void MailTakenNotice();
    // New mail on the account would be announced now: none is pending since the list was
    // cleared. Only then is it worth reading the headers that name it.
    bool WouldAnnounceMail(int account) const {
        return !history_[static_cast<size_t>(account - 1)].mailPending;
    }

    const std::optional<AccountOutcome>& Newest(int account) const {
        return newest_[static_cast<size_t>(account - 1)];
    }
    // "1: 3 new  2: wrong password  3: ok", the accounts without an outcome left out.
    std::string Tooltip() const;

  private:
    void ShowStatus();

    Controls& controls_;
    Tray& tray_;
    TrayIconRecord noticeIcon_;
    int formAccount_ = 0;
    std::array<std::optional<AccountOutcome>, 3> newest_{};
    std::array<NoticeHistory, 3> history_{};
    std::array<std::string, 3> passwordNotes_{};
};

} // namespace kestrel
