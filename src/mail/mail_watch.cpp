#include "mail/mail_watch.h"

#include "mail/mail_entry.h"
#include "mail/server_field.h"
#include "pop3/pop3_client.h"

#include <algorithm>
#include <utility>

namespace kestrel {

MailWatch::MailWatch(const Desktop& desktop, TrayIconRecord mailIcon)
    : desktop_(desktop), mailIcon_(std::move(mailIcon)),
      newClient_([] { return std::make_unique<Pop3Client>(); }) {}

MailWatch::~MailWatch() = default;

void MailWatch::StoreAccount(int account, const AccountRecord& record) {
    accounts_[static_cast<size_t>(account - 1)] = record;
}

void MailWatch::ClearList() {
    desktop_.lists.ListReset(ControlName::MailListBox);
    lines_.clear();
    RemoveMailIcon();
    mailPending_ = false;
}

void MailWatch::RestoreMailIcon() {
    if (mailIconShown_)
        AddMailIcon();
}

void MailWatch::AddMailIcon() {
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

// A field that names no reachable server leaves the client unconnected: the account fails as
// if its server could not be reached, and nothing is sent.
void MailWatch::Connect(Pop3Client& pop, int account, int limitMs) {
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
    pop.OpenConnection(limitMs);
}

// Every failure of one account, the socket layer's start included, ends its work silently; what
// was done before it stays.
void MailWatch::CheckAccount(int account, bool listNew) {
    try {
        const std::unique_ptr<Pop3Client> pop = newClient_();
        Connect(*pop, account, CheckConnectLimitMs);
        if (!pop->IsConnected())
            return;
        const int32_t count = pop->CountMessages();
        int32_t& seen = lastSeenCount_[static_cast<size_t>(account - 1)];
        if (count < seen)
            seen = 0;
        if (seen < count) {
            mailPending_ = true;
            if (listNew)
                ListNewMessages(*pop, account, seen + 1, count);
        }
        pop->CloseConnection();
    } catch (...) {
    }
}

// A message counts as seen once its header is asked for: one that cannot be fetched is not
// tried again, and a listing cut short by a failure or a bound goes on behind it next time.
void MailWatch::ListNewMessages(Pop3Client& pop, int account, int32_t from, int32_t to) {
    MailMessage message;
    const int32_t last = to - from >= MostListedPerCheck ? from + MostListedPerCheck - 1 : to;
    for (int32_t n = from; n <= last; ++n) {
        lastSeenCount_[static_cast<size_t>(account - 1)] = n;
        pop.FetchHeader(n, message);
        desktop_.lists.ListInsert(ControlName::MailListBox, -1,
                                  MailListEntry(DisplayText(message), account, n));
        lines_.push_back({account, n, MessageIdentity(message)});
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
    try {
        const std::unique_ptr<Pop3Client> pop = newClient_();
        Connect(*pop, line.account, DeleteConnectLimitMs);
        if (pop->IsConnected()) {
            MailMessage message;
            pop->FetchHeader(line.number, message);
            if (MessageIdentity(message) == line.identity)
                deleted = pop->DeleteMessage(line.number);
            pop->CloseConnection();
        }
    } catch (...) {
    }
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
