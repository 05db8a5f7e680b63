// Passwords and the desktop's store, through the shell: the move out of kestrel.ini at start,
// cut at every step; a store that refuses; the form's edits. The store is the fake: a real one
// cannot be cut between two calls.
#include "fake/fake_secret_store.h"
#include "support/shell_fixture.h"

#include <gtest/gtest.h>

namespace kestrel::testing {
namespace {

using enum ControlName;

class StoredPasswordsTest : public ShellTest {
  protected:
    FakeSecretStore store;

    // One run of kestrel: started, its store rounds ended; quit writes the file at the end.
    void Run(bool quit) {
        app = std::make_unique<Application>(
            Platform{desk.Ports(), interfaces, settings, totals, announced, &store}, "kestrel");
        app->Run();
        RunRounds();
        if (quit)
            app->OnClose();
        app.reset();
    }
    void RunRounds() {
        for (int i = 0; i < 500 && app->Passwords().RoundsWaiting() > 0; ++i) {
            desk.posted.WaitForAny(std::chrono::milliseconds(10));
            desk.posted.RunAll();
        }
        ASSERT_EQ(app->Passwords().RoundsWaiting(), 0);
    }
    SettingsValues Written() { return DecodeSettings(*settings.content, {}); }
    int Puts() {
        return static_cast<int>(std::ranges::count_if(
            store.Calls(), [](const std::string& call) { return call.starts_with("put"); }));
    }
    static SettingsValues TwoPasswords() {
        SettingsValues values;
        values.interfaceNumber = 1;
        values.accounts[0] = {"pop.example.org", "alice", "first secret", false};
        values.accounts[2] = {"imap.example.org", "carol", "third secret", false};
        return values;
    }
    // Neither the password nor its scrambled bytes are anywhere in the file.
    void ExpectNoPasswordIn(const std::string& file) {
        for (const char* password : {"first secret", "third secret"}) {
            EXPECT_EQ(file.find(password), std::string::npos) << password;
            EXPECT_EQ(file.find(ScrambleText(password)), std::string::npos) << password;
        }
    }
};

// Killed after each store call of the move (put, read back, put, read back), or after them all
// before the file was written: the next start finishes the move, and a third changes nothing.
TEST_F(StoredPasswordsTest, AMoveCutAtAnyStepLosesNothing) {
    for (int cut = 0; cut <= 4; ++cut) {
        store.secrets.clear();
        store.calls.clear();
        settings.content = EncodeSettings(TwoPasswords());
        store.failFromCall = cut;
        Run(false); // killed: nothing written at exit
        if (cut == 4)
            settings.content = EncodeSettings(TwoPasswords()); // and before the file's write
        store.failFromCall.reset();
        Run(true);
        const SettingsValues after = Written();
        EXPECT_EQ(store.secrets["account 1"], "first secret") << "cut " << cut;
        EXPECT_EQ(store.secrets["account 3"], "third secret") << "cut " << cut;
        EXPECT_EQ(after.passwordsInStore, (std::array<bool, 3>{true, false, true})) << cut;
        EXPECT_EQ(after.accounts[0].user, "alice") << "cut " << cut;
        ExpectNoPasswordIn(*settings.content);

        const std::string file = *settings.content;
        const int puts = Puts();
        Run(true);
        EXPECT_EQ(Puts(), puts) << "a second move, cut " << cut;
        EXPECT_EQ(*settings.content, file) << "cut " << cut;
    }
}

// An older build reads the moved file: empty passwords, every other field as it was.
TEST_F(StoredPasswordsTest, AnOlderReaderFindsEmptyPasswordsAndTheRestAsBefore) {
    settings.content = EncodeSettings(TwoPasswords());
    Run(true);
    std::string_view text = *settings.content;
    SettingsValues older = TwoPasswords();
    for (int i = 0; i < 4; ++i)
        ReadNumber(text);
    for (AccountRecord& account : older.accounts) {
        ReadField(text);
        EXPECT_EQ(ReadField(text), account.server.Text());
        EXPECT_EQ(ReadField(text), account.user);
        EXPECT_EQ(ReadField(text), "");
    }
    EXPECT_EQ(ReadField(text), "") << "no interface identity";
}

// A store that is not there, or refuses (a locked keyring left shut): asked once, said once,
// and the passwords stay where they were.
TEST_F(StoredPasswordsTest, AStoreThatFailsIsAskedOnceAndSaidOnce) {
    const struct {
        const char* what;
        bool present;
        const char* note1; // account 1, kept in the store
        const char* note3; // account 3, in the file
    } rows[] = {
        {"no store", false, "", "the test store is not there: password kept in kestrel.ini"},
        {"refused", true, "the test store refused (locked): its password for this account is not at hand",
         "the test store refused (locked): password kept in kestrel.ini"},
    };
    for (const auto& row : rows) {
        store.secrets.clear();
        store.calls.clear();
        store.present = row.present;
        store.failFromCall = 0;
        SettingsValues values = TwoPasswords();
        values.accounts[0].password.clear();
        values.passwordsInStore[0] = true;
        settings.content = EncodeSettings(values);
        ::testing::internal::CaptureStderr();
        app = std::make_unique<Application>(
            Platform{desk.Ports(), interfaces, settings, totals, announced, &store}, "kestrel");
        app->Run();
        RunRounds();
        ClickRadio(AccountRadio3Id);
        EXPECT_EQ(desk.control(StatusLine).text, row.note3) << row.what;
        ClickRadio(AccountRadio1Id);
        if (row.present) {
            EXPECT_EQ(desk.control(StatusLine).text, row.note1) << row.what;
        }
        Menu(CmdConfigMail);
        Type(PasswordEdit, "typed");
        Click(OkButtonId);
        RunRounds();
        app->OnClose();
        app.reset();
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::ranges::count(said, '\n'), 1) << row.what << ": " << said;
        EXPECT_LE(store.Calls().size(), 1u) << row.what << ": one prompt at most";
        EXPECT_EQ(Written().accounts[2].password, "third secret") << row.what;
        EXPECT_EQ(Written().accounts[0].password, "typed") << row.what;
    }
}

// The form's edits: a new password goes into the store on confirmation, an emptied one leaves.
TEST_F(StoredPasswordsTest, TheFormsEditsReachTheStore) {
    settings.content = EncodeSettings(TwoPasswords());
    app = std::make_unique<Application>(
        Platform{desk.Ports(), interfaces, settings, totals, announced, &store}, "kestrel");
    app->Run();
    RunRounds();
    Menu(CmdConfigMail);
    EXPECT_EQ(desk.control(StatusLine).text, "password in the test store");
    Type(PasswordEdit, "changed");
    ClickRadio(AccountRadio3Id);
    Type(PasswordEdit, "");
    Click(OkButtonId);
    RunRounds();
    EXPECT_EQ(store.secrets, (std::map<std::string, std::string>{{"account 1", "changed"}}));
    app->OnClose();
    EXPECT_EQ(Written().passwordsInStore, (std::array<bool, 3>{true, false, false}));
    EXPECT_EQ(Written().accounts[0].password, "");
}

} // namespace
} // namespace kestrel::testing
