#include "mail/mail_worker.h"

#include <utility>

namespace kestrel {

MailWorker::~MailWorker() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    running_.Stop();
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void MailWorker::Run(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
    }
    if (!thread_.joinable())
        thread_ = std::thread([this] { Loop(); });
    changed_.notify_all();
}

void MailWorker::Loop() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return ending_ || job_.has_value(); });
            if (ending_)
                return;
            job = std::move(*job_);
            job_.reset();
        }
        job();
    }
}

} // namespace kestrel
