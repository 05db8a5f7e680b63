// How often the process wakes while nothing happens: the mail engine with no account, then with
// three IMAP accounts idling on one server, each for the same time. Counts the context switches
// of all the process's threads (getrusage), which is what costs a laptop's battery.
// Usage: wakeup_bench imap://host:port user password seconds
#include "app/application.h"
#include "fake/fake_desktop.h"
#include "fake/fake_interface_table.h"
#include "fake/fake_settings_file.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace kestrel;
using Clock = std::chrono::steady_clock;

namespace {

long Switches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

// Wake-ups a second over the time given, with the accounts watched; the jobs that start the
// watch run first, and their idle connections get a few seconds to open.
double WakeupsPerSecond(const AccountTable& accounts, int seconds) {
    FakeDesktop desk;
    FakeInterfaceTable interfaces;
    FakeSettingsFile settings, totals, announced;
    Application app(Platform{desk.Ports(), interfaces, settings, totals, announced},
                    "C:\\kestrel\\kestrel.exe");
    app.Run();
    MailWatch& mail = app.Mail();
    mail.SetAccounts(accounts);
    mail.SetPeriodicCheck(true);
    mail.StartWatching();
    for (const auto end = Clock::now() + std::chrono::seconds(5); Clock::now() < end;) {
        desk.posted.WaitForAny(std::chrono::milliseconds(100));
        desk.posted.RunAll();
    }
    for (int n = 1; n <= 3; ++n) {
        const std::optional<AccountOutcome>& outcome = mail.States().Newest(n);
        if (accounts[static_cast<size_t>(n - 1)].active && (!outcome || !outcome->IsOk())) {
            std::fprintf(stderr, "account %d: %s\n", n,
                         outcome ? StatusText(*outcome).c_str() : "not checked");
            std::exit(1);
        }
    }
    const long before = Switches();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long woke = Switches() - before;
    desk.posted.RunAll();
    return static_cast<double>(woke) / seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s imap://host:port user password seconds\n", argv[0]);
        return 2;
    }
    const int seconds = std::atoi(argv[4]);
    const AccountRecord account{argv[1], argv[2], argv[3], true};
    const double none = WakeupsPerSecond({}, seconds);
    const double three = WakeupsPerSecond({account, account, account}, seconds);
    std::printf("wake-ups a second: %.2f with no account, %.2f with three idling\n", none, three);
    return 0;
}
