#include "mail/mail_watch.h"

#include "mail/mail_entry.h"

#include <algorithm>
#include <utility>

namespace kestrel {

namespace {

// A UIDL that took too long or broke a bound would do so again: the next checks count.
bool UidlFailed(const AccountOutcome& outcome) {
    using Kind = AccountOutcome::Kind;
    return outcome.step == MailStep::Uidl &&
           (outcome.kind == Kind::TimedOut || outcome.kind == Kind::TooLong);
}

} // namespace

MailWatch::MailWatch(const Desktop& desktop, TrayIconRecord mailIcon, TrayIconRecord noticeIcon)
    : desktop_(desktop), mailIcon_(std::move(mailIcon)),
      states_(desktop.controls, desktop.tray, std::move(noticeIcon)) {}

// Every account's thread is told at once, so that their goodbyes overlap.
MailWatch::~MailWatch() {
    for (AccountWorker& worker : workers_)
        worker.Leave();
}

AccountTable MailWatch::Accounts() const {
    AccountTable accounts;
    for (int account = 1; account <= 3; ++account)
        accounts[static_cast<size_t>(account - 1)] = Watched(account).settings;
    return accounts;
}

void MailWatch::SetAccounts(const AccountTable& accounts) {
    for (int account = 1; account <= 3; ++account)
        Watched(account).settings = accounts[static_cast<size_t>(account - 1)];
    UpdateIdle();
}

std::array<int32_t, 3> MailWatch::SeenCounts() const {
    return {watched_[0].lastSeenCount, watched_[1].lastSeenCount, watched_[2].lastSeenCount};
}

void MailWatch::StoreAccount(int account, const AccountRecord& record) {
    WatchedAccount& watched = Watched(account);
    if (watched.settings.server != record.server || watched.settings.user != record.user) {
        watched.Forget();
        KnowAnnounced(account, record);
    }
    watched.settings = record;
    UpdateIdle();
}

void MailWatch::UpdateIdle() {
    for (int account = 1; account <= 3; ++account) {
        WatchedAccount& watched = Watched(account);
        const AccountRecord& record = watched.settings;
        std::optional<IdleAccount> wanted;
        if (watching_ && mailCheckEnabled_ && record.active && record.server.IsImap())
            wanted = IdleAccount{account, record};
        if (wanted == watched.idling)
            continue;
        watched.idling = wanted;
        Worker(account).KeepIdle(std::move(wanted), makers_, [this](int news) {
            PostBack([news](MailWatch& watch) { watch.PushedNews(news); });
        });
    }
}

// News that came while a check runs may have come after it counted: one more waits then.
void MailWatch::PushedNews(int account) {
    const bool waiting = std::ranges::any_of(
        Watched(account).queued, [](const Job& job) { return job.kind == JobKind::Check; });
    if (!waiting) {
        mailTickCount_ = 0;
        Queue(account, {JobKind::Check, {}});
    }
}

void MailWatch::Reconnect() {
    if (ticksSinceReconnect_ < ReconnectGapTicks) {
        reconnectWaits_ = true;
        return;
    }
    ticksSinceReconnect_ = 0;
    reconnectWaits_ = false;
    for (AccountWorker& worker : workers_)
        worker.Reopen();
    if (mailCheckEnabled_)
        CheckMail(false);
}

bool MailWatch::NoJobs() const {
    return std::ranges::all_of(watched_, [](const WatchedAccount& watched) {
        return !watched.running && watched.queued.empty();
    });
}

void MailWatch::WatchedAccount::Forget() {
    lastSeenCount = 0;
    listedIds.reset();
    unanswered.reset();
    ++epoch;
    uidlUnusable = false;
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

void MailWatch::ListEverythingAgain() {
    for (WatchedAccount& watched : watched_)
        watched.Forget();
}

void MailWatch::StartWatching() {
    watching_ = true;
    UpdateIdle();
    mailTickCount_ = 0;
    ListEverythingAgain();
    announced_.Load();
    for (int account = 1; account <= 3; ++account)
        KnowAnnounced(account, Watched(account).settings);
    mailPending_ = false;
    CheckMail(false);
}

void MailWatch::CheckMail(bool listNew) {
    const bool anyActive = std::ranges::any_of(
        watched_, [](const WatchedAccount& watched) { return watched.settings.active; });
    if (!anyActive)
        return;
    mailTickCount_ = 0;
    for (int account = 1; account <= 3; ++account) {
        if (Watched(account).settings.active)
            QueueCheck(account, listNew ? JobKind::Listing : JobKind::Check);
    }
}

void MailWatch::QueueCheck(int account, JobKind kind) {
    const WatchedAccount& watched = Watched(account);
    const bool waiting =
        std::ranges::any_of(watched.queued, [&](const Job& job) { return job.kind == kind; });
    // A listing that runs took its seen counts already: one asked for now may find more.
    if (waiting || (kind == JobKind::Check && watched.running == kind))
        return;
    Queue(account, {kind, {}});
}

void MailWatch::CheckAccounts(const std::vector<int>& accounts) {
    if (accounts.empty())
        return;
    mailTickCount_ = 0;
    for (const int account : accounts)
        QueueCheck(account, JobKind::Check);
}

// The newest outcome of an account shows in the form, the tooltip and, where it changed, a
// notification.
void MailWatch::TakeOutcome(int account, const AccountOutcome& outcome) {
    states_.Take(account, outcome);
    mailIcon_.tooltip = states_.Tooltip();
    if (mailIconShown_)
        desktop_.tray.Modify(mailIcon_);
}

void MailWatch::DeleteSelectedMail() {
    const int index = desktop_.lists.ListSelection(ControlName::MailListBox);
    if (index < 0 || index >= static_cast<int>(lines_.size()))
        return; // no line, nothing to delete
    const MailLine& line = lines_[static_cast<size_t>(index)];
    if (!LineOf(line))
        return;
    Queue(line.account, {JobKind::Deletion, line});
}

void MailWatch::CountTick() {
    ticksSinceReconnect_ = std::min(ticksSinceReconnect_ + 1, ReconnectGapTicks);
    if (reconnectWaits_)
        Reconnect();
    if (!mailCheckEnabled_)
        return;
    if (mailTickCount_ >= CheckEveryTicks)
        CheckMail(false);
    ++mailTickCount_;
}

void MailWatch::StartMailClient() {
    const ProgramStart start = MailClientStart(desktop_.services.ReadMailtoCommand());
    desktop_.services.StartProgram(start.file, start.parameters);
}

std::optional<size_t> MailWatch::LineOf(const MailLine& line) const {
    if (!line.uid.empty()) {
        const auto same = std::ranges::find_if(lines_, [&](const MailLine& other) {
            return other.account == line.account && other.uid == line.uid;
        });
        if (same == lines_.end())
            return std::nullopt;
        return static_cast<size_t>(same - lines_.begin());
    }
    std::optional<size_t> found;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].account != line.account || lines_[i].identity != line.identity)
            continue;
        if (found)
            return std::nullopt; // twins: the check could not tell them apart
        found = i;
    }
    return found;
}

