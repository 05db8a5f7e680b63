#pragma once

#include "mail/idle_sessions.h"
#include "mail/mail_jobs.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kestrel {

// The mail thread: runs one job at a time, as the GUI thread hands them over, and between jobs
// keeps the IMAP accounts' idle connections. Made at the first job or idle; ended, with the
// conversation of a running job and the idles, when the worker is freed.
class MailWorker {
  public:
    MailWorker() = default;
    MailWorker(const MailWorker&) = delete;
    MailWorker& operator=(const MailWorker&) = delete;
    ~MailWorker();

    // The job's client goes through this, so that the end can reach it.
    RunningClient& Running() { return running_; }
    // Hands a job over; the GUI thread gives the next one only when the last one said it ended.
    void Run(std::function<void()> job);
    // The accounts to keep idle connections for, and what to call, on the mail thread, when one
    // of their servers tells of a change.
    void KeepIdle(std::vector<IdleAccount> accounts, ImapClientMaker newClient,
                  IdleSessions::Changed changed);

  private:
    void Start();
    void Loop();

    RunningClient running_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::function<void()>> job_;
    bool ending_ = false;
    bool farewell_ = false; // the loop has ended: the idles' goodbyes come next
    // How long the end waits for an idle's step before it cuts it.
    static constexpr int StepEndMs = 300;
    // Handed over by KeepIdle, taken by the loop.
    std::optional<std::vector<IdleAccount>> idleWanted_;
    ImapClientMaker newIdleClient_;
    IdleSessions::Changed idleChanged_;
    // Made by the loop; Stop reaches it from the destructor.
    std::shared_ptr<IdleSessions> idle_;
    std::thread thread_;
};

} // namespace kestrel
