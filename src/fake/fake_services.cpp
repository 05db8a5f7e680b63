#include "fake/fake_services.h"

#include "fake/fake_desktop.h"

namespace kestrel {

bool FakeServices::AnotherInstanceRuns(const std::string& title) {
    desk_.log.push_back("find " + title);
    return desk_.otherInstanceRunning;
}

void FakeServices::LoadResources() {
    desk_.log.push_back("load resources");
}

void FakeServices::StartTimer(int id, int periodMs) {
    desk_.log.push_back("timer " + std::to_string(id) + " " + std::to_string(periodMs));
    desk_.timer = FakeDesktop::Timer{id, periodMs};
    ++desk_.timerStarts;
}

std::string FakeServices::ReadMailtoCommand() {
    return desk_.mailtoCommand;
}

void FakeServices::StartProgram(const std::string& file, const std::string& parameters) {
    desk_.log.push_back("start " + file + " | " + parameters);
    desk_.started.push_back({file, parameters});
}

} // namespace kestrel
