// The Linux parts of the desktop: the interface table from /proc/net/dev, the mailto handler
// from a .desktop file, where the settings live, the single-instance lock, and the autostart
// entry.
#include "linux/autostart.h"
#include "linux/display_check.h"
#include "linux/linux_interface_table.h"
#include "linux/token_command.h"
#include "linux/user_files.h"
#include "linux/xdg_mailto.h"
#include "support/token_outcomes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kestrel {
namespace {

TEST(ProcNetDevTest, RowsWithBigAndWrappingCounters) {
    const std::string text =
        "Inter-|   Receive                                                |  Transmit\n"
        " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets "
        "errs drop fifo colls carrier compressed\n"
        "    lo: 72187991  158303    0    0    0     0          0         0 72187991  158303 "
        "0 0 0 0 0 0\n"
        // 2^32 + 5 in and 2^40 + 7 out: the 64-bit counters as they are
        "  eth0:4294967301 10 0 0 0 0 0 0 1099511627783 9 0 0 0 0 0 0\n"
        // a counter of 20 digits touches the colon; an alias name holds a colon of its own
        "eth0:1:18446744073709551615 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n"
        "  bad0: 12 x 0 0 0 0 0 0\n" // too few counters: passed over
        "no colon at all\n";
    const std::vector<ProcNetDevRow> expected = {
        {"lo", 72187991u, 72187991u},
        {"eth0", 4294967301u, 1099511627783u},
        {"eth0:1", 18446744073709551615u, 0u},
    };
    EXPECT_EQ(ParseProcNetDev(text), expected);
    EXPECT_TRUE(ParseProcNetDev("").empty());
}

TEST(ProcNetDevTest, TheLoopbackFlagIsReadAsHexadecimal) {
    const std::pair<std::string, bool> rows[] = {
        {"0x9\n", true},     // IFF_UP | IFF_LOOPBACK, as lo shows it
        {"0x8", true},       // no line end
        {"0x1003\n", false}, // up, broadcast, multicast: an Ethernet card
        {"0x10\n", false},   // read as decimal, 10 would have the bit
        {"0x18\n", true},    // read as decimal, 18 would not
        {"0X49 \n", true},   // a capital prefix
        {"  0x8\t\n", true}, // blanks around
        {"9\n", true},       // without the prefix, still hexadecimal
        {"0x\n", false},     // no digits
        {"0x8z\n", false},   // not a number to its end
        {"-0x8\n", false},   // no sign
        {"", false},         // nothing read
        {"\n0x8\n", false},  // only the first line counts
    };
    for (const auto& [text, loopback] : rows)
        EXPECT_EQ(LoopbackInFlags(text), loopback) << '"' << text << '"';
}

TEST(ProcNetDevTest, TheTableOfThisMachineComesInIndexOrder) {
    LinuxInterfaceTable table;
    const InterfaceReading reading = table.Read(ReadingFor::InterfaceList);
    ASSERT_TRUE(reading.has_value());
    ASSERT_FALSE(reading->empty());
    EXPECT_EQ(reading->front().description, "lo") << "the loopback interface has index 1";
    for (const InterfaceRow& row : *reading) {
        EXPECT_EQ(row.loopback, row.description == "lo") << row.description;
        EXPECT_TRUE(row.wide) << row.description;
    }
}

TEST(XdgMailtoTest, TheExecLineOfTheDesktopEntry) {
    const std::pair<std::string, std::string> rows[] = {
        {"[Desktop Entry]\nName=Mail\nExec=thunderbird -compose %u\n", "thunderbird -compose %u"},
        {"[Desktop Entry]\nExec = \"/opt/My Mail/mail\" -compose \"%u\"\r\n",
         "\"/opt/My Mail/mail\" -compose \"%u\""},
        {"[Desktop Action New]\nExec=other\n[Desktop Entry]\nExec=mail %u\n", "mail %u"},
        {"[Desktop Entry]\nName=Mail\n[Desktop Action New]\nExec=other\n", ""},
        {"[Desktop Entry]\nExecutable=no\nTryExec=mail\n", ""},
        {"", ""},
    };
    for (const auto& [file, exec] : rows)
        EXPECT_EQ(DesktopExecLine(file), exec) << file;
}

TEST(XdgMailtoTest, WhereDesktopFilesAreLookedFor) {
    using P = std::vector<std::filesystem::path>;
    EXPECT_EQ(ApplicationDirectories("/d", "/h", "/a:/b"),
              (P{"/d/applications", "/a/applications", "/b/applications"}));
    EXPECT_EQ(ApplicationDirectories(nullptr, "/h", nullptr),
              (P{"/h/.local/share/applications", "/usr/local/share/applications",
                 "/usr/share/applications"}));
}

// xdg-mime stood in for by a script on PATH that names a desktop file, or none.
TEST(XdgMailtoTest, TheHandlerThatXdgMimeNames) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("kestrel-xdg-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "bin");
    std::filesystem::create_directories(dir / "data/applications");
    std::ofstream(dir / "data/applications/test-mail.desktop")
        << "[Desktop Entry]\nExec=\"/opt/Test Mail/mail\" -compose %u\n";
    const auto fakeXdgMime = [&](const std::string& answer) {
        std::ofstream(dir / "bin/xdg-mime") << "#!/bin/sh\necho '" << answer << "'\n";
        std::filesystem::permissions(dir / "bin/xdg-mime", std::filesystem::perms::owner_all);
    };
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir.string() + "/bin:" + oldPath).c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    fakeXdgMime("test-mail.desktop");
    EXPECT_EQ(ReadXdgMailtoCommand(), "\"/opt/Test Mail/mail\" -compose %u");
    fakeXdgMime("");
    EXPECT_EQ(ReadXdgMailtoCommand(), "") << "no handler: nothing to start";
    fakeXdgMime("missing.desktop");
    EXPECT_EQ(ReadXdgMailtoCommand(), "");
    setenv("PATH", oldPath.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(dir);
}

TEST(UserFilesTest, SettingsLiveInTheConfigFolder) {
    EXPECT_EQ(SettingsLocation("/c", "/h"), "/c/kestrel/kestrel.ini");
    EXPECT_EQ(SettingsLocation("", "/h"), "/h/.config/kestrel/kestrel.ini");
    EXPECT_EQ(SettingsLocation(nullptr, "/h"), "/h/.config/kestrel/kestrel.ini");
}

TEST(UserFilesTest, OnlyOneInstanceHoldsTheLock) {
    const auto file =
        std::filesystem::temp_directory_path() / ("kestrel-lock-test-" + std::to_string(getpid()));
    EXPECT_EQ(InstanceLockLocation("/run/user/7"), "/run/user/7/kestrel.lock");
    {
        InstanceLock first(file);
        EXPECT_TRUE(first.Held());
        InstanceLock second(file);
        EXPECT_FALSE(second.Held()) << "a second start finds it taken";
    }
    InstanceLock after(file);
    EXPECT_TRUE(after.Held()) << "the end of the first frees it";
    std::filesystem::remove(file);
}

TEST(AutostartTest, TheEntryStartsThisProgramAndGoesAgain) {
    namespace fs = std::filesystem;
    const fs::path home =
        fs::temp_directory_path() / ("kestrel-autostart-" + std::to_string(getpid()));
    fs::remove_all(home);
    const fs::path entry = AutostartLocation(nullptr, home.c_str());
    EXPECT_EQ(entry, home / ".config/autostart/kestrel.desktop");
    EXPECT_EQ(AutostartLocation((home / "x").c_str(), "/nowhere"),
              home / "x/autostart/kestrel.desktop");

    const struct {
        fs::path program;
        const char* exec;
    } rows[] = {
        {"/usr/bin/kestrel", "Exec=/usr/bin/kestrel\n"},
        {"/home/j\u00fc/my build/kestrel", "Exec=\"/home/j\u00fc/my build/kestrel\"\n"},
        {"/opt/a$b\"c/kestrel", "Exec=\"/opt/a\\\\$b\\\\\"c/kestrel\"\n"},
    };
    std::string error;
    for (const auto& row : rows) {
        ASSERT_TRUE(SetStartAtLogin(entry, true, row.program, error)) << error;
        std::stringstream written;
        written << std::ifstream(entry).rdbuf();
        EXPECT_NE(written.str().find(row.exec), std::string::npos) << written.str();
        EXPECT_TRUE(StartsAtLogin(entry));
    }
    std::ofstream(entry, std::ios::app) << "Hidden=true\n"; // switched off by a settings panel
    EXPECT_FALSE(StartsAtLogin(entry));
    EXPECT_TRUE(SetStartAtLogin(entry, false, {}, error));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(SetStartAtLogin(entry, false, {}, error)) << "already off is no failure";

    // A file where the folder should be: the failure is said, not swallowed.
    fs::remove_all(home / ".config/autostart");
    std::ofstream(home / ".config/autostart") << "in the way";
    EXPECT_FALSE(SetStartAtLogin(entry, true, "/usr/bin/kestrel", error));
    EXPECT_NE(error.find("autostart"), std::string::npos) << error;
    fs::remove_all(home);
}

TEST(TokenCommandTest, CommandLinesSplitAsAShellWouldWithoutOne) {
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"pass show mail/token", {"pass", "show", "mail/token"}},
        {"  tool   --flag\t'a b'  ", {"tool", "--flag", "a b"}},
        {R"(say "it's \"here\"" a\ b '')", {"say", "it's \"here\"", "a b", ""}},
        {"echo $HOME;rm *", {"echo", "$HOME;rm", "*"}},
        {"", {}},
    };
    for (const auto& [line, words] : rows)
        EXPECT_EQ(SplitCommandLine(line), words) << line;
}

