#pragma once

#include "net/stack.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace kestrel {

enum class TIdStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted
};

// The status text of a code with its one argument filled in.
std::string StatusText(TIdStatus status, const std::string& argument);

enum class TWorkMode { wmRead, wmWrite };

// The shared socket stack: present while at least one TIdComponent lives.
extern TIdStack* SharedStack;
extern int StackUserCount;
extern std::mutex StackLock;

// The base of every transport object: it keeps the shared stack alive and counts work.
class TIdComponent {
  public:
    using StatusEvent = std::function<void(TIdComponent&, TIdStatus, const std::string&)>;
    using WorkEvent = std::function<void(TIdComponent&, TWorkMode, int64_t)>;

    TIdComponent();
    virtual ~TIdComponent();
    TIdComponent(const TIdComponent&) = delete;
    TIdComponent& operator=(const TIdComponent&) = delete;

    StatusEvent OnStatus;
    WorkEvent OnWorkBegin, OnWork, OnWorkEnd;

    void ReportStatus(TIdStatus status, const std::string& argument = "");
    void StartWork(TWorkMode mode, int64_t size);
    void CountWork(TWorkMode mode, int64_t bytes);
    void FinishWork(TWorkMode mode);

  protected:
    TIdStack& Stack() { return *SharedStack; }

  private:
    struct WorkCounter {
        int open = 0;
        int64_t size = 0;
        int64_t position = 0;
    };
    WorkCounter work_[2];
};

} // namespace kestrel
