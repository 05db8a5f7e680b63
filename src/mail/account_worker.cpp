#include "mail/account_worker.h"

#include "net/wake_socket.h"

#include <chrono>
#include <utility>

namespace kestrel {

// A healthy idle wakes at once and says goodbye; a step that does not come back in time (an
// open on a slow server) is cut, so that the goodbye still fits the second that exit may take.
AccountWorker::~AccountWorker() {
    Leave();
    std::unique_lock lock(mutex_);
    if (thread_.joinable() && idle_ &&
        !ended_.wait_for(lock, std::chrono::milliseconds(StepEndMs), [this] { return farewell_; }))
        idle_->Stop();
    lock.unlock();
    if (thread_.joinable())
        thread_.join();
}

void AccountWorker::Leave() {
    running_.Stop();
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    Wake();
}

void AccountWorker::Wake() {
    std::lock_guard lock(mutex_);
    if (wake_)
        wake_->Wake();
}

void AccountWorker::Start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { Loop(); });
    Wake();
}

void AccountWorker::Run(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    Start();
}

void AccountWorker::KeepIdle(std::optional<IdleAccount> account, ClientMakers makers,
                             IdleSession::Changed changed) {
    const bool none = !account;
    {
        std::lock_guard lock(mutex_);
        idleWanted_ = std::move(account);
        idleMakers_ = std::move(makers);
        idleChanged_ = std::move(changed);
    }
    if (!none || thread_.joinable())
        Start();
}

void AccountWorker::Reopen() {
    {
        std::lock_guard lock(mutex_);
        reopen_ = true;
    }
    if (thread_.joinable())
        Wake();
}

AccountWorker::Work AccountWorker::Take() {
    std::lock_guard lock(mutex_);
    Work work;
    work.ending = ending_;
    if (!jobs_.empty()) {
        work.job = std::move(jobs_.front());
        jobs_.pop_front();
    }
    work.wanted.swap(idleWanted_);
    if (work.wanted && !idle_)
        idle_ = std::make_shared<IdleSession>(idleMakers_);
    work.reopen = std::exchange(reopen_, false);
    return work;
}

void AccountWorker::Loop() {
    WakeSocket wake;
    {
        std::lock_guard lock(mutex_);
        wake_ = &wake;
    }
    for (;;) {
        wake.Drain(); // a wake-up that comes after this one is seen by the wait below
        Work work = Take();
        if (work.ending)
            break;
        if (work.wanted)
            idle_->Want(*work.wanted);
        if (work.reopen && idle_)
            idle_->Reopen();
        if (work.job) {
            work.job();
            continue;
        }
        if (idle_ && idle_->Wanted()) {
            IdleSession::Changed changed;
            {
                std::lock_guard lock(mutex_);
                changed = idleChanged_;
            }
            idle_->Wait(changed, wake);
        } else {
            wake.Wait(-2);
        }
    }
    {
        std::lock_guard lock(mutex_);
        farewell_ = true;
        wake_ = nullptr;
    }
    ended_.notify_all();
    if (idle_)
        idle_->End();
}

} // namespace kestrel
