#include "net/component.h"

namespace kestrel {

SocketStack* SharedStack = nullptr;
int StackUserCount = 0;
std::mutex StackLock;

std::string StatusText(ConnectionStatus status, const std::string& argument) {
    switch (status) {
    case ConnectionStatus::Resolving:
        return "Host-Name " + argument + " wird aufgelöst.";
    case ConnectionStatus::Connecting:
        return "Verbinden mit " + argument + ".";
    case ConnectionStatus::Connected:
        return "Verbunden.";
    case ConnectionStatus::Disconnecting:
        return "Verbindung wird getrennt.";
    case ConnectionStatus::Disconnected:
        return "Verbindung aufgehoben.";
    default:
        return argument;
    }
}

Component::Component() {
    std::lock_guard lock(StackLock);
    if (StackUserCount == 0)
        SharedStack = new SocketStack(); // may raise: then nothing was counted
    ++StackUserCount;
}

Component::~Component() {
    std::lock_guard lock(StackLock);
    if (--StackUserCount == 0) {
        delete SharedStack;
        SharedStack = nullptr;
    }
}

void Component::ReportStatus(ConnectionStatus status, const std::string& argument) {
    if (OnStatus)
        OnStatus(*this, status, StatusText(status, argument));
}

void Component::StartWork(WorkMode mode, int64_t size) {
    WorkCounter& counter = work_[static_cast<int>(mode)];
    if (++counter.open == 1) {
        counter.size = size;
        counter.position = 0;
        if (OnWorkBegin)
            OnWorkBegin(*this, mode, size);
    }
}

void Component::CountWork(WorkMode mode, int64_t bytes) {
    WorkCounter& counter = work_[static_cast<int>(mode)];
    counter.position += bytes;
    if (counter.open >= 1 && OnWork)
        OnWork(*this, mode, counter.position);
}

void Component::FinishWork(WorkMode mode) {
    WorkCounter& counter = work_[static_cast<int>(mode)];
    if (counter.open == 1 && OnWorkEnd)
        OnWorkEnd(*this, mode, counter.position);
    if (counter.open > 0)
        --counter.open;
}

} // namespace kestrel
