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

IdleSessions::IdleSessions(ImapClientFactory newClient, IdleTiming timing)
    : newClient_(std::move(newClient)), timing_(timing) {}

IdleSessions::~IdleSessions() = default;

void IdleSessions::Want(const std::vector<IdleAccount>& accounts) {
    std::erase_if(sessions_, [&](const std::unique_ptr<Session>& s) {
        if (std::ranges::find(accounts, s->account) != accounts.end())
            return false;
        if (s->client)
            s->client->CloseConnection();
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

void IdleSessions::Drop(Session& session) {
    try {
        if (session.client)
            session.client->CloseConnection();
    } catch (...) {
    }
    running_.Detach();
    session.client.reset();
    session.pauseMs =
        session.pauseMs == 0 ? timing_.firstPauseMs : std::min(session.pauseMs * 2, LongestPauseMs);
    session.openAt = Clock::now() + std::chrono::milliseconds(session.pauseMs);
}

void IdleSessions::Open(Session& session, const Changed& changed) {
    session.client = newClient_ ? newClient_() : std::make_unique<ImapClient>();
    running_.Attach(session.client.get());
    MailStep step = MailStep::Connect;
    ConnectClient(*session.client, session.account.record, {ConnectLimitMs, 0}, step);
    if (!session.client->IsConnected()) {
        session.noIdle = true; // no server in the field: the checks say so
        Drop(session);
        return;
    }
    if (!session.client->Has("IDLE")) {
        session.noIdle = true;
        Drop(session);
        return;
    }
    session.client->OpenInbox(true);
    session.client->StartIdle();
    session.idleSince = Clock::now();
    running_.Detach();
    // Mail that came while the connection was down is news too.
    if (session.opened)
        changed(session.account.account);
    session.opened = true;
}

int IdleSessions::Poll(const Changed& changed) {
    int sleepMs = SliceMs * 20;
    bool waited = false;
    for (const std::unique_ptr<Session>& s : sessions_) {
        if (s->noIdle || running_.Stopped())
            continue;
        try {
            if (!s->client) {
                if (Clock::now() < s->openAt) {
                    sleepMs = std::min(sleepMs, std::max(1, MsUntil(s->openAt)));
                    continue;
                }
                Open(*s, changed);
                continue;
            }
            waited = true;
            if (s->client->WaitForChange(SliceMs))
                changed(s->account.account);
            const auto held = Clock::now() - s->idleSince;
            if (held >= std::chrono::milliseconds(timing_.renewAfterMs)) {
                s->client->EndIdle();
                s->client->StartIdle();
                s->idleSince = Clock::now();
            }
            if (held >= std::chrono::milliseconds(LongestPauseMs))
                s->pauseMs = 0; // it held: the next loss starts the pauses afresh
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
