#include "mail/mail_worker.h"

#include <chrono>
#include <utility>

namespace kestrel {

// A healthy idle comes back within its slice and says goodbye; a step that does not come back
// in time is cut, so that the goodbyes still fit the second that exit may take.
MailWorker::~MailWorker() {
    running_.Stop();
    std::unique_lock lock(mutex_);
    ending_ = true;
    changed_.notify_all();
    if (thread_.joinable() && idle_ &&
        !changed_.wait_for(lock, std::chrono::milliseconds(StepEndMs),
                           [this] { return farewell_; }))
        idle_->Stop();
    lock.unlock();
    if (thread_.joinable())
        thread_.join();
}

void MailWorker::Start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { Loop(); });
    changed_.notify_all();
}

void MailWorker::Run(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
    }
    Start();
}

void MailWorker::KeepIdle(std::vector<IdleAccount> accounts, ImapClientMaker newClient,
                          IdleSessions::Changed changed) {
    const bool none = accounts.empty();
    {
        std::lock_guard lock(mutex_);
        idleWanted_ = std::move(accounts);
        newIdleClient_ = std::move(newClient);
        idleChanged_ = std::move(changed);
    }
    if (!none || thread_.joinable())
        Start();
}

void MailWorker::Loop() {
    int sleepMs = -1; // until told: nothing idles
    for (;;) {
        std::function<void()> job;
        std::optional<std::vector<IdleAccount>> wanted;
        IdleSessions::Changed changed;
        {
            std::unique_lock lock(mutex_);
            const auto told = [this] { return ending_ || job_ || idleWanted_; };
            if (sleepMs < 0)
                changed_.wait(lock, told);
            else
                changed_.wait_for(lock, std::chrono::milliseconds(sleepMs), told);
            if (ending_)
                break;
            if (job_) {
                job = std::move(*job_);
                job_.reset();
            }
            wanted.swap(idleWanted_);
            if (wanted && !idle_)
                idle_ = std::make_shared<IdleSessions>(newIdleClient_);
            changed = idleChanged_;
        }
        if (wanted)
            idle_->Want(*wanted);
        if (job)
            job();
        sleepMs = -1;
        if (!job && idle_ && idle_->Any())
            sleepMs = idle_->Poll(changed);
        else if (idle_ && idle_->Any())
            sleepMs = 0;
    }
    {
        std::lock_guard lock(mutex_);
        farewell_ = true;
    }
    changed_.notify_all();
    if (idle_)
        idle_->EndAll();
}

} // namespace kestrel
