// The monitor on Linux's real interface table in a network namespace of the test's own (run
// under `unshare -rn`): veth pairs, a bridge and a tun device that come and go while watched.
#include "app/application.h"
#include "fake/fake_desktop.h"
#include "fake/fake_settings_file.h"
#include "linux/linux_interface_table.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace kestrel {
namespace {

void Ip(const std::string& arguments) {
    ASSERT_EQ(std::system(("ip " + arguments).c_str()), 0) << arguments;
}

// Both ends up: frames sent on `from` arrive on `to`.
void VethPair(const std::string& from, const std::string& to) {
    Ip("link add " + from + " type veth peer name " + to);
    for (const std::string& end : {from, to})
        Ip("link set " + end + " up");
}

// Broadcast frames of 1 KiB sent raw on the interface.
void Frames(const std::string& name, int count) {
    const int s = socket(AF_PACKET, SOCK_RAW, 0);
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_ifindex = static_cast<int>(if_nametoindex(name.c_str()));
    std::string frame(1024, '\0');
    frame.replace(0, 14, "\xFF\xFF\xFF\xFF\xFF\xFF\x02\0\0\0\0\x01\x88\xB5", 14);
    for (int i = 0; i < count; ++i)
        sendto(s, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    close(s);
}

class NetnsTest : public ::testing::Test {
  protected:
    FakeDesktop desk;
    LinuxInterfaceTable table;
    FakeSettingsFile settings, totals, announced;
    std::unique_ptr<Application> app;

    // Started with a file of an older build that names the row only.
    void StartWatching(const std::string& name) {
        const auto rows = table.Read(ReadingFor::Sample).value_or(std::vector<InterfaceRow>{});
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const InterfaceRow& r) { return r.description == name; });
        settings.content = "500,400," + std::to_string(row - rows.begin() + 1) + ",1,";
        app = std::make_unique<Application>(Platform{desk.Ports(), table, settings, totals, announced}, "");
        app->Run();
    }
    std::string Tick() {
        app->OnTimer();
        return desk.trayIcons.at(1).tooltip.data();
    }
};

// 20 frames of 1 KiB in a tick show as 10 KiB/s.
TEST_F(NetnsTest, TheWatchedVethIsFollowedWhileOthersComeAndItGoesAndReturns) {
    VethPair("a0", "w0");
    StartWatching("w0");
    Frames("a0", 20);
    EXPECT_TRUE(Tick().starts_with("i: 10 ")) << "the strip and tooltip show the rate";

    Ip("link del a0");
    VethPair("x0", "y0"); // comes before it once it returns
    const auto held = app->Throughput().History();
    EXPECT_EQ(Tick(), "waiting for w0");
    EXPECT_EQ(desk.texts.at(desk.texts.size() - 2).text, "waiting for w0");
    EXPECT_EQ(app->Throughput().History().in, held.in) << "the graph holds";

    VethPair("a0", "w0");
    Frames("a0", 200); // more than before it went: a spike if taken as growth
    EXPECT_TRUE(Tick().starts_with("i: 0 "));
    Frames("a0", 20);
    EXPECT_TRUE(Tick().starts_with("i: 10 "));
    app->OnClose();
    EXPECT_EQ(DecodeSettings(*settings.content, {}).interfaceIdentity, "w0");
}

// A bridge with a veth pair in it sees the pair's frames again, and a tun device is a tunnel:
// no device backs any of them, so the sum adds none of their bytes, while each can be watched.
TEST_F(NetnsTest, TheSumLeavesOutLoopbackBridgesVethAndTunnels) {
    VethPair("v0", "v1");
    for (const char* step : {"link set lo up", "link add br0 type bridge", "link set br0 up",
                             "link set v1 master br0", "tuntap add tun0 mode tun"})
        Ip(step);
    StartWatching("br0");
    Frames("v0", 21); // the bridge counts them without their 14-byte header
    EXPECT_TRUE(Tick().starts_with("i: 10 ")) << "the bridge carries the pair's bytes";

    settings.content = "500,400,-1,1,";
    app = std::make_unique<Application>(Platform{desk.Ports(), table, settings, totals, announced}, "");
    app->Run();
    Tick();
    Frames("v0", 20);
    Frames("lo", 20);
    EXPECT_TRUE(Tick().starts_with("i: 0 "));
}

} // namespace
} // namespace kestrel
