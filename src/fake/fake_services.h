#pragma once

#include "ports/services.h"

namespace kestrel {

class FakeDesktop;

// The scripted instance check and mailto handler; the timer and started programs kept.
class FakeServices : public Services {
  public:
    explicit FakeServices(FakeDesktop& desk) : desk_(desk) {}

    bool AnotherInstanceRuns(const std::string& title) override;
    void LoadResources() override;
    void StartTimer(int id, int periodMs) override;
    std::string ReadMailtoCommand() override;
    void StartProgram(const std::string& file, const std::string& parameters) override;

  private:
    FakeDesktop& desk_;
};

} // namespace kestrel
