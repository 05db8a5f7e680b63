// The native kestrel as a user meets it: started on a virtual display with a tray host, looked at
// through X (where its window is, what its pixels are, what the tray shows), moved with the
// mouse, fed loopback traffic, started twice, and ended by a signal that must save its settings.
#include "support/imap_script.h"

#include <gtest/gtest.h>

// After GoogleTest: Xlib's macros (None, Bool, Status) would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* Program = nullptr; // the native kestrel, from the command line

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

struct Rgb {
    int r, g, b;
    bool Black() const { return r < 16 && g < 16 && b < 16; }
    bool White() const { return r == 255 && g == 255 && b == 255; }
    bool Green() const { return g > 200 && r < 80 && b < 80; }
    bool Yellow() const { return r > 200 && g > 200 && b < 80; }
};

// A socket listening on a free port of 127.0.0.1; its address.
int ListenOnLoopback(int backlog, sockaddr_in& address) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), size);
    listen(listener, backlog);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    return listener;
}

// About rate bytes a second through the loopback interface (100 KB by default), both ways
// counted, while it lives.
class LoopbackTraffic {
  public:
    explicit LoopbackTraffic(size_t rate = 100000) {
        sockaddr_in address{};
        listener_ = ListenOnLoopback(1, address);
        sender_ = std::thread([this, address, rate] {
            const int out = socket(AF_INET, SOCK_STREAM, 0);
            connect(out, reinterpret_cast<const sockaddr*>(&address), sizeof address);
            const std::string chunk(rate / 10, 'x');
            while (running_) {
                send(out, chunk.data(), chunk.size(), MSG_NOSIGNAL);
                std::this_thread::sleep_for(100ms);
            }
            close(out);
        });
        const int in = accept(listener_, nullptr, nullptr);
        receiver_ = std::thread([in] {
            char buffer[65536];
            while (recv(in, buffer, sizeof buffer, 0) > 0) {
            }
            close(in);
        });
    }
    ~LoopbackTraffic() {
        running_ = false;
        sender_.join();
        receiver_.join();
        close(listener_);
    }

  private:
    int listener_;
    std::atomic<bool> running_{true};
    std::thread sender_, receiver_;
};

class NativeE2eTest : public ::testing::Test {
  protected:
    Display* x = nullptr;
    fs::path home = fs::temp_directory_path() / ("kestrel-native-" + std::to_string(getpid()));
    std::vector<pid_t> started;

    void SetUp() override {
        const char* file = std::getenv("KESTREL_XDISPLAY");
        ASSERT_NE(file, nullptr) << "run through ctest, whose fixture starts the display";
        std::ifstream(file) >> display_;
        x = XOpenDisplay(display_.c_str());
        ASSERT_NE(x, nullptr) << display_;
        fs::remove_all(home);
        fs::create_directories(home / "config/kestrel");
        fs::create_directories(home / "runtime");
    }
    void TearDown() override {
        for (pid_t pid : started) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (x)
            XCloseDisplay(x);
        fs::remove_all(home);
    }

    fs::path Settings() const { return home / "config/kestrel/kestrel.ini"; }

