#pragma once

#include "fake/fake_record.h"
#include "ports/services.h"

namespace kestrel {

// The scripted instance check and mailto handler; the timer and started programs kept.
class FakeServices : public Services {
  public:
    explicit FakeServices(FakeRecord& desk) : desk_(desk) {}

    bool AnotherInstanceRuns(const std::string& title) override {
        desk_.log.push_back("find " + title);
        return desk_.otherInstanceRunning;
    }
    void LoadResources() override { desk_.log.push_back("load resources"); }
    void StartTimer(int id, int periodMs) override {
        desk_.log.push_back("timer " + std::to_string(id) + " " + std::to_string(periodMs));
        desk_.timer = FakeRecord::Timer{id, periodMs};
        ++desk_.timerStarts;
    }
    std::string ReadMailtoCommand() override { return desk_.mailtoCommand; }
    void StartProgram(const std::string& file, const std::string& parameters) override {
        desk_.log.push_back("start " + file + " | " + parameters);
        desk_.started.push_back({file, parameters});
    }
    void OpenUrl(const std::string& url) override {
        desk_.log.push_back("open " + url);
        desk_.openedUrls.push_back(url);
    }
    void Post(std::function<void()> task) override { desk_.posted.Push(std::move(task)); }
    // Each reading moves the scripted clock on by its step first: by default ticks come on time.
    int64_t MonotonicMs() override { return desk_.clockMs += desk_.clockStepMs; }
    int64_t WallMs() override { return desk_.clockMs + desk_.wallAheadMs; }
    CivilDate Today() override { return desk_.today; }

  private:
    FakeRecord& desk_;
};

} // namespace kestrel
