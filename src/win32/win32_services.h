#pragma once

#include "ports/services.h"
#include "win32/win32_handles.h"

namespace kestrel {

// The instance check, the resources, the timer, the registry's mailto handler and the shell.
class Win32Services : public Services {
  public:
    explicit Win32Services(Win32Handles& handles) : handles_(handles) {}

    bool AnotherInstanceRuns(const std::string& title) override;
    void LoadResources() override;
    void StartTimer(int id, int periodMs) override;
    std::string ReadMailtoCommand() override;
    void StartProgram(const std::string& file, const std::string& parameters) override;
    void OpenUrl(const std::string& url) override;
    void Post(std::function<void()> task) override;
    int64_t MonotonicMs() override;
    int64_t WallMs() override;
    CivilDate Today() override;

  private:
    Win32Handles& handles_;
};

} // namespace kestrel
