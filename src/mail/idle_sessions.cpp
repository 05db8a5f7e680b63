#include "mail/idle_sessions.h"

#include "imap/imap_client.h"
#include "mail/job_client.h"

#include <algorithm>

namespace kestrel {

struct IdleSessions::Session {
    IdleAccount account;
    std::unique_ptr<ImapClient> client;
    Clock::time_point idleSince;
    Clock::time_point openAt = Clock::now();
    int pauseMs = 0;     // before the next open after a loss
    bool opened = false; // once: a later open may have missed news in between
    bool noIdle = false; // the server cannot idle: the periodic checks serve it
};

IdleSessions::IdleSessions(ImapClientMaker newClient, IdleTiming timing)
    : newClient_(std::move(newClient)), timing_(timing) {}

IdleSessions::~IdleSessions() = default;

void IdleSessions::Want(const std::vector<IdleAccount>& accounts) {
    std::erase_if(sessions_, [&](const std::unique_ptr<Session>& s) {
        if (std::ranges::find(accounts, s->account) != accounts.end())
            return false;
        Close(*s);
        return true;
    });
    for (const IdleAccount& account : accounts) {
        const bool kept = std::ranges::any_of(
            sessions_, [&](const std::unique_ptr<Session>& s) { return s->account == account; });
        if (!kept) {
            auto session = std::make_unique<Session>();
            session->account = account;
            sessions_.push_back(std::move(session));
        }
    }
}

// A connection that broke may not even take the LOGOUT.
void IdleSessions::Close(Session& session) {
    try {
        if (session.client)
            session.client->CloseConnection();
    } catch (...) {
    }
    session.client.reset();
}

void IdleSessions::Drop(Session& session) {
    Close(session);
    session.pauseMs =
        session.pauseMs == 0 ? timing_.firstPauseMs : std::min(session.pauseMs * 2, LongestPauseMs);
    session.openAt = Clock::now() + std::chrono::milliseconds(session.pauseMs);
}

// Each step on a connection is bounded as a whole, not only response by response, so that no
// server holds the mail thread; and the end reaches whatever step runs.
template <class Step> void IdleSessions::Bounded(Session& session, int limitMs, Step step) {
    session.client->LimitNextSteps(limitMs);
    running_.Attach(session.client.get());
    try {
        step(*session.client);
    } catch (...) {
        running_.Detach();
        throw;
    }
    running_.Detach();
}

void IdleSessions::Open(Session& session, const Changed& changed) {
    session.client = MakeClient(newClient_);
    MailStep step = MailStep::Connect;
    try {
        Bounded(session, OpenLimitMs, [&](ImapClient& client) {
            ConnectClient(client, session.account.record, {ConnectLimitMs, OpenLimitMs}, step);
        });
    } catch (const ClientError& e) {
        // A refused login or STARTTLS: the checks say so, and nobody hammers it.
        const FailureCause cause = e.Cause().cause;
        const bool refused = cause == FailureCause::Refused || cause == FailureCause::Bye;
        const bool noLogin = cause == FailureCause::NoLogin || cause == FailureCause::StartTls;
        if (!noLogin && !(refused && step == MailStep::Login))
            throw;
        session.noIdle = true;
    }
    // Without a server in the field or IDLE at the server, the periodic checks serve it.
    if (session.noIdle || !session.client->IsConnected() || !session.client->Has("IDLE")) {
        session.noIdle = true;
        Close(session);
        return;
    }
    Bounded(session, OpenLimitMs, [](ImapClient& client) {
        client.OpenInbox(true);
        client.StartIdle();
    });
    session.idleSince = Clock::now();
    // Mail that came while the connection was down is news too.
    if (session.opened)
        changed(session.account.account);
    session.opened = true;
}

void IdleSessions::Listen(Session& session, const Changed& changed) {
    bool news = false;
    Bounded(session, SliceMs + ReadLimitMs,
            [&](ImapClient& client) { news = client.WaitForChange(SliceMs); });
    const auto held = Clock::now() - session.idleSince;
    if (held >= std::chrono::milliseconds(timing_.renewAfterMs)) {
        Bounded(session, ReadLimitMs, [&](ImapClient& client) {
            client.EndIdle();
            client.StartIdle();
            news = client.WaitForChange(0) || news; // what came in between
        });
        session.idleSince = Clock::now();
    }
    if (held >= std::chrono::milliseconds(LongestPauseMs))
        session.pauseMs = 0; // it held: the next loss starts the pauses afresh
    if (news)
        changed(session.account.account);
}

int IdleSessions::Poll(const Changed& changed) {
    int sleepMs = SliceMs * 20;
    bool waited = false;
    for (const std::unique_ptr<Session>& s : sessions_) {
        if (s->noIdle || running_.Stopped())
            continue;
        try {
            if (s->client) {
                waited = true;
                Listen(*s, changed);
            } else if (Clock::now() >= s->openAt) {
                Open(*s, changed);
            } else {
                sleepMs = std::min(sleepMs, std::max(1, MsUntil(s->openAt)));
            }
        } catch (...) {
            Drop(*s);
        }
    }
    return waited ? 0 : sleepMs;
}

void IdleSessions::EndAll() {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(GoodbyeMs);
    for (const std::unique_ptr<Session>& s : sessions_) {
        if (!s->client)
            continue;
        try {
            s->client->Logout(std::max(1, MsUntil(deadline)));
        } catch (...) {
        }
        s->client.reset();
    }
    sessions_.clear();
}

void IdleSessions::Stop() {
    running_.Stop();
}

} // namespace kestrel
