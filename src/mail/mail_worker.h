#pragma once

#include "mail/mail_jobs.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace kestrel {

// The mail thread: runs one job at a time, as the GUI thread hands them over. Made at the first
// job; ended, with the conversation of a running job, when the worker is freed.
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

  private:
    void Loop();

    RunningClient running_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::function<void()>> job_;
    bool ending_ = false;
    std::thread thread_;
};

} // namespace kestrel