void MailWatch::Queue(int account, const Job& job) {
    Watched(account).queued.push_back(job);
    StartNext(account);
}

// Each job's inputs are taken now, from the state that the account's jobs before it left.
void MailWatch::StartNext(int account) {
    WatchedAccount& watched = Watched(account);
    while (!watched.running && !watched.queued.empty()) {
        const Job job = watched.queued.front();
        watched.queued.pop_front();
        if (job.kind == JobKind::Deletion)
            StartDeletion(job.line);
        else
            StartCheck(account, job.kind == JobKind::Listing);
    }
}

void MailWatch::PostBack(std::function<void(MailWatch&)> task) {
    desktop_.services.Post([self = std::weak_ptr(self_), task = std::move(task)] {
        if (const std::shared_ptr<MailWatch*> watch = self.lock())
            task(**watch);
    });
}

void MailWatch::StartCheck(int account, bool listNew) {
    WatchedAccount& watched = Watched(account);
    std::vector<AccountToCheck> accounts{{account, watched.settings, watched.lastSeenCount,
                                          watched.listedIds, watched.epoch, watched.uidlUnusable,
                                          watched.counted, watched.unanswered,
                                          states_.WouldAnnounceMail(account)}};
    watched.running = listNew ? JobKind::Listing : JobKind::Check;
    AccountWorker& worker = Worker(account);
    worker.Run([this, &worker, accounts = std::move(accounts), listNew, makers = makers_] {
        ReportBatch batch(*this);
        kestrel::CheckAccounts(
            accounts, listNew, {CheckConnectLimitMs, SessionLimitMs}, MostListedPerCheck,
            worker.Running(), [&batch](CheckReport report) { batch.Add(std::move(report)); },
            makers);
        batch.Send();
        PostBack([account = accounts.front().account, listNew](MailWatch& watch) {
            watch.JobEnded(account, !listNew);
        });
    });
}

void MailWatch::StartDeletion(const MailLine& requested) {
    // Earlier deletions may have renumbered the line, or another listing doubled it.
    const std::optional<size_t> index = LineOf(requested);
    if (!index)
        return;
    const MailLine line = lines_[*index];
    Watched(line.account).running = JobKind::Deletion;
    LineToDelete input{line.account, line.number, line.identity, Watched(line.account).settings,
                       line.uid};
    AccountWorker& worker = Worker(line.account);
    worker.Run([this, &worker, input = std::move(input), line, makers = makers_] {
        DeletionResult result = DeleteListedMessage(input, {DeleteConnectLimitMs, SessionLimitMs},
                                                    worker.Running(), makers);
        PostBack([line, result = std::move(result)](MailWatch& watch) {
            watch.ApplyDeletion(line, result);
            watch.JobEnded(line.account, false);
        });
    });
}

void MailWatch::ReportBatch::Add(CheckReport report) {
    if (reports_.empty())
        start_ = Clock::now(); // the time counts from the first line, not from the connect
    reports_.push_back(std::move(report));
    if (Clock::now() - start_ >= BatchTime)
        Send();
}

