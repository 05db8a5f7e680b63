// The socket layer: error texts, dotted quads, name resolution and the entry table.
#include "net/component.h"
#include "net/exceptions.h"
#include "net/socket_library.h"
#include "net/socket_stack.h"
#include "text/conversion.h"

#include <gtest/gtest.h>

#include <atomic>

#ifdef _WIN32
#define STAND_IN_API __stdcall
#else
#define STAND_IN_API
#endif

struct hostent; // the platform's host entry; the stand-in only ever returns none

namespace kestrel {
namespace {

TEST(SocketLayerTest, ErrorTextsNameTheCodeAndItsDescription) {
    const std::pair<int, std::string> rows[] = {
        {10061, "Socket-Fehler # 10061\r\nVerbindung abgelehnt."},
        {11001, "Socket-Fehler # 11001\r\nHost nicht gefunden."},
        {10035, "Socket-Fehler # 10035\r\nDie Operation würde blockieren. "},
        {10058, "Socket-Fehler # 10058\r\nNach Schließen des Socket kann weder gesendet noch "
                "empfangen werden."},
        {10066, "Socket-Fehler # 10066\r\nVerzeichnis ist nicht leer"},
        {12345, "Socket-Fehler # 12345\r\n"},
        {0, "Socket-Fehler # 0\r\n"},
    };
    for (const auto& [code, text] : rows)
        EXPECT_EQ(SocketStack::SocketErrorText(code), text) << code;
}

TEST(SocketLayerTest, DottedQuads) {
    const std::pair<const char*, bool> rows[] = {
        {"192.168.0.1", true}, {"127.0.0.1", true},
        {"0.0.0.0", true},     {"255.255.255.255", true},
        {" 1.2.3.4", true},    {"$7F.0.0.1", true},
        {"256.1.1.1", false},  {"1.2.3", false},
        {"1.2.3.4.5", false},  {"a.b.c.d", false},
        {"1..2.3", false},     {"-1.2.3.4", false},
        {"", false},           {"localhost", false},
        {"1.2.3.4 ", false},
    };
    for (const auto& [text, dotted] : rows)
        EXPECT_EQ(IsDottedQuad(text), dotted) << text;
    EXPECT_EQ(ParseDottedQuad("10.0.200.7"), (std::array<uint8_t, 4>{10, 0, 200, 7}));
    EXPECT_EQ(FormatDottedQuad({127, 0, 0, 1}), "127.0.0.1");
    EXPECT_THROW(ParseDottedQuad("1.x.3.4"), ConvertError);
    try {
        ParseDottedQuad("1.x.3.4");
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' ist kein gültiger Integerwert");
    }
}

std::atomic<int> lookups = 0;

::hostent* STAND_IN_API FailingLookup(const char*) {
    ++lookups;
    sockets::SetLastError(11001);
    return nullptr;
}

class StackTest : public ::testing::Test {
  protected:
    Component user; // keeps SharedStack alive
    void TearDown() override { sockets::BindEntry("gethostbyname", nullptr); }
};

TEST_F(StackTest, LocalhostInAnyCaseNeedsNoLookup) {
    sockets::BindEntry("gethostbyname", reinterpret_cast<void*>(&FailingLookup));
    lookups = 0;
    for (const char* host : {"localhost", "LOCALHOST", "LocalHost"})
        EXPECT_EQ(SharedStack->ResolveHostAddress(host), "127.0.0.1");
    EXPECT_EQ(SharedStack->ResolveHostAddress("10.1.2.3"), "10.1.2.3");
    EXPECT_EQ(lookups, 0);
}

TEST_F(StackTest, AFailedLookupRaisesTheHostNotFoundError) {
    sockets::BindEntry("gethostbyname", reinterpret_cast<void*>(&FailingLookup));
    try {
        SharedStack->ResolveHostAddress("mail.invalid");
        FAIL() << "no exception";
    } catch (const SocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 11001);
        EXPECT_EQ(std::string(e.what()), "Socket-Fehler # 11001\r\nHost nicht gefunden.");
    }
    EXPECT_EQ(lookups, 1);
}

TEST_F(StackTest, CheckSocketResultAsksOnlyAfterAFailure) {
    sockets::SetLastError(10061);
    SharedStack->LastSocketError = 0;
    EXPECT_FALSE(SharedStack->CheckSocketResult(0));
    EXPECT_FALSE(SharedStack->CheckSocketResult(5));
    EXPECT_EQ(SharedStack->LastSocketError, 0) << "WinSock was not asked";
    sockets::SetLastError(10038);
    EXPECT_TRUE(SharedStack->CheckSocketResult(-1, {10009, 10038}));
    sockets::SetLastError(10061);
    EXPECT_THROW(SharedStack->CheckSocketResult(-1, {10009, 10038}), SocketError);
    EXPECT_EQ(SharedStack->LastSocketError, 10061);
}

TEST_F(StackTest, SelectSetsHoldAtMost64Sockets) {
    std::vector<RawSocket> many(65, sockets::InvalidSocket);
    EXPECT_THROW(SharedStack->Select(&many, nullptr, nullptr, 0), SocketSetFull);
}

TEST(SocketLayerTest, AnEntryCalledWithoutALoadedLibraryRaisesTheStubError) {
    ASSERT_EQ(StackUserCount, 0);
    Component{}; // the library is loaded and stays so; take it away as at process end
    sockets::Cleanup();
    try {
        sockets::NewSocket(1, 0);
        FAIL() << "no exception";
    } catch (const MissingSocketFunction& e) {
        EXPECT_EQ(e.OsErrorCode, 10093);
        EXPECT_EQ(e.BaseText, "Fehler beim Aufruf einer Winsock2-Bibliotheksfunktion socket");
        EXPECT_EQ(std::string(e.what()), e.BaseText + ": " + sockets::OsErrorText(10093));
    }
    ASSERT_EQ(sockets::Startup(), 0); // back for the other tests
}

} // namespace
} // namespace kestrel
