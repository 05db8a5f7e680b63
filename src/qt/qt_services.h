#pragma once

#include "linux/user_files.h"
#include "ports/services.h"
#include "qt/qt_shell.h"

#include <QTimer>

#include <map>
#include <memory>

namespace kestrel {

// What kestrel asks of a Linux desktop beyond the window: the instance lock in the runtime
// folder, the pictures compiled into the program, Qt's timers, the mailto handler that xdg-mime
// names, and starting a program.
class QtServices : public Services {
  public:
    explicit QtServices(QtShell& shell) : shell_(shell) {}

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
    QtShell& shell_;
    std::unique_ptr<InstanceLock> lock_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
};

} // namespace kestrel