    pid_t Start() {
        std::vector<std::string> variables{"DISPLAY=" + display_,
                                           "XDG_CONFIG_HOME=" + (home / "config").string(),
                                           "XDG_RUNTIME_DIR=" + (home / "runtime").string(),
                                           "HOME=" + home.string(), "PATH=/usr/bin:/bin"};
        std::vector<char*> environment;
        for (std::string& v : variables)
            environment.push_back(v.data());
        environment.push_back(nullptr);
        char* argv[] = {const_cast<char*>(Program), nullptr};
        pid_t pid = 0;
        posix_spawn(&pid, Program, nullptr, nullptr, argv, environment.data());
        started.push_back(pid);
        return pid;
    }
    // Ends it as the session would; its exit status, or -1 when it does not end.
    int Terminate(pid_t pid) {
        kill(pid, SIGTERM);
        int status = 0;
        const bool ended = Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 5s);
        if (!ended)
            return -1;
        std::erase(started, pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The visible top-level windows titled "kestrel" (Qt's helper windows are 1 x 1).
    std::vector<Window> KestrelWindows() {
        std::vector<Window> found;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XSync(x, False);
        if (!XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count))
            return found;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a{};
            char* name = nullptr;
            if (XGetWindowAttributes(x, children[i], &a) && a.map_state == IsViewable &&
                a.width > 1 && XFetchName(x, children[i], &name) && name) {
                if (std::string(name) == "kestrel")
                    found.push_back(children[i]);
            }
            if (name)
                XFree(name);
        }
        XFree(children);
        return found;
    }
    Window WaitForWindow() {
        Window window = 0;
        Eventually([&] {
            const auto windows = KestrelWindows();
            window = windows.empty() ? 0 : windows.front();
            return window != 0;
        });
        return window;
    }
    struct Box {
        int left, top, width, height;
        bool operator==(const Box&) const = default;
    };
    Box Geometry(Window window) {
        XWindowAttributes a{};
        XGetWindowAttributes(x, window, &a);
        int left = 0, top = 0;
        Window child = 0;
        XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &left, &top, &child);
        return {left, top, a.width, a.height};
    }
    // The screen's pixels in a rectangle, by screen coordinates.
    std::vector<Rgb> Pixels(Box r) {
        XSync(x, False);
        XImage* image =
            XGetImage(x, DefaultRootWindow(x), r.left, r.top, static_cast<unsigned>(r.width),
                      static_cast<unsigned>(r.height), AllPlanes, ZPixmap);
        std::vector<Rgb> pixels;
        for (int y = 0; y < r.height; ++y) {
            for (int col = 0; col < r.width; ++col) {
                const unsigned long p = XGetPixel(image, col, y);
                pixels.push_back({static_cast<int>((p >> 16) & 0xFF),
                                  static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)});
            }
        }
        XDestroyImage(image);
        return pixels;
    }
    int Count(Box r, bool (Rgb::*test)() const) {
        int n = 0;
        for (const Rgb& p : Pixels(r))
            n += (p.*test)();
        return n;
    }
    void Xdotool(const std::string& arguments) {
        const std::string command = "DISPLAY=" + display_ + " xdotool " + arguments;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

  private:
    std::string display_;
};

// kestrel.ini's texts keep every bit flipped.
std::string Scrambled(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return out;
}