void MailWatch::ReportBatch::Send() {
    if (!reports_.empty()) {
        watch_.PostBack(
            [reports = std::move(reports_)](MailWatch& watch) { watch.ApplyReports(reports); });
    }
    reports_.clear();
    start_ = Clock::now();
}

// The seen count moves only from where the job found it: a list forgotten meanwhile (the mail
// mark, a restart of the watch) stays forgotten. The list is redrawn once per batch.
void MailWatch::ApplyReports(const std::vector<CheckReport>& reports) {
    const bool lines = std::ranges::any_of(
        reports, [](const CheckReport& report) { return !report.listed.empty(); });
    if (lines)
        desktop_.lists.BeginListFill(ControlName::MailListBox);
    for (const CheckReport& report : reports) {
        WatchedAccount& watched = Watched(report.account);
        if (watched.epoch == report.listedEpoch) {
            if (watched.lastSeenCount == report.seenBefore)
                watched.lastSeenCount = report.seenAfter;
            if (report.listedAfter)
                watched.listedIds = report.listedAfter;
            if (report.outcome && UidlFailed(*report.outcome))
                watched.uidlUnusable = true;
            if (report.outcome && report.outcome->IsOk())
                watched.counted = report.counted;
            if (report.unanswered)
                watched.unanswered = report.unanswered;
        }
        if (report.found)
            mailPending_ = true;
        if (!report.idPrefix.empty())
            DropLinesOutside(report.account, report.idPrefix);
        // The accounts report apart, as their servers answer; their lines stay in their order.
        auto at = std::ranges::find_if(
            lines_, [&](const MailLine& line) { return line.account > report.account; });
        for (const ListedMessage& message : report.listed) {
            desktop_.lists.ListInsert(ControlName::MailListBox,
                                      at == lines_.end() ? -1 : static_cast<int>(at - lines_.begin()),
                                      message.entry);
            at = lines_.insert(at, {report.account, message.number, message.identity, message.uid}) + 1;
        }
    }
    if (lines)
        desktop_.lists.EndListFill(ControlName::MailListBox);
    for (const CheckReport& report : reports) {
        if (report.outcome)
            TakeOutcome(report.account, Announced(report));
    }
}

void MailWatch::DropLinesOutside(int account, const std::string& idPrefix) {
    for (size_t i = lines_.size(); i-- > 0;) {
        const MailLine& line = lines_[i];
        if (line.account == account && !line.uid.empty() && !line.uid.starts_with(idPrefix)) {
            desktop_.lists.ListDelete(ControlName::MailListBox, static_cast<int>(i));
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void MailWatch::KnowAnnounced(int account, const AccountRecord& record) {
    if (std::optional<ListedIds> known = announced_.Known(account, record))
        Watched(account).listedIds = std::make_shared<const ListedIds>(std::move(*known));
}

AccountOutcome MailWatch::Announced(const CheckReport& report) {
    WatchedAccount& watched = Watched(report.account);
    AccountOutcome outcome = *report.outcome;
    if (!outcome.IsOk() || watched.epoch != report.listedEpoch)
        return outcome; // another mailbox by now, or what the mark forgot
    AddRemark(outcome, announced_.NoteOnce(report.account, watched.settings, report.counted));
    if (report.onServer && announced_.Seen(report.account, watched.settings, *report.onServer)) {
        AddRemark(outcome, "the server's message ids are not stable");
        watched.uidlUnusable = true; // a POP3 account counts from now on
    } else if (report.counted)
        announced_.Checked(report.account, watched.settings);
    return outcome;
}

// A line whose message is gone goes too: choosing it again could only say so again.
void MailWatch::ApplyDeletion(const MailLine& line, const DeletionResult& result) {
    TakeOutcome(line.account, AfterDeletion(result.outcome, states_.Newest(line.account),
                                            result.deleted && !result.stays));
    const bool gone = result.outcome.kind == AccountOutcome::Kind::Gone;
    if (!result.deleted && !gone)
        return;
    // By id, every line of the message goes: a listing of everything again may have doubled it.
    while (const std::optional<size_t> index = LineOf(line)) {
        desktop_.lists.ListDelete(ControlName::MailListBox, static_cast<int>(*index));
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
        if (line.uid.empty())
            break;
    }
    WatchedAccount& watched = Watched(line.account);
    if (IdsIn(watched.listedIds).contains(line.uid)) {
        auto rest = std::make_shared<ListedIds>(*watched.listedIds);
        rest->erase(line.uid);
        watched.listedIds = std::move(rest);
    }
    if (!result.deleted || !result.renumbers)
        return;
    if (watched.lastSeenCount > 0)
        --watched.lastSeenCount;
    for (MailLine& other : lines_) {
        if (other.account == line.account && other.number > result.number)
            --other.number;
    }
}

void MailWatch::JobEnded(int account, bool plainCheck) {
    if (plainCheck && mailPending_) {
        AddMailIcon();
        desktop_.controls.ShowControl(ControlName::MailMarkBox, true);
    }
    Watched(account).running.reset();
    StartNext(account);
}

} // namespace kestrel
