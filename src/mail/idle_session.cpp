#include "mail/idle_session.h"

#include "imap/imap_client.h"
#include "mail/job_client.h"
#include "net/wake_socket.h"

#include <algorithm>

namespace kestrel {

IdleSession::IdleSession(ClientMakers makers, IdleTiming timing)
    : makers_(std::move(makers)), timing_(timing) {}

IdleSession::~IdleSession() = default;

void IdleSession::Want(const std::optional<IdleAccount>& account) {
    if (account == account_)
        return;
    Close();
    account_ = account;
    openAt_ = Clock::now();
    pauseMs_ = 0;
    opened_ = noIdle_ = newsHeld_ = false;
}

void IdleSession::Reopen() {
    if (!account_ || noIdle_)
        return;
    Close();
    openAt_ = Clock::now();
    pauseMs_ = 0;
}

// A connection that broke may not even take the LOGOUT.
void IdleSession::Close() {
    try {
        if (client_)
            client_->CloseConnection();
    } catch (...) {
    }
    client_.reset();
}

void IdleSession::Drop() {
    Close();
    pauseMs_ = pauseMs_ == 0 ? timing_.firstPauseMs : std::min(pauseMs_ * 2, LongestPauseMs);
    openAt_ = Clock::now() + std::chrono::milliseconds(pauseMs_);
}

// Each step on the connection is bounded as a whole, not only response by response, so that no
// server holds the account's thread; and the end reaches whatever step runs.
template <class Step> void IdleSession::Bounded(int limitMs, Step step) {
    client_->LimitNextSteps(limitMs);
    running_.Attach(client_.get());
    try {
        step(*client_);
    } catch (...) {
        running_.Detach();
        throw;
    }
    running_.Detach();
}

void IdleSession::Open(const Changed& changed) {
    // Without a token now, the checks say why; the pauses keep the source from being pressed.
    AccountRecord login = account_->record;
    if (TakeToken(account_->account, login, makers_.tokens, false)) {
        Drop();
        return;
    }
    client_ = MakeClient(makers_.imap);
    MailStep step = MailStep::Connect;
    try {
        Bounded(OpenLimitMs, [&](ImapClient& client) {
            ConnectClient(client, login, {ConnectLimitMs, OpenLimitMs}, step);
        });
    } catch (const ClientError& e) {
        // A refused login or STARTTLS: the checks say so, and nobody hammers it. A token may
        // have run out meanwhile: the next open, after a pause, asks for one again.
        const FailureCause cause = e.Cause().cause;
        const bool refused = cause == FailureCause::Refused || cause == FailureCause::Bye;
        const bool noLogin = cause == FailureCause::NoLogin || cause == FailureCause::StartTls;
        if (!noLogin && !(refused && step == MailStep::Login && !login.signIn.UsesToken()))
            throw;
        noIdle_ = true;
    }
    // Without a server in the field or IDLE at the server, the periodic checks serve it.
    if (noIdle_ || !client_->IsConnected() || !client_->Has("IDLE")) {
        noIdle_ = true;
        Close();
        return;
    }
    Bounded(OpenLimitMs, [](ImapClient& client) {
        client.OpenInbox(true);
        client.StartIdle();
    });
    idleSince_ = Clock::now();
    pauseMs_ = 0; // it went through: the next loss starts the pauses afresh
    // Mail that came while the connection was down is news too.
    if (opened_)
        Tell(changed);
    opened_ = true;
}

void IdleSession::Renew() {
    Bounded(ReadLimitMs, [&](ImapClient& client) {
        client.EndIdle();
        client.StartIdle();
        newsHeld_ = client.WaitForChange(0) || newsHeld_; // what came in between
    });
    idleSince_ = Clock::now();
}

void IdleSession::Tell(const Changed& changed) {
    const auto now = Clock::now();
    if (now - toldAt_ < std::chrono::milliseconds(timing_.newsGapMs)) {
        newsHeld_ = true;
        return;
    }
    newsHeld_ = false;
    toldAt_ = now;
    changed(account_->account);
}

int IdleSession::DueInMs() {
    if (!account_ || noIdle_ || running_.Stopped())
        return -2;
    if (!client_)
        return MsUntil(openAt_);
    int due = MsUntil(idleSince_ + std::chrono::milliseconds(timing_.renewAfterMs));
    if (newsHeld_)
        due = std::min(due, MsUntil(toldAt_ + std::chrono::milliseconds(timing_.newsGapMs)));
    return due;
}

void IdleSession::DoWhatIsDue(const Changed& changed) {
    if (!account_ || noIdle_ || running_.Stopped())
        return;
    try {
        if (!client_ && Clock::now() >= openAt_)
            Open(changed);
        else if (client_ && Clock::now() - idleSince_ >= std::chrono::milliseconds(timing_.renewAfterMs))
            Renew();
        if (newsHeld_)
            Tell(changed);
    } catch (...) {
        Drop();
    }
}

void IdleSession::Listen(int limitMs, WakeSocket& wake, const Changed& changed) {
    bool news = false;
    try {
        client_->IOHandler()->AlsoWake = &wake;
        Bounded(std::max(limitMs, 0) + ReadLimitMs,
                [&](ImapClient& client) { news = client.WaitForChange(limitMs); });
        client_->IOHandler()->AlsoWake = nullptr;
    } catch (...) {
        Drop();
        return;
    }
    if (news)
        Tell(changed);
}

void IdleSession::Wait(const Changed& changed, WakeSocket& wake, int mostMs) {
    DoWhatIsDue(changed);
    int limitMs = DueInMs();
    if (mostMs >= 0)
        limitMs = limitMs < 0 ? mostMs : std::min(limitMs, mostMs);
    if (client_)
        Listen(limitMs, wake, changed);
    else
        wake.Wait(limitMs);
}

void IdleSession::End() {
    if (client_) {
        try {
            client_->Logout(GoodbyeMs);
        } catch (...) {
        }
        client_.reset();
    }
    account_.reset();
}

void IdleSession::Stop() {
    running_.Stop();
}

} // namespace kestrel