// What a command gives, within its bound; one that hangs is ended with what it started.
TEST(TokenCommandTest, EachOutcomeOfACommand) {
    using Kind = TokenAnswer::Kind;
    const testing::TokenOutcome rows[] = {
        {"printf 'tok.en\\r\\nsecond line'", Kind::Token, "tok.en", ""},
        {"sh -c 'echo secret >&2; exit 3'", Kind::Failed, "", "exit code 3"},
        {"sh -c 'read line; echo got$line'", Kind::Token, "got", ""},
        {"true", Kind::Empty, "", ""},
        {"/nonexistent/tool", Kind::Failed, "", "/nonexistent/tool: No such file or directory"},
        {"sh -c 'sleep 30 & sleep 30'", Kind::TimedOut, "", ""},
    };
    testing::ExpectTokenOutcomes(rows, RunTokenCommand, 500);
}

// Whether a display may answer, from the environment alone: one named but not there is said in
// a line instead of Qt's abort.
TEST(DisplayCheckTest, ADisplayThatCannotAnswerIsSaid) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kestrel-displays";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "X5") << "";
    std::ofstream(dir / "wayland-1") << "";
    const std::string runtime = dir.string();
    const struct {
        const char *platform, *display, *wayland;
        std::string said; // the start of it; empty: none
    } rows[] = {
        {nullptr, ":5", nullptr, ""},
        {nullptr, ":5.0", nullptr, ""},
        {nullptr, "unix:5", nullptr, ""},
        {nullptr, "remote.example.org:0", nullptr, ""},
        {nullptr, nullptr, "wayland-1", ""},
        {"offscreen", nullptr, nullptr, ""},
        {nullptr, ":6", nullptr, "no display: no X server answers at DISPLAY :6"},
        {nullptr, nullptr, "wayland-2", "no display: no Wayland compositor"},
        {"xcb", nullptr, "wayland-1", "no display: DISPLAY and WAYLAND_DISPLAY are not set"},
        {nullptr, "", "", "no display: DISPLAY and WAYLAND_DISPLAY are not set"},
    };
    for (const auto& row : rows) {
        const std::string said =
            MissingDisplay(row.platform, row.display, row.wayland, runtime.c_str(), runtime);
        EXPECT_EQ(said.substr(0, row.said.size()), row.said)
            << (row.display ? row.display : "-") << " " << (row.wayland ? row.wayland : "-");
        EXPECT_EQ(said.empty(), row.said.empty()) << said;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace kestrel
