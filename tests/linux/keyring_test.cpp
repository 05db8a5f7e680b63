// The keyring for real: GNOME Keyring's Secret Service on a private session bus that the test
// command starts (dbus-run-session, gnome-keyring-daemon --unlock), and a session with no bus.
#include "app/password_keeper.h"
#include "fake/fake_desktop.h"
#include "qt/qt_secret_store.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdlib>

namespace kestrel::testing {
// One store for the program, as kestrel has: QtKeychain's queue stays on the thread of the
// first store that used it.
QtSecretStore* keyring = nullptr;
namespace {

std::string AllBytes(size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i)
        bytes += static_cast<char>(i % 256);
    return bytes;
}

TEST(KeyringTest, KeepsWhatItTakesAndForgetsWhatIsRemoved) {
    if (!std::getenv("KESTREL_KEYRING"))
        GTEST_SKIP() << "needs the private keyring session of the test command";
    QtSecretStore& store = *keyring;
    ASSERT_TRUE(store.Present());
    const struct {
        const char* what;
        std::string secret;
    } rows[] = {
        {"a password", "hunter2"},
        {"every byte, the zero byte too", AllBytes(256)},
        {"UTF-8", "p\xC3\xA4ss\xE2\x82\xAC"},
        {"a token of 5 KB", AllBytes(5 * 1024)},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(store.Put("account 1", row.secret).answer, SecretAnswer::Done) << row.what;
        const SecretReply back = store.Get("account 1");
        EXPECT_EQ(back.answer, SecretAnswer::Done) << row.what;
        EXPECT_EQ(back.secret, row.secret) << row.what;
    }
    EXPECT_EQ(store.Remove("account 1").answer, SecretAnswer::Done);
    EXPECT_EQ(store.Get("account 1").answer, SecretAnswer::NotFound);
}

// Runs the keeper's start round, on its own thread, to its end.
bool StartRound(FakeDesktop& desk, PasswordKeeper& keeper) {
    int rounds = 0;
    if (!keeper.Start([&](const KeptPasswords&) { ++rounds; }))
        return false;
    const auto start = std::chrono::steady_clock::now();
    while (rounds == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
        desk.posted.WaitForAny(std::chrono::milliseconds(20));
        desk.posted.RunAll();
    }
    return rounds == 1;
}

// The file's password moves into the keyring, and the next start finds it there.
TEST(KeyringTest, APasswordMovesInAndComesBack) {
    if (!std::getenv("KESTREL_KEYRING"))
        GTEST_SKIP() << "needs the private keyring session of the test command";
    FakeDesktop desk;
    QtSecretStore& store = *keyring;
    SettingsValues values;
    values.accounts[1] = {"pop.example.org", "bob", "s\xE9" "cret", true};
    SettingsValues written;
    {
        PasswordKeeper keeper(desk.Ports().services, &store);
        keeper.Found(values);
        ASSERT_TRUE(StartRound(desk, keeper)) << "no answer within 2 s";
        written = keeper.ForFile(values);
        EXPECT_EQ(keeper.NoteFor(2), "password in the keyring");
    }
    EXPECT_EQ(written.accounts[1].password, "");
    EXPECT_EQ(written.passwordsInStore, (std::array<bool, 3>{false, true, false}));
    PasswordKeeper again(desk.Ports().services, &store);
    again.Found(written);
    KeptPasswords fetched;
    ASSERT_TRUE(again.Start([&](const KeptPasswords& passwords) { fetched = passwords; }));
    for (int i = 0; i < 100 && fetched[1].password.empty(); ++i) {
        desk.posted.WaitForAny(std::chrono::milliseconds(20));
        desk.posted.RunAll();
    }
    EXPECT_EQ(fetched[1].password, "s\xE9" "cret");
}

// Without a session bus the start goes on with the file's passwords within 2 s, and says so.
TEST(KeyringTest, WithoutABusThePasswordsStayInTheFile) {
    if (!std::getenv("KESTREL_NO_BUS"))
        GTEST_SKIP() << "needs a session without a bus";
    FakeDesktop desk;
    QtSecretStore& store = *keyring;
    PasswordKeeper keeper(desk.Ports().services, &store);
    SettingsValues values;
    values.accounts[0].password = "pw";
    keeper.Found(values);
    EXPECT_TRUE(StartRound(desk, keeper)) << "no answer within 2 s";
    EXPECT_EQ(keeper.NoteFor(1), "the keyring is not there: password kept in kestrel.ini");
    EXPECT_EQ(keeper.ForFile(values).accounts[0].password, "pw");
}

} // namespace
} // namespace kestrel::testing

int main(int argc, char** argv) {
    QCoreApplication qt(argc, argv);
    kestrel::QtSecretStore store;
    kestrel::testing::keyring = &store;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
