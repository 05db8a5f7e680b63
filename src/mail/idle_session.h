#pragma once

// Push for one IMAP account: a connection that idles in INBOX on the account's own thread
// between its jobs, and tells when the server reports new messages or changed flags there.

#include "mail/account.h"
#include "mail/mail_jobs.h"
#include "net/deadline.h"

#include <functional>
#include <memory>
#include <optional>

namespace kestrel {

class WakeSocket;

struct IdleAccount {
    int account;
    AccountRecord record;
    bool operator==(const IdleAccount&) const = default;
};

struct IdleTiming {
    // The idle is ended and begun again this often: a connection that died without a word (a
    // sleep, a router that forgot it) shows then, as an answer that does not come. Servers
    // would drop an idle only after 30 minutes (RFC 9051).
    int renewAfterMs = 100 * 1000;
    // A lost connection is opened again after a pause that doubles up to five minutes, and
    // starts from this again once an open went through.
    int firstPauseMs = 2000;
    // News is told at once, and then at most this often: a server that reports changes on and
    // on gets one check a second at most, not one login per report, while deliveries a second
    // or more apart are each told at once.
    int newsGapMs = 1000;
};

// Lives on the account's thread; only Stop comes from another.
class IdleSession {
  public:
    static constexpr int ConnectLimitMs = 3000;
    // Opening (login, INBOX, IDLE) may take this long after the connect, as a check may.
    static constexpr int OpenLimitMs = 15000;
    // What arrives while idling, and a renewal, must be whole within this.
    static constexpr int ReadLimitMs = 2000;
    static constexpr int LongestPauseMs = 5 * 60 * 1000;
    // Exit sends DONE and LOGOUT and waits this long for the server to answer.
    static constexpr int GoodbyeMs = 500;

    using Changed = std::function<void(int account)>;

    explicit IdleSession(ClientMakers makers, IdleTiming timing = IdleTiming());
    ~IdleSession();

    // The account to idle for, or none; a changed account starts afresh.
    void Want(const std::optional<IdleAccount>& account);
    bool Wanted() const { return account_.has_value(); }
    // After a sleep or a change of network: the connection opens again now, and the pauses
    // start afresh.
    void Reopen();
    // Does what is due (opens, renews, tells held news), then waits for the server until the
    // next thing is due, wake is woken or mostMs passed (-2: no bound), and tells of news.
    void Wait(const Changed& changed, WakeSocket& wake, int mostMs = -2);
    // DONE and LOGOUT, within GoodbyeMs.
    void End();
    // From any thread: a connect or a read under way ends at once, and nothing opens again.
    void Stop();

  private:
    void DoWhatIsDue(const Changed& changed);
    // Milliseconds until the next thing is due; -2 when nothing is.
    int DueInMs();
    void Open(const Changed& changed);
    void Listen(int limitMs, WakeSocket& wake, const Changed& changed);
    void Renew();
    void Tell(const Changed& changed);
    template <class Step> void Bounded(int limitMs, Step step);
    void Close();
    void Drop();

    ClientMakers makers_;
    IdleTiming timing_;
    std::optional<IdleAccount> account_;
    std::unique_ptr<ImapClient> client_;
    Clock::time_point idleSince_;
    Clock::time_point openAt_ = Clock::now();
    Clock::time_point toldAt_;
    int pauseMs_ = 0;     // before the next open after a loss
    bool opened_ = false; // once: a later open may have missed news in between
    bool noIdle_ = false; // the server cannot idle: the periodic checks serve it
    bool newsHeld_ = false;
    RunningClient running_;
};

} // namespace kestrel
