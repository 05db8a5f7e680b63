#pragma once

#include "mail/idle_session.h"
#include "mail/mail_jobs.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace kestrel {

class WakeSocket;

// One account's thread: runs that account's jobs in the order handed over, and between them
// keeps its idle connection, if it has one. A slow or silent server holds only its own account.
// It sleeps until a job, the end, its server or the next due step of the idle wakes it: nothing
// is polled. Made at the first job or idle; ended, with the conversation of a running job and
// the idle, when the worker is freed.
class AccountWorker {
  public:
    AccountWorker() = default;
    AccountWorker(const AccountWorker&) = delete;
    AccountWorker& operator=(const AccountWorker&) = delete;
    ~AccountWorker();

    // The job's client goes through this, so that the end can reach it.
    RunningClient& Running() { return running_; }
    void Run(std::function<void()> job);
    // The account to keep an idle connection for, or none, and what to call, on this thread,
    // when its server tells of a change.
    void KeepIdle(std::optional<IdleAccount> account, ClientMakers makers,
                  IdleSession::Changed changed);
    // After a sleep or a change of network: the idle connection opens again at once.
    void Reopen();
    // Ends the running job's conversation and asks the thread to end; the destructor waits.
    void Leave();

  private:
    struct Work {
        std::function<void()> job;
        std::optional<std::optional<IdleAccount>> wanted;
        bool reopen = false;
        bool ending = false;
    };
    void Start();
    void Wake();
    Work Take();
    void Loop();

    RunningClient running_;
    std::mutex mutex_;
    std::condition_variable ended_;
    std::deque<std::function<void()>> jobs_;
    std::optional<std::optional<IdleAccount>> idleWanted_;
    ClientMakers idleMakers_;
    IdleSession::Changed idleChanged_;
    bool reopen_ = false;
    bool ending_ = false;
    bool farewell_ = false; // the loop has ended: the idle's goodbye comes next
    // How long the end waits for an idle's step before it cuts it.
    static constexpr int StepEndMs = 300;
    // Made by the thread; the other threads reach them under the lock.
    WakeSocket* wake_ = nullptr;
    std::shared_ptr<IdleSession> idle_;
    std::thread thread_;
};

} // namespace kestrel