// A listener that never accepts: a connect completes, and then nothing is ever said.
class SilentListener {
  public:
    SilentListener() {
        sockaddr_in address{};
        socket_ = ListenOnLoopback(8, address);
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { close(socket_); }
    int port() const { return port_; }

  private:
    int socket_ = -1;
    int port_ = 0;
};

// Configured for the loopback interface (the first by index) at the 1 Mb/s scale, at 500,400.
TEST_F(NativeE2eTest, TheWindowTheGraphAndTheTrayIcon) {
    std::ofstream(Settings(), std::ios::binary) << "500,400,1,1,";
    const pid_t kestrel = Start();
    const Window window = WaitForWindow();
    ASSERT_NE(window, 0u) << "no kestrel window";
    EXPECT_EQ(Geometry(window), (Box{500, 400, 100, 63}));

    // The first paint: the graph area black, row 14 the window's white above it (a busy machine
    // may show the display's own black there a moment before). The rate's text comes with the
    // first tick.
    EXPECT_TRUE(Eventually([&] {
        return Count({500, 415, 100, 48}, &Rgb::Black) == 4800 &&
               Count({500, 414, 100, 1}, &Rgb::White) == 100;
    })) << "the graph area and row 14";
    EXPECT_TRUE(Eventually([&] {
        return Count({501, 401, 38, 12}, &Rgb::Green) > 5;
    })) << "the incoming rate's text";

    // Under traffic the incoming graph climbs into the window, and into the tray's picture:
    // trayer's panel is at the top left, the icon in its first slot.
    const Box trayIcon{1, 1, 22, 22};
    {
        LoopbackTraffic traffic;
        EXPECT_TRUE(Eventually([&] {
            return Count({500, 415, 100, 48}, &Rgb::Green) > 10;
        })) << "the graph";
        EXPECT_TRUE(Eventually([&] {
            return Count(trayIcon, &Rgb::Black) > 100 &&
                   Count(trayIcon, &Rgb::Green) + Count(trayIcon, &Rgb::Yellow) > 3;
        })) << "the tray picture";
    }

    // Any free part drags the window: here the strip.
    Xdotool("mousemove 560 405 mousedown 1 mousemove 580 415 mousemove 600 445 mouseup 1");
    EXPECT_TRUE(Eventually(
        [&] {
            return Geometry(window) == Box{540, 440, 100, 63};
        },
        3s))
        << Geometry(window).left << "," << Geometry(window).top;

    EXPECT_EQ(Terminate(kestrel), 0);
    std::stringstream saved;
    saved << std::ifstream(Settings(), std::ios::binary).rdbuf();
    EXPECT_TRUE(saved.str().starts_with("540,440,1,1,")) << saved.str();
    EXPECT_EQ(fs::status(Settings()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// The speed list holds the gigabit steps and the automatic one; at the 1 Gb/s step about 50 MB a
// second through loopback put the incoming line in the middle of the graph (about 19 of 48
// units): neither pinned to the top nor flat.
TEST_F(NativeE2eTest, AtOneGigabitFiftyMegabytesASecondAreNeitherPinnedNorFlat) {
    std::ofstream(Settings(), std::ios::binary) << "500,400,1,7,";
    const pid_t kestrel = Start();
    ASSERT_NE(WaitForWindow(), 0u);
    const Box pinned{500, 415, 100, 5}, middle{500, 420, 100, 40};
    {
        LoopbackTraffic traffic(50000000);
        EXPECT_TRUE(Eventually([&] { return Count(middle, &Rgb::Green) > 3; }))
            << "the incoming line rose";
        EXPECT_EQ(Count(pinned, &Rgb::Green), 0) << "and stays below the top";
    }
    EXPECT_EQ(Terminate(kestrel), 0);
}

// Three accounts on servers that never answer: the window comes as fast as without them, it can
// be dragged while the mail thread waits on them, and SIGTERM ends it at once, settings saved.
TEST_F(NativeE2eTest, SilentServersNeitherDelayTheStartNorHoldTheWindow) {
    using Clock = std::chrono::steady_clock;
    std::ofstream(Settings(), std::ios::binary) << "500,400,1,1,";
    auto start = Clock::now();
    pid_t kestrel = Start();
    ASSERT_NE(WaitForWindow(), 0u);
    const auto alone = Clock::now() - start;
    ASSERT_EQ(Terminate(kestrel), 0);

    SilentListener one, two, three;
    std::string settings = "500,400,1,1,";
    for (const SilentListener* server : {&one, &two, &three}) {
        for (const std::string& field :
             {std::string("\x02"), "127.0.0.1:" + std::to_string(server->port()), std::string("u"),
              std::string("p")})
            settings += Scrambled(field) + "\r";
    }
    std::ofstream(Settings(), std::ios::binary | std::ios::trunc) << settings;
    start = Clock::now();
    kestrel = Start();
    const Window window = WaitForWindow();
    ASSERT_NE(window, 0u);
    const auto withSilent = Clock::now() - start;
    EXPECT_LT(withSilent, alone + 500ms);
    const auto dragStart = Clock::now();
    Xdotool("mousemove 560 405 mousedown 1 mousemove 580 415 mousemove 600 445 mouseup 1");
    EXPECT_TRUE(Eventually([&] { return Geometry(window) == Box{540, 440, 100, 63}; }, 3s));
    const auto dragged = Clock::now() - dragStart;
    const auto ending = Clock::now();
    EXPECT_EQ(Terminate(kestrel), 0);
    const auto ended = Clock::now() - ending;
    EXPECT_LT(ended, 1s);
    std::stringstream saved;
    saved << std::ifstream(Settings(), std::ios::binary).rdbuf();
    EXPECT_TRUE(saved.str().starts_with("540,440,1,1,")) << saved.str();
    const auto ms = [](auto d) {
        return static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
    };
    std::printf("  start %lld ms alone, %lld ms with three silent servers; a drag %lld ms, "
                "SIGTERM to exit %lld ms\n",
                ms(alone), ms(withSilent), ms(dragged), ms(ended));
}

// An IMAP server on one port of 127.0.0.1, each connection served in a thread of its own, that
// can go down (every connection cut) and come back with another inbox, as a restarted one does.
class RestartingImap {
  public:
    RestartingImap() {
        sockaddr_in address{};
        const int probe = ListenOnLoopback(1, address);
        close(probe);
        port_ = ntohs(address.sin_port);
    }
    ~RestartingImap() { Down(); }
    int port() const { return port_; }

    void Up(const kestrel::testing::ScriptedInbox& box) {
        {
            std::lock_guard lock(mutex_);
            connections_ = 0;
            firstSearch_.reset();
        }
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port_));
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 8);
        accepter_ = std::thread([this, box] { Accept(box); });
    }
    void Down() {
        if (listener_ < 0)
            return;
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        accepter_.join();
        {
            std::lock_guard lock(mutex_);
            for (const int s : open_)
                shutdown(s, SHUT_RDWR);
        }
        for (std::thread& t : sessions_)
            t.join();
        sessions_.clear();
        listener_ = -1;
    }
    // Sessions of this inbox that searched it, and when the first of them ended.
    size_t connections() {
        std::lock_guard lock(mutex_);
        return connections_;
    }
    std::optional<std::chrono::steady_clock::time_point> firstSearch() {
        std::lock_guard lock(mutex_);
        return firstSearch_;
    }

  private:
    void Accept(const kestrel::testing::ScriptedInbox& box) {
        for (;;) {
            const int s = accept(listener_, nullptr, nullptr);
            if (s < 0)
                return;
            std::lock_guard lock(mutex_);
            ++connections_;
            open_.push_back(s);
            sessions_.emplace_back([this, s, box] {
                kestrel::testing::Peer peer(s);
                kestrel::testing::ServeImap(peer, box);
                std::lock_guard lock(mutex_);
                if (!firstSearch_ && peer.received.find("SEARCH") != std::string::npos)
                    firstSearch_ = std::chrono::steady_clock::now();
                std::erase(open_, s);
                peer.Close();
            });
        }
    }

    int port_ = 0;
    int listener_ = -1;
    std::thread accepter_;
    std::mutex mutex_;
    std::vector<int> open_;
    std::vector<std::thread> sessions_;
    size_t connections_ = 0;
    std::optional<std::chrono::steady_clock::time_point> firstSearch_;
};

// Restarts of the server, then a stop of the process as long as a short sleep, during which the
// server restarts once more with a new message: the message is found within 5 s of continuing.
TEST_F(NativeE2eTest, NewMailIsFoundSoonAfterOutagesAndAStop) {
    using kestrel::testing::HeaderOf;
    kestrel::testing::ScriptedInbox before;
    before.unread = {{7, HeaderOf("a@example.org", "Before")}};
    kestrel::testing::ScriptedInbox after = before;
    after.unread.push_back({9, HeaderOf("b@example.org", "After")});
    RestartingImap server;
    server.Up(before);
    std::string settings = "500,400,1,1,";
    for (const std::string& field :
         {std::string("\x02"), "imap://127.0.0.1:" + std::to_string(server.port()),
          std::string("u"), std::string("p")})
        settings += Scrambled(field) + "\r";
    std::ofstream(Settings(), std::ios::binary) << settings;
    const pid_t kestrel = Start();
    ASSERT_NE(WaitForWindow(), 0u);
    // The start's check, then the idle connection.
    ASSERT_TRUE(Eventually([&] { return server.connections() >= 2; }));
    for (int restart = 0; restart < 4; ++restart) {
        server.Down();
        std::this_thread::sleep_for(500ms);
        server.Up(before);
        ASSERT_TRUE(Eventually([&] { return server.connections() >= 1; }, 20s)) << restart;
        std::this_thread::sleep_for(500ms);
    }
    kill(kestrel, SIGSTOP);
    std::this_thread::sleep_for(30s);
    server.Down();
    server.Up(after);
    std::this_thread::sleep_for(30s);
    const auto continued = std::chrono::steady_clock::now();
    kill(kestrel, SIGCONT);
    ASSERT_TRUE(Eventually([&] { return server.firstSearch().has_value(); }, 20s));
    const auto found = *server.firstSearch() - continued;
    EXPECT_LT(found, 5s);
    std::printf("  after four restarts and a 60 s stop, new mail found in %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(found).count()));
    EXPECT_EQ(Terminate(kestrel), 0);
}

TEST_F(NativeE2eTest, ASecondStartSaysSoAndLeavesTheFirstAlone) {
    std::ofstream(Settings(), std::ios::binary) << "500,400,1,1,";
    const pid_t first = Start();
    ASSERT_NE(WaitForWindow(), 0u);
    const pid_t second = Start();
    // Its message box, titled as the window is, beside the window.
    EXPECT_TRUE(Eventually([&] { return KestrelWindows().size() == 2; }));
    EXPECT_EQ(waitpid(second, nullptr, WNOHANG), 0) << "it waits for the message to be read";
    EXPECT_EQ(Terminate(second), 0);
    // The display drops a client's windows once it has seen the connection close.
    EXPECT_TRUE(Eventually([&] { return KestrelWindows().size() == 1; }, 3s));
    EXPECT_EQ(Terminate(first), 0);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fputs("usage: native_e2e_test KESTREL\n", stderr);
        return 2;
    }
    Program = argv[1];
    return RUN_ALL_TESTS();
}
