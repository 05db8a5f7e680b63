// The options that answer or change the settings and exit, on a settings file in memory.
#include "app/command_line.h"
#include "fake/fake_settings_file.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

using Action = CommandLine::Action;
using Source = SignInSettings::Source;

TEST(CommandLineTest, OptionsReadAsTheyAreMeant) {
    const struct {
        std::vector<std::string> arguments;
        Action action;
        std::string value; // the command, or the start of what is wrong
        std::string provider = {};
    } rows[] = {
        {{}, Action::Run, ""},
        {{"quiet"}, Action::Run, ""},
        {{"quiet", "--version"}, Action::Version, ""},
        {{"--help"}, Action::Help, ""},
        {{"--account", "2", "--token-command", "pass show mail"}, Action::TokenCommand,
         "pass show mail"},
        {{"--token-command", "", "--account", "3"}, Action::TokenCommand, ""},
        {{"--account", "1", "--sign-in", "google", "--client-id", "id"}, Action::SignIn, "",
         "google"},
        {{"--account", "1", "--sign-in", "https://a/authorize", "https://a/token", "--client-id",
          "id"},
         Action::SignIn, "", "custom"},
        {{"--account", "4", "--token-command", "x"}, Action::Wrong, "--account takes"},
        {{"--account", "1"}, Action::Wrong, "--account takes either"},
        {{"--token-command", "x"}, Action::Wrong, "which account?"},
        {{"--account", "1", "--sign-in", "microsoft"}, Action::Wrong, "--sign-in needs"},
        {{"--account", "1", "--sign-in", "yahoo", "--client-id", "x"}, Action::Wrong,
         "--sign-in takes"},
        {{"--account", "1", "--token-command"}, Action::Wrong, "--token-command needs"},
        {{"--acount", "1"}, Action::Wrong, "unknown option --acount"},
    };
    for (const auto& row : rows) {
        const CommandLine line = ReadCommandLine(row.arguments);
        const std::string what = ::testing::PrintToString(row.arguments);
        EXPECT_EQ(line.action, row.action) << what;
        if (row.action == Action::Wrong)
            EXPECT_TRUE(line.value.starts_with(row.value)) << what << ": " << line.value;
        else
            EXPECT_EQ(line.value, row.value) << what;
        EXPECT_EQ(line.signIn.provider, row.provider) << what;
    }
}

// What the file holds after each command, and when it is left alone.
TEST(CommandLineTest, SettingsChangeOnlyWhenTheyCanBeKept) {
    SettingsValues stored;
    stored.accounts[1] = {"imaps://outlook.office365.com", "me@example.org", "", true};
    const std::string file = EncodeSettings(stored);
    const CommandAnswer signedIn{0, "signed in\n", {}};
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        bool runs;
        std::optional<std::string> content;
        int exitCode;
        Source source; // account 2's afterwards; Password where the file stays as it was
    } rows[] = {
        {"token command", {"--account", "2", "--token-command", "get-token"}, false, file, 0,
         Source::Command},
        {"while kestrel runs", {"--account", "2", "--token-command", "t"}, true, file, 1,
         Source::Password},
        {"without a file", {"--account", "2", "--token-command", "t"}, false, std::nullopt, 1,
         Source::Password},
        {"sign-in", {"--account", "2", "--sign-in", "microsoft", "--client-id", "c"}, false, file,
         0, Source::Provider},
        {"sign-in of an account without a server",
         {"--account", "1", "--sign-in", "microsoft", "--client-id", "c"}, false, file, 1,
         Source::Password},
    };
    for (const auto& row : rows) {
        FakeSettingsFile settings;
        settings.content = row.content;
        const CommandAnswer answer =
            RunCommand(ReadCommandLine(row.arguments), row.runs, settings,
                       [&](int, const AccountRecord&) { return signedIn; });
        EXPECT_EQ(answer.exitCode, row.exitCode) << row.name << ": " << answer.err;
        EXPECT_EQ(settings.writes, row.exitCode == 0 ? 1 : 0) << row.name;
        if (!settings.content)
            continue;
        const SettingsValues after = DecodeSettings(*settings.content, {});
        EXPECT_EQ(after.accounts[1].signIn.source, row.source) << row.name;
        EXPECT_EQ(after.accounts[1].user, "me@example.org") << row.name;
    }
}

} // namespace
} // namespace kestrel
