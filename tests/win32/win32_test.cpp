// The Win32 interface table: GetIfTable's rows parsed from bytes, GetIfEntry2's 64-bit counters
// laid over them, and the real table under Wine with loopback traffic.

// WinSock 2 before windows.h, and both before iphlpapi.h, which needs them for MIB_IF_ROW2.
#include <winsock2.h>

#include <ws2ipdef.h>

#include <iphlpapi.h>

#include "support/loopback_server.h"
#include "support/token_outcomes.h"
#include "win32/win32_interface_table.h"
#include "win32/win32_token_command.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

// Rows shown as their fields when an expectation fails.
void PrintTo(const InterfaceRow& row, std::ostream* out) {
    *out << '"' << row.description << "\" in " << row.inOctets << " out " << row.outOctets
         << (row.wide ? " wide" : "") << (row.loopback ? " loopback" : "");
}

void PrintTo(const IfTableRow& row, std::ostream* out) {
    *out << "index " << row.index << ' ';
    PrintTo(row.row, out);
}

namespace {

using namespace if_layout;

// The offsets the table reads by are the SDK's.
static_assert(offsetof(MIB_IFTABLE, table) == FirstRow);
static_assert(sizeof(MIB_IFROW) == RowSize);
static_assert(offsetof(MIB_IFROW, dwIndex) == IndexAt);
static_assert(offsetof(MIB_IFROW, dwType) == TypeAt);
static_assert(offsetof(MIB_IFROW, dwInOctets) == InOctetsAt);
static_assert(offsetof(MIB_IFROW, dwOutOctets) == OutOctetsAt);
static_assert(offsetof(MIB_IFROW, bDescr) == DescriptionAt);
static_assert(sizeof(MIB_IFROW::bDescr) == DescriptionSize);
static_assert(MIB_IF_TYPE_LOOPBACK == LoopbackType);
static_assert(sizeof(MIB_IF_ROW2) == Row2Size);
static_assert(offsetof(MIB_IF_ROW2, InterfaceIndex) == Row2IndexAt);
static_assert(offsetof(MIB_IF_ROW2, InOctets) == Row2InOctetsAt);
static_assert(offsetof(MIB_IF_ROW2, OutOctets) == Row2OutOctetsAt);
static_assert(offsetof(MIB_IF_ROW2, InterfaceGuid) == Row2GuidAt);
static_assert(offsetof(MIB_IF_ROW2, Alias) == Row2AliasAt);
static_assert(sizeof(MIB_IF_ROW2::Alias) / sizeof(WCHAR) == Row2AliasChars);
static_assert(offsetof(MIB_IF_ROW2, InterfaceAndOperStatusFlags) == Row2FlagsAt);

struct CraftedRow {
    uint32_t index, type, in, out;
    std::string description;
};

void Put(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A MIB_IFTABLE as GetIfTable writes it; its count may say more rows than follow.
std::vector<uint8_t> Table(const std::vector<CraftedRow>& rows, uint32_t count) {
    std::vector<uint8_t> bytes(FirstRow + rows.size() * RowSize, 0xEE);
    Put(bytes, 0, count);
    for (size_t i = 0; i < rows.size(); ++i) {
        const size_t at = FirstRow + i * RowSize;
        Put(bytes, at + IndexAt, rows[i].index);
        Put(bytes, at + TypeAt, rows[i].type);
        Put(bytes, at + InOctetsAt, rows[i].in);
        Put(bytes, at + OutOctetsAt, rows[i].out);
        std::memset(&bytes[at + DescriptionAt], 0, DescriptionSize);
        std::memcpy(&bytes[at + DescriptionAt], rows[i].description.data(),
                    std::min(rows[i].description.size(), DescriptionSize));
    }
    return bytes;
}

IfTableRow Parsed(std::string description, uint32_t in, uint32_t out, bool loopback,
                  uint32_t index) {
    InterfaceRow row{std::move(description), in, out};
    row.loopback = loopback;
    return {row, index};
}

TEST(Win32InterfaceTableTest, TheTypeSaysWhichRowIsTheLoopbackOne) {
    const std::vector<CraftedRow> crafted = {
        {1, 24, 1000, 2000, "Software Loopback Interface 1"}, // MIB_IF_TYPE_LOOPBACK
        {7, 6, 0xFFFFFFFFu, 5, "Ethernet"},                   // MIB_IF_TYPE_ETHERNET
        {12, 71, 3, 4, "Wi-Fi"},                              // IF_TYPE_IEEE80211
        {0x01000018u, 0x118, 5, 6, "low byte 24"}, // the whole word is the type, not a byte
        {24, 0x18000000, 7, 8, "high byte 24"},    // and an index of 24 is no type
        {9, 1, 9, 10, "other"},
        {0xFFFFFFFFu, 24, 0, 0, std::string(DescriptionSize, 'x')}, // a description without NUL
    };
    const std::vector<IfTableRow> expected = {
        Parsed("Software Loopback Interface 1", 1000, 2000, true, 1),
        Parsed("Ethernet", 0xFFFFFFFFu, 5, false, 7),
        Parsed("Wi-Fi", 3, 4, false, 12),
        Parsed("low byte 24", 5, 6, false, 0x01000018u),
        Parsed("high byte 24", 7, 8, false, 24),
        Parsed("other", 9, 10, false, 9),
        Parsed(std::string(DescriptionSize, 'x'), 0, 0, true, 0xFFFFFFFFu),
    };
    EXPECT_EQ(ParseInterfaceTable(Table(crafted, 7)), expected);
    for (const IfTableRow& row : ParseInterfaceTable(Table(crafted, 7)))
        EXPECT_FALSE(row.row.wide) << "GetIfTable's counters are 32-bit";
}

TEST(Win32InterfaceTableTest, TheCountIsBoundedByTheBuffer) {
    const std::vector<CraftedRow> two = {{1, 24, 1, 2, "lo"}, {2, 6, 3, 4, "eth0"}};
    const struct {
        uint32_t count;
        size_t cut; // bytes taken off the end
        size_t rows;
    } cases[] = {
        {2, 0, 2}, {1, 0, 1}, {0, 0, 0}, {3, 0, 2}, {0xFFFFFFFFu, 0, 2}, {2, 1, 1}, {2, RowSize, 1},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = Table(two, c.count);
        bytes.resize(bytes.size() - c.cut);
        const auto rows = ParseInterfaceTable(bytes);
        ASSERT_EQ(rows.size(), c.rows) << c.count << " less " << c.cut;
        if (!rows.empty()) {
            EXPECT_TRUE(rows[0].row.loopback);
        }
    }
    EXPECT_TRUE(ParseInterfaceTable(std::vector<uint8_t>(3, 0xFF)).empty());
}

TEST(Win32InterfaceTableTest, GetIfEntry2sCountersReplaceThe32BitOnesWhereItAnswers) {
    const std::vector<IfTableRow> rows = {
        Parsed("lo", 10, 20, true, 1),
        Parsed("gone", 30, 40, false, 5),
        Parsed("eth0", 50, 60, false, 9),
    };
    std::vector<uint32_t> asked;
    const auto lookup = [&](uint32_t index) -> std::optional<WideCounters> {
        asked.push_back(index);
        if (index == 1)
            return WideCounters{(1ull << 32) + 10, 20};
        if (index == 9)
            return WideCounters{0xFFFFFFFFFFFFFFFFull, (5ull << 40) + 60};
        return std::nullopt;
    };
    const std::vector<InterfaceRow> expected = {
        {"lo", (1ull << 32) + 10, 20, true, true},
        {"gone", 30, 40, false, false},
        {"eth0", 0xFFFFFFFFFFFFFFFFull, (5ull << 40) + 60, true, false},
    };
    EXPECT_EQ(WithWideCounters(rows, lookup), expected);
    EXPECT_EQ(asked, (std::vector<uint32_t>{1, 5, 9})) << "each row asks by its own index";
    const auto none = [](uint32_t) -> std::optional<WideCounters> { return std::nullopt; };
    const std::vector<InterfaceRow> narrow = {
        {"lo", 10, 20, false, true}, {"gone", 30, 40}, {"eth0", 50, 60}};
    EXPECT_EQ(WithWideCounters(rows, none), narrow) << "no GetIfEntry2: the rows as they were";
}

// A MIB_IF_ROW2 filled through the SDK's fields gives the GUID, the alias in Windows-1252 and
// the hardware flag.
TEST(Win32InterfaceTableTest, TheSecondRowGivesIdentityAliasAndHardware) {
    MIB_IF_ROW2 row{};
    row.InterfaceGuid = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
    wcscpy(row.Alias, L"VPN \u00E4\u20AC");
    row.InOctets = 5ull << 40;
    const auto read = [&] {
        return ParseIfRow2(
            std::span<const uint8_t, Row2Size>(reinterpret_cast<const uint8_t*>(&row), Row2Size));
    };
    EXPECT_EQ(read().guid, "{01020304-0506-0708-090A-0B0C0D0E0F10}");
    EXPECT_EQ(read().alias, "VPN ä€");
    EXPECT_EQ(read().in, 5ull << 40);
    EXPECT_FALSE(read().hardware);
    row.InterfaceAndOperStatusFlags.HardwareInterface = true;
    EXPECT_TRUE(read().hardware);
}

// One table through a run of readings, GetIfTable stood in for as the system answers: a buffer
// too small fails and says the size needed; one that fits gets the rows and the status given.
TEST(Win32InterfaceTableTest, TheListAsksAgainForRoomASampleWaitsForTheNextTick) {
    constexpr ULONG Ten = 4 + 860 * 10, Fourteen = 4 + 860 * 14;
    constexpr std::optional<size_t> Failed;
    size_t rows = 0;
    DWORD status = NO_ERROR;
    std::vector<ULONG> asked;
    const auto getIfTable = [&](void* buffer, ULONG* size, BOOL) -> DWORD {
        asked.push_back(*size);
        const auto bytes =
            Table(std::vector<CraftedRow>(rows, {1, 6, 0, 0, "eth"}), static_cast<uint32_t>(rows));
        if (*size < bytes.size()) {
            *size = static_cast<ULONG>(bytes.size());
            return ERROR_INSUFFICIENT_BUFFER;
        }
        std::memcpy(buffer, bytes.data(), bytes.size());
        return status;
    };
    Win32InterfaceTable table({getIfTable, nullptr});
    using enum ReadingFor;
    const struct {
        size_t rows;
        ReadingFor purpose;
        std::vector<ULONG> asked;
        std::optional<size_t> read;
        DWORD status = NO_ERROR;
    } steps[] = {
        {2, Sample, {Ten}, 2},                    // before any list: room for ten
        {14, Sample, {Ten}, Failed},              // grown: this tick fails, not asked again
        {14, Sample, {Fourteen}, 14},             // the next one reads with the size asked for
        {0, Sample, {Fourteen}, 0},               // an empty table is no failure
        {10, InterfaceList, {Ten}, 10},           // the list starts from ten again, and they fit
        {14, InterfaceList, {Ten, Fourteen}, 14}, // more are asked for once more
        {14, InterfaceList, {Ten, Fourteen}, Failed, ERROR_GEN_FAILURE}, // the second one fails
        {2, InterfaceList, {Ten}, Failed, ERROR_GEN_FAILURE}, // no room asked: no second asking
        {2, InterfaceList, {Ten}, 2, 0x10000},                // only the low word tells a failure
    };
    for (const auto& step : steps) {
        rows = step.rows;
        status = step.status;
        asked.clear();
        const InterfaceReading reading = table.Read(step.purpose);
        EXPECT_EQ(std::pair(asked, reading ? std::optional(reading->size()) : Failed),
                  std::pair(step.asked, step.read))
            << "rows " << step.rows << " status " << step.status;
    }
}

// Bytes through a loopback TCP connection, read off by the server's side. The socket is closed
// on every path: the server reads until it is.
void LoopbackTraffic(size_t bytes) {
    testing::LoopbackServer server([](testing::Peer& peer) { peer.ReceiveAll(); });
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(server.port());
    const bool connected = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    const std::string chunk(16384, 'k');
    size_t sent = 0;
    while (connected && sent < bytes) {
        const int n = send(s, chunk.data(), static_cast<int>(chunk.size()), 0);
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    closesocket(s);
    ASSERT_TRUE(connected) << WSAGetLastError();
    EXPECT_GE(sent, bytes);
    EXPECT_EQ(server.Received().size(), sent);
}

TEST(Win32InterfaceTableTest, TheRealLoopbackRowIsFlaggedAndItsWideCountersGrow) {
    Win32InterfaceTable table;
    table.Load();
    ASSERT_TRUE(table.Read(ReadingFor::InterfaceList).has_value());
    const auto loopbackRow = [&]() -> InterfaceRow {
        const auto rows = table.Read(ReadingFor::Sample).value_or(std::vector<InterfaceRow>{});
        std::vector<InterfaceRow> flagged;
        for (const InterfaceRow& row : rows) {
            if (row.loopback)
                flagged.push_back(row);
        }
        EXPECT_EQ(flagged.size(), 1u) << "of " << rows.size() << " rows";
        return flagged.empty() ? InterfaceRow{} : flagged[0];
    };
    const InterfaceRow before = loopbackRow();
    ASSERT_TRUE(before.wide) << before.description << ": GetIfEntry2 answered for it";
    EXPECT_TRUE(before.identity.starts_with("{")) << before.identity << ": its GUID";
    EXPECT_FALSE(before.hardware) << "loopback is never summed";
    constexpr size_t Sent = 256 * 1024;
    LoopbackTraffic(Sent);
    const InterfaceRow after = loopbackRow();
    EXPECT_EQ(after.description, before.description);
    ASSERT_TRUE(after.wide);
    // Loopback counts each byte both in and out; the headers and other programs only add.
    EXPECT_GE(after.inOctets - before.inOctets, Sent)
        << before.inOctets << " to " << after.inOctets;
    EXPECT_GE(after.outOctets - before.outOctets, Sent)
        << before.outOctets << " to " << after.outOctets;
    EXPECT_LT(after.inOctets - before.inOctets, 1ull << 32) << "no more than was plausible";
}

// What a command gives, within its bound; one that hangs is ended with what it started.
TEST(TokenCommandTest, EachOutcomeOfACommand) {
    using Kind = TokenAnswer::Kind;
    const testing::TokenOutcome rows[] = {
        {"cmd /c echo tok.en", Kind::Token, "tok.en", ""},
        {"cmd /c echo secret 1>&2 & exit 3", Kind::Failed, "", "exit code 3"},
        {"cmd /c rem", Kind::Empty, "", ""},
        {"Z:\\kestrel-missing-tool.exe", Kind::Failed, "", "the command did not start (error 2)"},
        {"cmd /c ping -n 30 127.0.0.1", Kind::TimedOut, "", ""},
    };
    testing::ExpectTokenOutcomes(rows, RunTokenCommand, 1500);
}

} // namespace
} // namespace kestrel
