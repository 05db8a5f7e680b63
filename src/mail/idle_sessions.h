#pragma once

// Push for IMAP accounts: one connection per account idles in INBOX on the mail thread between
// jobs, and tells when the server reports new messages or changed flags there.

#include "mail/account.h"
#include "mail/mail_jobs.h"
#include "net/deadline.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kestrel {

struct IdleAccount {
    int account;
    AccountRecord record;
    bool operator==(const IdleAccount&) const = default;
};

struct IdleTiming {
    // An idle is renewed before servers drop it (RFC 9051 asks them to wait 30 minutes).
    int renewAfterMs = 25 * 60 * 1000;
    // A lost connection is opened again after a pause that doubles up to five minutes.
    int firstPauseMs = 2000;
};

// Lives on the mail thread; only Stop comes from another.
class IdleSessions {
  public:
    static constexpr int ConnectLimitMs = 3000;
    // Opening (login, INBOX, IDLE) may take this long after the connect, as a check may.
    static constexpr int OpenLimitMs = 15000;
    // What arrives while idling, and a renewal, must be whole within this.
    static constexpr int ReadLimitMs = 2000;
    static constexpr int LongestPauseMs = 5 * 60 * 1000;
    // Each round waits this long on each connection for news, so that jobs wait little.
    static constexpr int SliceMs = 50;
    // Exit sends DONE and LOGOUT and waits this long, in all, for the servers to answer.
    static constexpr int GoodbyeMs = 500;

    using Changed = std::function<void(int account)>;

    explicit IdleSessions(ImapClientMaker newClient, IdleTiming timing = IdleTiming());
    ~IdleSessions();

    // The accounts to idle for; a session whose account changed starts afresh.
    void Want(const std::vector<IdleAccount>& accounts);
    bool Any() const { return !sessions_.empty(); }
    // One round: opens what is due, waits on each idling connection, renews old idles; each
    // account whose server told of a change goes to changed. How long the caller may sleep
    // before the next round, when it waited on no connection.
    int Poll(const Changed& changed);
    // Ends every idle: DONE and LOGOUT, within GoodbyeMs.
    void EndAll();
    // From any thread: a connect or a read under way ends at once, and no session opens again.
    void Stop();

  private:
    struct Session;
    void Open(Session& session, const Changed& changed);
    void Listen(Session& session, const Changed& changed);
    template <class Step> void Bounded(Session& session, int limitMs, Step step);
    void Close(Session& session);
    void Drop(Session& session);

    ImapClientMaker newClient_;
    IdleTiming timing_;
    std::vector<std::unique_ptr<Session>> sessions_;
    RunningClient running_;
};

} // namespace kestrel
