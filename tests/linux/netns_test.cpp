// The monitor on Linux's real interface table, in a network namespace of the test's own (run
// under `unshare -rn`): veth pairs, a bridge and a tun device that come and go while watched.
#include "app/application.h"
#include "fake/fake_desktop.h"
#include "fake/fake_settings_file.h"
#include "linux/linux_interface_table.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace kestrel {
namespace {

void Ip(const std::string& arguments) {
    ASSERT_EQ(std::system(("ip " + arguments).c_str()), 0) << arguments;
}

// A veth pair, both ends up: frames sent on `from` arrive on `to`.
void VethPair(const std::string& from, const std::string& to) {
    Ip("link add " + from + " type veth peer name " + to);
    Ip("link set " + from + " up");
    Ip("link set " + to + " up");
}

// Broadcast frames of 1024 bytes sent raw on the interface: the bytes its peer receives.
void Frames(const std::string& interfaceName, int count) {
    const int s = socket(AF_PACKET, SOCK_RAW, 0);
    ASSERT_GE(s, 0);
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_ifindex = static_cast<int>(if_nametoindex(interfaceName.c_str()));
    to.sll_halen = ETH_ALEN;
    std::string frame(1024, '\0');
    frame.replace(0, 6, 6, '\xFF'); // to everyone
    frame.replace(6, 6, "\x02\0\0\0\0\x01", 6);
    frame.replace(12, 2, "\x88\xB5", 2); // the experimental EtherType
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(
            sendto(s, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
            static_cast<ssize_t>(frame.size()));
    close(s);
}

class NetnsTest : public ::testing::Test {
  protected:
    FakeDesktop desk;
    LinuxInterfaceTable table;
    FakeSettingsFile settings, totals;
    std::unique_ptr<Application> app;

    void SetUp() override { Ip("link set lo up"); }
    // Each test starts from loopback alone; a veth's peer goes with it.
    void TearDown() override {
        app.reset();
        for (const InterfaceRow& row : Rows()) {
            if (!row.loopback)
                std::system(("ip link del " + row.description + " 2>/dev/null").c_str());
        }
    }
    void Start() {
        app = std::make_unique<Application>(Platform{desk.Ports(), table, settings, totals},
                                            "kestrel");
        app->Run();
    }
    std::vector<InterfaceRow> Rows() {
        return table.Read(ReadingFor::Sample).value_or(std::vector<InterfaceRow>{});
    }
    int RowOf(const std::string& name) {
        const std::vector<InterfaceRow> rows = Rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].description == name)
                return static_cast<int>(i) + 1;
        }
        return 0;
    }
    std::string Strip() const {
        for (auto text = desk.texts.rbegin(); text != desk.texts.rend(); ++text) {
            if (text->at == Point{1, 2})
                return text->text;
        }
        return "";
    }
    std::string Tooltip() const { return desk.trayIcons.at(1).tooltip.data(); }
};

// 20 frames of 1 KiB in a tick show as 10 KiB/s.
TEST_F(NetnsTest, TheWatchedVethIsFollowedWhileOthersComeAndItGoesAndReturns) {
    VethPair("a0", "w0");
    settings.content = "500,400," + std::to_string(RowOf("w0")) + ",1,"; // an older file
    Start();
    Frames("a0", 20);
    app->OnTimer();
    EXPECT_EQ(Strip(), "i: 10");

    Ip("link del a0");
    VethPair("x0", "y0"); // comes before it once it returns
    for (int tick = 0; tick < 2; ++tick) {
        const auto held = app->Throughput().History();
        app->OnTimer();
        EXPECT_EQ(Strip(), "waiting for w0");
        EXPECT_EQ(Tooltip(), "waiting for w0");
        EXPECT_EQ(app->Throughput().History().in, held.in) << "the graph holds";
    }

    VethPair("a0", "w0");
    Frames("a0", 200); // more than before it went: a spike if taken as growth
    app->OnTimer();
    EXPECT_EQ(Strip(), "i: 0");
    Frames("a0", 20);
    app->OnTimer();
    EXPECT_EQ(Strip(), "i: 10");
    EXPECT_GT(RowOf("w0"), RowOf("y0"));
    EXPECT_EQ(app->Throughput().InterfaceNumber(), RowOf("w0"));

    app->OnClose();
    EXPECT_EQ(DecodeSettings(*settings.content, {}).interfaceIdentity, "w0");
}

// A bridge with a veth pair in it sees the pair's frames again, and a tun device is a tunnel: no
// device backs any of them, so the sum adds none of their bytes, while each can be watched.
TEST_F(NetnsTest, TheSumLeavesOutLoopbackBridgesVethAndTunnels) {
    VethPair("v0", "v1");
    Ip("link add br0 type bridge");
    Ip("link set v1 master br0");
    Ip("link set br0 up");
    Ip("tuntap add tun0 mode tun");
    const std::vector<InterfaceRow> rows = Rows();
    ASSERT_EQ(rows.size(), 5u);
    for (const InterfaceRow& row : rows)
        EXPECT_FALSE(row.hardware) << row.description;

    settings.content = "500,400," + std::to_string(RowOf("br0")) + ",1,";
    Start();
    Frames("v0", 21); // the bridge counts them without their 14-byte header
    app->OnTimer();
    EXPECT_EQ(Strip(), "i: 10") << "the bridge carries the pair's bytes";

    settings.content = "500,400,-1,1,";
    Start();
    app->OnTimer();
    Frames("v0", 20);
    Frames("lo", 20);
    app->OnTimer();
    EXPECT_EQ(Strip(), "i: 0");
}

} // namespace
} // namespace kestrel
