#include "mail/mail_watch.h"

#include "mail/mail_entry.h"
#include "mail/server_field.h"
#include "net/exceptions.h"
#include "net/tls_engine.h"
#include "pop3/pop3_client.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace kestrel {

MailWatch::MailWatch(const Desktop& desktop, TrayIconRecord mailIcon, TrayIconRecord noticeIcon)
    : desktop_(desktop), mailIcon_(std::move(mailIcon)),
      newClient_([] { return std::make_unique<Pop3Client>(); }),
      states_(desktop.controls, desktop.tray, std::move(noticeIcon)) {}

MailWatch::~MailWatch() = default;

void MailWatch::StoreAccount(int account, const AccountRecord& record) {
    accounts_[static_cast<size_t>(account - 1)] = record;
}

void MailWatch::ClearList() {
    desktop_.lists.ListReset(ControlName::MailListBox);
    lines_.clear();
    RemoveMailIcon();
    mailPending_ = false;
    states_.MailTakenNotice();
}

void MailWatch::RestoreMailIcon() {
    if (mailIconShown_)
        AddMailIcon();
}

void MailWatch::AddMailIcon() {
    mailIcon_.tooltip = states_.Tooltip();
    desktop_.tray.Add(mailIcon_);
    mailIconShown_ = true;
}

void MailWatch::RemoveMailIcon() {
    desktop_.tray.Delete(mailIcon_);
    mailIconShown_ = false;
}

void MailWatch::StartWatching() {
    mailTickCount_ = 0;
    lastSeenCount_ = {};
    mailPending_ = false;
    CheckMail(false);
}

void MailWatch::CheckMail(bool listNew) {
    if (listNew)
        desktop_.lists.BeginListFill(ControlName::MailListBox);
    for (int account = 1; account <= 3; ++account) {
        if (!accounts_[static_cast<size_t>(account - 1)].active)
            continue;
        mailTickCount_ = 0;
        CheckAccount(account, listNew); // raises nothing: each account's failures stay its own
    }
    if (listNew)
        desktop_.lists.EndListFill(ControlName::MailListBox);
    if (mailPending_ && !listNew) {
        AddMailIcon();
        desktop_.controls.ShowControl(ControlName::MailMarkBox, true);
    }
}

void MailWatch::CheckAccounts(const std::vector<int>& accounts) {
    for (int account : accounts) {
        mailTickCount_ = 0;
        CheckAccount(account, false);
    }
    if (mailPending_) {
        AddMailIcon();
        desktop_.controls.ShowControl(ControlName::MailMarkBox, true);
    }
}

// Where the work will move off this thread, the outcome is what comes back.
void MailWatch::TakeOutcome(int account, const AccountOutcome& outcome) {
    states_.Take(account, outcome);
    mailIcon_.tooltip = states_.Tooltip();
    if (mailIconShown_)
        desktop_.tray.Modify(mailIcon_);
}

std::string MailWatch::HostOf(int account) const {
    const std::optional<ServerEndpoint> server =
        ParseServerField(accounts_[static_cast<size_t>(account - 1)].host);
    return server ? server->host : std::string();
}

// A field that names no reachable server leaves the client unconnected: the account fails as
// if its server could not be reached, and nothing is sent.
void MailWatch::Connect(Pop3Client& pop, int account, int limitMs, MailStep& step) {
    const AccountRecord& record = accounts_[static_cast<size_t>(account - 1)];
    const std::optional<ServerEndpoint> server = ParseServerField(record.host);
    if (!server)
        return;
    pop.Host = server->host;
    pop.Port = server->port;
    pop.UseTls = server->tls;
    pop.Username = record.user;
    pop.Password = record.password;
    pop.SessionLimitMs = SessionLimitMs;
    // Connected (TLS handshake included) means the greeting and the login come next.
    pop.OnStatus = [&step, before = pop.OnStatus](Component& c, ConnectionStatus status,
                                                  const std::string& argument) {
        if (status == ConnectionStatus::Connected)
            step = MailStep::Login;
        if (before)
            before(c, status, argument);
    };
    pop.OpenConnection(limitMs);
}

