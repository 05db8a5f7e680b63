#pragma once

#include "net/socket_stack.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace kestrel {

enum class ConnectionStatus {
    Resolving,
    Connecting,
    Connected,
    Disconnecting,
    Disconnected,
    Text,
    Transfer,
    Ready,
    Aborted
};

// The status text of a code with its one argument filled in.
std::string StatusText(ConnectionStatus status, const std::string& argument);

enum class WorkMode { Read, Write };

// The shared socket stack: present while at least one Component lives.
extern SocketStack* SharedStack;
extern int StackUserCount;
extern std::mutex StackLock;

// The base of every transport object: it keeps the shared stack alive and counts work.
class Component {
  public:
    using StatusEvent = std::function<void(Component&, ConnectionStatus, const std::string&)>;
    using WorkEvent = std::function<void(Component&, WorkMode, int64_t)>;

    Component();
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    StatusEvent OnStatus;
    WorkEvent OnWorkBegin, OnWork, OnWorkEnd;

    void ReportStatus(ConnectionStatus status, const std::string& argument = "");
    void StartWork(WorkMode mode, int64_t size);
    void CountWork(WorkMode mode, int64_t bytes);
    void FinishWork(WorkMode mode);

  protected:
    SocketStack& Stack() { return *SharedStack; }

  private:
    struct WorkCounter {
        int open = 0;
        int64_t size = 0;
        int64_t position = 0;
    };
    WorkCounter work_[2];
};

} // namespace kestrel
