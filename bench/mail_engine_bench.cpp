// The mail engine alone, without a window: one listing check of every message of one account, as
// the mail thread runs it (connect, CAPA, login, STAT, UIDL, the TOP commands pipelined where the
// server allows it, QUIT). Prints each run and the best, in ms.
// Usage: mail_engine_bench host:port user password runs
#include "mail/mail_jobs.h"
#include "pop3/pop3_client.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace kestrel;

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s host:port user password runs\n", argv[0]);
        return 2;
    }
    const AccountRecord account{argv[1], argv[2], argv[3], true};
    std::vector<double> times;
    for (int run = 0; run < std::atoi(argv[4]); ++run) {
        RunningClient running;
        size_t lines = 0;
        bool ok = false;
        const auto start = std::chrono::steady_clock::now();
        CheckAccounts({{1, account, 0, {}, 0}}, true, {3000, 15000}, 1000, running,
                      [&](CheckReport report) {
                          lines += report.listed.size();
                          if (report.outcome)
                              ok = report.outcome->IsOk();
                      });
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (!ok) {
            std::fprintf(stderr, "the check failed\n");
            return 1;
        }
        std::printf("run %d: %zu lines in %.1f ms\n", run + 1, lines, took.count());
        times.push_back(took.count());
    }
    std::printf("best %.1f\n", *std::min_element(times.begin(), times.end()));
    return 0;
}