// Every failure of one account, the socket layer's start included, ends its work silently; what
// was done before it stays.
void MailWatch::CheckAccount(int account, bool listNew) {
    MailStep step = MailStep::Connect;
    AccountOutcome outcome;
    try {
        const std::unique_ptr<Pop3Client> pop = newClient_();
        Connect(*pop, account, CheckConnectLimitMs, step);
        if (!pop->IsConnected()) {
            TakeOutcome(account, NoServerIn(accounts_[static_cast<size_t>(account - 1)].host));
            return;
        }
        step = MailStep::Stat;
        const int32_t count = pop->CountMessages();
        int32_t& seen = lastSeenCount_[static_cast<size_t>(account - 1)];
        if (count < seen)
            seen = 0;
        const int32_t fresh = count - seen;
        if (seen < count) {
            mailPending_ = true;
            if (listNew) {
                step = MailStep::Top;
                ListNewMessages(*pop, account, seen + 1, count);
            }
        }
        step = MailStep::Quit;
        pop->CloseConnection();
        outcome = SucceededWith(count, fresh);
    } catch (...) {
        outcome = OutcomeOf(std::current_exception(), step, HostOf(account));
    }
    TakeOutcome(account, outcome);
}

namespace {

// A fetch that a bound or the connection's end cut short says nothing about the message: it
// is asked for again next time. One the server refused, or whose header cannot be read, would
// fail again, so it counts as seen and the next listing goes on behind it.
bool FetchWasCutShort(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ReadTimeout&) {
        return true;
    } catch (const SocketClosed&) {
        return true;
    } catch (const SilentError&) {
        return true;
    } catch (const ConnectionError&) {
        return true;
    } catch (const SocketError&) {
        return true;
    } catch (const TlsError&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

// A message counts as seen once its line is added.
void MailWatch::ListNewMessages(Pop3Client& pop, int account, int32_t from, int32_t to) {
    int32_t& seen = lastSeenCount_[static_cast<size_t>(account - 1)];
    MailMessage message;
    const int32_t last = to - from >= MostListedPerCheck ? from + MostListedPerCheck - 1 : to;
    for (int32_t n = from; n <= last; ++n) {
        try {
            pop.FetchHeader(n, message);
        } catch (...) {
            if (!FetchWasCutShort(std::current_exception()))
                seen = n;
            throw;
        }
        desktop_.lists.ListInsert(ControlName::MailListBox, -1,
                                  MailListEntry(DisplayText(message), account, n));
        lines_.push_back({account, n, MessageIdentity(message)});
        seen = n;
        message.ResetMessage();
    }
}

void MailWatch::DeleteSelectedMail() {
    const int index = desktop_.lists.ListSelection(ControlName::MailListBox);
    if (index < 0 || index >= static_cast<int>(lines_.size()))
        return; // no line, nothing to delete
    const MailLine line = lines_[static_cast<size_t>(index)];
    const auto twins = std::count_if(lines_.begin(), lines_.end(), [&](const MailLine& other) {
        return other.account == line.account && other.identity == line.identity;
    });
    if (twins > 1)
        return;
    bool deleted = false;
    MailStep step = MailStep::Connect;
    AccountOutcome outcome = SucceededWith(-1, 0);
    try {
        const std::unique_ptr<Pop3Client> pop = newClient_();
        Connect(*pop, line.account, DeleteConnectLimitMs, step);
        if (pop->IsConnected()) {
            MailMessage message;
            step = MailStep::Top;
            pop->FetchHeader(line.number, message);
            // The server removes a marked message only when it answers QUIT positively.
            step = MailStep::Dele;
            if (MessageIdentity(message) == line.identity && pop->DeleteMessage(line.number)) {
                step = MailStep::Quit;
                deleted = pop->Quit();
            } else {
                pop->CloseConnection();
            }
        } else {
            outcome = NoServerIn(accounts_[static_cast<size_t>(line.account - 1)].host);
        }
    } catch (...) {
        outcome = OutcomeOf(std::current_exception(), step, HostOf(line.account));
    }
    TakeOutcome(line.account, outcome);
    if (!deleted)
        return;
    desktop_.lists.ListDelete(ControlName::MailListBox, index);
    lines_.erase(lines_.begin() + index);
    --lastSeenCount_[static_cast<size_t>(line.account - 1)];
    // The server numbers the later messages of that mailbox one lower now.
    for (MailLine& other : lines_) {
        if (other.account == line.account && other.number > line.number)
            --other.number;
    }
}

void MailWatch::StartMailClient() {
    const ProgramStart start = MailClientStart(desktop_.services.ReadMailtoCommand());
    desktop_.services.StartProgram(start.file, start.parameters);
}

void MailWatch::CountTick() {
    if (!mailCheckEnabled_)
        return;
    if (mailTickCount_ >= CheckEveryTicks)
        CheckMail(false);
    ++mailTickCount_;
}

} // namespace kestrel
