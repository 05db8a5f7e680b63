// Opening the mail list of the real kestrel.exe under Wine against a POP3 server with many new
// messages: the time from the click on the mail mark (which lists every message again) to the
// moment the window answers, with the list filled. Prints each run and the best, in ms; then
// the median time of one timer tick, in microseconds.
// Usage: listing_bench kestrel.exe host user password runs [ms to leave the last list shown]
#include "e2e/probe.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace kestrel::probe;

namespace {

std::string Scrambled(const std::string& plain) {
    std::string text = plain;
    for (char& c : text)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return text + "\r";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s kestrel.exe host user password runs\n", argv[0]);
        return 2;
    }
    KestrelPath = argv[1];
    const int runs = std::atoi(argv[5]);
    const std::string directory = NewDirectory();
    std::ofstream(directory + "\\kestrel.ini", std::ios::binary)
        << "100,100,1,3," + Scrambled("\x02") + Scrambled(argv[2]) + Scrambled(argv[3]) +
               Scrambled(argv[4]) + Scrambled("\x01") + Scrambled("") + Scrambled("") +
               Scrambled("") + Scrambled("\x01") + Scrambled("") + Scrambled("") + Scrambled("");
    Process process("", directory);
    process.OwnDirectory();
    HWND window = WaitForWindow("wndclass", "kestrel", process.id());
    if (!window || !Answers(window, std::chrono::seconds(20))) {
        std::fprintf(stderr, "kestrel's window did not come\n");
        return 1;
    }
    Sleep(1000); // its start (the tray icons, the first check of the account) is over
    HWND list = Children(window)[9].handle; // the mail list box
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0); // the mail mark
        // The mail thread lists while the window goes on: the listing ends with its last line,
        // after which the count stays as it is.
        LRESULT lines = 0;
        end = start;
        for (;;) {
            // The time the window answered: while it is busy, the question waits for it.
            const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            if (count != lines) {
                lines = count;
                end = now;
            }
            const double quiet = static_cast<double>(now.QuadPart - end.QuadPart) /
                                 static_cast<double>(frequency.QuadPart);
            const double all = static_cast<double>(now.QuadPart - start.QuadPart) /
                               static_cast<double>(frequency.QuadPart);
            if ((lines > 0 && quiet > 0.5) || all > 60)
                break;
            Sleep(1);
        }
        const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
        std::printf("run %d: %lld lines in %.1f ms\n", run + 1, static_cast<long long>(lines), ms);
        times.push_back(ms);
        if (run + 1 == runs && argc > 6) { // the filled list stays on screen for a while
            std::printf("shown\n");
            std::fflush(stdout);
            Sleep(static_cast<DWORD>(std::atoi(argv[6])));
        }
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(5, BN_CLICKED), 0); // ok: clear and close
        Answers(window);
    }
    std::printf("best %.1f\n", *std::min_element(times.begin(), times.end()));
    // One timer tick of the compact window (sample, texts, tooltip, graph, tray icon), as the
    // window procedure handles it.
    std::vector<double> ticks;
    for (int i = 0; i < 200; ++i) {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        SendMessageA(window, WM_TIMER, 2, 0);
        QueryPerformanceCounter(&end);
        ticks.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(ticks.begin(), ticks.end());
    std::printf("tick median %.0f us\n", ticks[ticks.size() / 2]);
    PostMessageA(window, WM_CLOSE, 0, 0);
    process.WaitForExit(std::chrono::seconds(10));
    return 0;
}
