#include "fake/fake_record.h"

#include <array>
#include <stdexcept>

namespace kestrel {

std::string NameOf(ControlName name) {
    static const std::array<const char*, ControlCount> names{
        "OkButton",      "MailMarkBox",   "AccountLabel",  "GraphArea",   "HostLabel",
        "UserLabel",     "PasswordLabel", "InterfaceList", "SpeedList",   "MailListBox",
        "HostEdit",      "UserEdit",      "PasswordEdit",  "ActiveCheck", "AccountRadio1",
        "AccountRadio2", "AccountRadio3", "StatusLine"};
    return names[static_cast<size_t>(name)];
}

FakeRecord::Control* FakeRecord::Find(ControlName name) {
    for (Control& c : controls) {
        if (c.definition.name == name)
            return &c;
    }
    return nullptr;
}

FakeRecord::Control& FakeRecord::control(ControlName name) {
    Control* found = Find(name);
    if (!found)
        throw std::logic_error("no control " + NameOf(name));
    return *found;
}

void FakeRecord::Drag(Point topLeft) {
    rect.left = topLeft.x;
    rect.top = topLeft.y;
}

void FakeRecord::UserTypes(ControlName name, const std::string& text) {
    control(name).text += text;
}

void PostedTasks::Push(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    arrived_.notify_all();
}

int PostedTasks::RunAll() {
    int ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty())
                return ran;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
        ++ran;
    }
}

void PostedTasks::WaitForAny(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, limit, [this] { return !tasks_.empty(); });
}

} // namespace kestrel
