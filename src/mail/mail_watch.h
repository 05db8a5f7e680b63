#pragma once

#include "mail/account.h"
#include "mail/account_outcome.h"
#include "mail/account_states.h"
#include "mail/announced_state.h"
#include "mail/mail_jobs.h"
#include "mail/account_worker.h"
#include "ports/desktop.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kestrel {

// The three accounts, what was seen of them, the new-mail signals and the mail list's lines.
// Each account's checks, listings and deletions run on that account's own thread, one at a time
// in the order asked for, apart from the other accounts'; all of this state stays the GUI
// thread's, which hands each job its inputs as values and applies what the job posts back.
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

    // Notifications go to noticeIcon, which stays in the tray while the program runs.
    MailWatch(const Desktop& desktop, TrayIconRecord mailIcon, TrayIconRecord noticeIcon);
    ~MailWatch();

    // What was announced is kept there between runs; read when the watching starts.
    void KeepAnnouncedIn(SettingsFile& file) { announced_.KeepIn(file); }

    // Tests stand in for a socket layer that cannot start. Called on the accounts' threads.
    void MakeClientsWith(ClientMakers makers) { makers_ = std::move(makers); }

    // Accounts 1 to 3 as the settings and the account form give them.
    AccountTable Accounts() const;
    const AccountRecord& Account(int account) const { return Watched(account).settings; }
    void SetAccounts(const AccountTable& accounts);
    // An account that now names another server or user starts afresh: nothing of the old
    // mailbox counts as seen or listed there, what was announced on the new one before does.
    void StoreAccount(int account, const AccountRecord& record);

    // Whether the timer runs a plain check every 150 ticks.
    bool PeriodicCheck() const { return mailCheckEnabled_; }
    // IMAP accounts whose servers can idle are then checked as soon as the server tells of news.
    void SetPeriodicCheck(bool enabled) {
        mailCheckEnabled_ = enabled;
        UpdateIdle();
    }
    int32_t TicksSinceCheck() const { return mailTickCount_; }

    // A check found more messages than were seen, and the list was not cleared since.
    bool MailPending() const { return mailPending_; }
    // How many messages of each account count as seen: a listing check lists those after them.
    // A message counts once its line is added, or once its server refused or garbled its header.
    // Where the server has unique ids, new is what was not listed in this run, by id; the seen
    // count then stands for the first messages that were all listed.
    std::array<int32_t, 3> SeenCounts() const;
    const ListedIds& ListedIdsOf(int account) const { return IdsIn(Watched(account).listedIds); }
    // Forgets what was listed: the next listing lists every message.
    void ListEverythingAgain();

    // What each line of the mail list stands for, in the list's order.
    struct MailLine {
        int account = 0;
        int number = 0;       // the server's message number, in full
        std::string identity; // MessageIdentity of the listed header
        std::string uid;      // its unique id, where the server has them
    };
    const std::vector<MailLine>& Lines() const { return lines_; }
    // Each account's last outcome: the form's status line, the tooltip, the notifications.
    AccountStates& States() { return states_; }
    // Empties the mail list and takes back the signals of new mail.
    void ClearList();

    const TrayIconRecord& MailIcon() const { return mailIcon_; }
    // A new taskbar holds none of the old icons: the MailIcon goes back if it was shown.
    void RestoreMailIcon();
    void RemoveMailIcon();

    // Nothing is seen yet and nothing waits; then a plain check.
    void StartWatching();
    bool Watching() const { return watching_; }
    // Asks for a check of the active accounts; a listing check also lists the new messages.
    // A check of a kind already waiting, or a plain one while one runs, is not asked twice.
    void CheckMail(bool listNew);
    // A plain check of those accounts alone (1 to 3), active or not.
    void CheckAccounts(const std::vector<int>& accounts);
    // No job runs or waits.
    bool NoJobs() const;
    // After a sleep or a change of network: idle connections open afresh and every active
    // account is checked now. Asked again within ReconnectGapTicks, it waits for the ticks: a
    // network that flaps gets one reconnect every few seconds, not one per notice.
    void Reconnect();
    static constexpr int32_t ReconnectGapTicks = 3;
    // The timer's share: a plain check every 150 ticks while the settings enabled it.
    void CountTick();

    // Asks for the selected line's message to be deleted on its server, after making sure the
    // server's message of that number is still the one the line shows. A line whose identity
    // another line of its account shares is never deleted: the check could not tell them apart.
    // The line goes only when the server confirmed the deletion by answering QUIT positively.
    void DeleteSelectedMail();
    // Starts the mailto handler's program; the shell clears the list afterwards.
    void StartMailClient();

  private:
    enum class JobKind { Check, Listing, Deletion };
    struct Job {
        JobKind kind = JobKind::Check;
        MailLine line; // a deletion's
    };

    void Queue(int account, const Job& job);
    // A check of that kind, unless one waits already or, for a plain one, runs.
    void QueueCheck(int account, JobKind kind);
    void StartNext(int account);
    void StartCheck(int account, bool listNew);
    void StartDeletion(const MailLine& line);
    // From an account's thread: the task runs on the GUI thread while this watch lives.
    void PostBack(std::function<void(MailWatch&)> task);
    // What a check reported, gathered on the mail thread and handed over in batches, so that
    // a long listing shows as it goes without a redraw for every line. Each batch costs the GUI
    // thread a repaint of the list (10 to 25 ms under Wine), so batches go by time alone: a
    // listing over within the batch time is one repaint, however many lines it made.
    class ReportBatch {
      public:
        explicit ReportBatch(MailWatch& watch) : watch_(watch) {}
        void Add(CheckReport report);
        void Send();

      private:
        using Clock = std::chrono::steady_clock;
        static constexpr auto BatchTime = std::chrono::milliseconds(100);
        MailWatch& watch_;
        std::vector<CheckReport> reports_;
        Clock::time_point start_ = Clock::now();
    };

    void ApplyReports(const std::vector<CheckReport>& reports);
    void ApplyDeletion(const MailLine& line, const DeletionResult& result);
    void TakeOutcome(int account, const AccountOutcome& outcome);
    // The account's lines listed under ids its mailbox no longer has go: they would list its
    // messages twice.
    void DropLinesOutside(int account, const std::string& idPrefix);
    // What was announced on that mailbox before counts as listed.
    void KnowAnnounced(int account, const AccountRecord& record);
    // A check's ids go on record, and its outcome says once why mail may be new again.
    AccountOutcome Announced(const CheckReport& report);
    void JobEnded(int account, bool plainCheck);
    // The line that stands for the same message as that one: by id, the first of that account
    // with it; without, the one of that account and identity, when exactly one holds them.
    std::optional<size_t> LineOf(const MailLine& line) const;
    void AddMailIcon();
    // Keeps idle connections for the active IMAP accounts while the periodic check runs.
    void UpdateIdle();
    // A server told an idle connection of news: that account is checked, once.
    void PushedNews(int account);

    Desktop desktop_;
    TrayIconRecord mailIcon_;
    bool mailIconShown_ = false;
    // One account as it is watched: its settings, and what was seen and listed of its mailbox.
    struct WatchedAccount {
        AccountRecord settings;
        int32_t lastSeenCount = 0;
        ListedIdsValue listedIds;
        // Counts the times its ids and seen count were forgotten; what a job that started
        // before hands back is then dropped.
        uint32_t epoch = 0;
        // Its UIDL ran out of time or bounds: its checks count until it is forgotten.
        bool uidlUnusable = false;
        bool counted = false; // its last check had no ids to go by
        ListedIdsValue unanswered; // headers its last listing asked for and did not get
        std::deque<Job> queued;
        std::optional<JobKind> running;
        std::optional<IdleAccount> idling;
        void Forget();
    };
    // Accounts 1 to 3.
    WatchedAccount& Watched(int account) { return watched_[static_cast<size_t>(account - 1)]; }
    const WatchedAccount& Watched(int account) const {
        return watched_[static_cast<size_t>(account - 1)];
    }

    ClientMakers makers_;
    std::array<WatchedAccount, 3> watched_;
    bool mailPending_ = false;
    bool mailCheckEnabled_ = false;
    bool watching_ = false;
    int32_t mailTickCount_ = 0;
    int32_t ticksSinceReconnect_ = ReconnectGapTicks;
    bool reconnectWaits_ = false;
    std::vector<MailLine> lines_;
    AccountStates states_;
    AnnouncedRecord announced_;
    // Posted tasks hold it weakly: one that arrives after the watch is gone does nothing.
    std::shared_ptr<MailWatch*> self_ = std::make_shared<MailWatch*>(this);
    // Last, so that they end first: their threads may still post until they are joined.
    std::array<AccountWorker, 3> workers_;
    AccountWorker& Worker(int account) { return workers_[static_cast<size_t>(account - 1)]; }
};

} // namespace kestrel
