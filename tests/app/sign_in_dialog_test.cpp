// The sign-in dialog from the tray menu: what it shows, and what its answer changes.
#include "support/shell_fixture.h"

namespace kestrel::testing {
namespace {

using Source = SignInSettings::Source;

TEST_F(ShellTest, TheSignInDialogSetsHowAnAccountLogsIn) {
    const struct {
        const char* name;
        std::optional<SignInChoice> answer;
        SignInSettings after; // account 2's
        bool signInStarts; // here without a keyring, which it says
    } rows[] = {
        {"cancelled", std::nullopt, {}, false},
        {"token command",
         SignInChoice{2, {1, 1, "get-token me", "ignored", "", "", "", ""}},
         {Source::Command, sasl::Mechanism::OAuthBearer, "get-token me", "", "", "", "", ""},
         false},
        {"Google",
         SignInChoice{2, {3, 0, "ignored", "id.apps", "secret", "", "", ""}},
         {Source::Provider, sasl::Mechanism::XOAuth2, "", "google", "", "", "id.apps", "secret"},
         true},
        {"other provider",
         SignInChoice{2, {4, 0, "", "id", "", "https://a/auth", "https://a/token", ""}},
         {Source::Provider, sasl::Mechanism::XOAuth2, "", "custom", "https://a/auth",
          "https://a/token", "id", ""},
         true},
        {"back to the password", SignInChoice{2, {0, 1, "x", "y", "", "", "", ""}}, {}, false},
    };
    StartCompact();
    app->Mail().StoreAccount(2, {"imaps://127.0.0.1:1", "me", "", false});
    Click(AccountRadio2Id);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        desk.signInAnswer = row.answer;
        app->Mail().States().Take(2, SucceededWith(0, 0));
        Menu(CmdSignIn);
        ASSERT_FALSE(desk.signInForms.empty());
        EXPECT_EQ(desk.signInForms.back().account, 2) << "the account the mail form shows";
        EXPECT_EQ(app->Mail().Account(2).signIn, row.after);
        EXPECT_EQ(app->Mail().Account(2).user, "me");
        EXPECT_EQ(StatusText(*app->Mail().States().Newest(2)),
                  row.signInStarts ? "sign-in needed: no keyring here to keep a sign-in in"
                                   : "ok: 0 messages");
    }
    // What the dialog shows next time is what it set.
    desk.signInAnswer = SignInChoice{2, {2, 0, "", "client", "", "", "", ""}};
    Menu(CmdSignIn);
    Menu(CmdSignIn);
    EXPECT_EQ(desk.signInForms.back().accounts[1].source, 2);
    EXPECT_EQ(desk.signInForms.back().accounts[1].clientId, "client");
}

} // namespace
} // namespace kestrel::testing
