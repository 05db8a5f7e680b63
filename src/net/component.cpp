#include "net/component.h"

namespace kestrel {

TIdStack* SharedStack = nullptr;
int StackUserCount = 0;
std::mutex StackLock;

std::string StatusText(TIdStatus status, const std::string& argument) {
    switch (status) {
    case TIdStatus::hsResolving:
        return "Host-Name " + argument + " wird aufgel\xF6st.";
    case TIdStatus::hsConnecting:
        return "Verbinden mit " + argument + ".";
    case TIdStatus::hsConnected:
        return "Verbunden.";
    case TIdStatus::hsDisconnecting:
        return "Verbindung wird getrennt.";
    case TIdStatus::hsDisconnected:
        return "Verbindung aufgehoben.";
    default:
        return argument;
    }
}

TIdComponent::TIdComponent() {
    std::lock_guard lock(StackLock);
    if (StackUserCount == 0)
        SharedStack = new TIdStack(); // may raise: then nothing was counted
    ++StackUserCount;
}

TIdComponent::~TIdComponent() {
    std::lock_guard lock(StackLock);
    if (--StackUserCount == 0) {
        delete SharedStack;
        SharedStack = nullptr;
    }
}

void TIdComponent::ReportStatus(TIdStatus status, const std::string& argument) {
    if (OnStatus)
        OnStatus(*this, status, StatusText(status, argument));
}

void TIdComponent::StartWork(TWorkMode mode, int64_t size) {
    WorkCounter& counter = work_[static_cast<int>(mode)];
    if (++counter.open == 1) {
        counter.size = size;
        counter.position = 0;
        if (OnWorkBegin)
            OnWorkBegin(*this, mode, size);
    }
}

void TIdComponent::CountWork(TWorkMode mode, int64_t bytes) {
    WorkCounter& counter = work_[static_cast<int>(mode)];
    counter.position += bytes;
    if (counter.open >= 1 && OnWork)
        OnWork(*this, mode, counter.position);
}

void TIdComponent::FinishWork(TWorkMode mode) {
    WorkCounter& counter = work_[static_cast<int>(mode)];
    if (counter.open == 1 && OnWorkEnd)
        OnWorkEnd(*this, mode, counter.position);
    if (counter.open > 0)
        --counter.open;
}

} // namespace kestrel
