#pragma once

#include <QObject>

#include <functional>

namespace kestrel {

// logind's word that the machine woke from a sleep: connections made before it may lead nowhere.
// Without a system bus (a container, a session without logind) nothing is told, and the jump
// between the clocks at the next tick stands in.
class QtSleepWatch : public QObject {
    Q_OBJECT

  public:
    explicit QtSleepWatch(std::function<void()> woke);

  private slots:
    void PrepareForSleep(bool sleeping);

  private:
    std::function<void()> woke_;
};

} // namespace kestrel
