// Push through IMAP IDLE, end to end on the fake front end: a message delivered into the
// account's Maildir as a mail server delivers it (written to tmp/, renamed into new/) until the
// mail mark is lit and a notification shown. This program plays the GUI thread. Prints each run
// and the median, in ms.
// Usage: push_bench imap://host:port user password maildir runs
// (under Wine the Maildir as Z:/...)
#include "app/application.h"
#include "fake/fake_desktop.h"
#include "fake/fake_interface_table.h"
#include "fake/fake_settings_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace kestrel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Runs what the mail thread posted, as the message loop would, until no job runs or waits.
bool Settle(FakeDesktop& desk, Application& app) {
    const auto end = Clock::now() + std::chrono::seconds(60);
    while (!app.Mail().NoJobs() && Clock::now() < end) {
        desk.posted.WaitForAny(std::chrono::milliseconds(20));
        desk.posted.RunAll();
    }
    desk.posted.RunAll();
    return app.Mail().NoJobs();
}

// A name no earlier run of this program used, in Maildir's time.unique.host form.
std::string UniqueName(int run) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    return std::to_string(us / 1000000) + ".M" + std::to_string(us % 1000000) + "R" +
           std::to_string(run) + ".pushbench";
}

void Deliver(const fs::path& maildir, int run) {
    const std::string name = UniqueName(run);
    {
        std::ofstream out(maildir / "tmp" / name, std::ios::binary);
        out << "From: pushed@example.org\r\nTo: someone@example.org\r\nSubject: Pushed " << run
            << "\r\nMessage-Id: <" << name << "@example.org>\r\n\r\nBody.\r\n";
    }
    fs::rename(maildir / "tmp" / name, maildir / "new" / name);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s imap://host:port user password maildir runs\n", argv[0]);
        return 2;
    }
    const fs::path maildir = argv[4];
    const int runs = std::atoi(argv[5]);
    if (!fs::is_directory(maildir / "new") || !fs::is_directory(maildir / "tmp")) {
        std::fprintf(stderr, "%s is no Maildir\n", argv[4]);
        return 2;
    }

    FakeDesktop desk;
    FakeInterfaceTable interfaces;
    FakeSettingsFile settings, totals, announced;
    Application app(Platform{desk.Ports(), interfaces, settings, totals, announced},
                    "C:\\kestrel\\kestrel.exe");
    app.Run();
    MailWatch& mail = app.Mail();
    mail.StoreAccount(1, {argv[1], argv[2], argv[3], true});
    mail.SetPeriodicCheck(true);
    mail.StartWatching();
    if (!Settle(desk, app)) {
        std::fprintf(stderr, "the first check did not finish\n");
        return 1;
    }
    // The idle connection opens on the mail thread after the first check; nothing tells when.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    desk.posted.RunAll();

    std::vector<double> times;
    for (int run = 1; run <= runs; ++run) {
        mail.ClearList();
        const size_t notices = desk.notifications.size();
        const auto start = Clock::now();
        Deliver(maildir, run);
        const auto deadline = start + std::chrono::seconds(20);
        while (!(mail.MailPending() && desk.notifications.size() > notices) &&
               Clock::now() < deadline) {
            desk.posted.WaitForAny(std::chrono::milliseconds(5));
            desk.posted.RunAll();
        }
        const std::chrono::duration<double, std::milli> took = Clock::now() - start;
        if (!mail.MailPending() || desk.notifications.size() <= notices) {
            std::fprintf(stderr, "run %d: no mark and notification within 20 s\n", run);
            return 1;
        }
        std::printf("run %d: %.1f ms (%s)\n", run, took.count(),
                    desk.notifications.back().text.c_str());
        std::fflush(stdout);
        times.push_back(took.count());
        // The check that lit the mark ends, and any late word of the same delivery is taken,
        // before the next one; deliveries closer than the idle's news gap (1 s) would be told
        // together by design, so the next comes after it.
        Settle(desk, app);
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        desk.posted.RunAll();
        Settle(desk, app);
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf("median %.1f\n", median);
    return 0;
}
