#include "app/command_line.h"

#include "settings/settings.h"

#include <optional>

namespace kestrel {

namespace {

using Action = CommandLine::Action;

CommandLine Wrong(std::string why) {
    CommandLine line;
    line.action = Action::Wrong;
    line.value = std::move(why);
    return line;
}

bool IsUrl(const std::string& text) {
    return text.starts_with("https://") || text.starts_with("http://");
}

// The provider's words: a preset's name, or the authorize and token endpoints' URLs.
std::optional<std::string> TakeProvider(const std::vector<std::string>& arguments, size_t& i,
                                        SignInSettings& signIn) {
    const std::string& first = arguments[i];
    if (first == "microsoft" || first == "google") {
        signIn.provider = first;
        return std::nullopt;
    }
    if (!IsUrl(first) || i + 1 >= arguments.size() || !IsUrl(arguments[i + 1]))
        return "--sign-in takes microsoft, google, or the authorize and the token URL";
    signIn.provider = "custom";
    signIn.authorizeUrl = first;
    signIn.tokenUrl = arguments[++i];
    return std::nullopt;
}

// Every option and its value; what is wrong, or nothing.
std::optional<std::string> ReadOptions(const std::vector<std::string>& arguments,
                                       CommandLine& line, bool& tokenCommand, bool& signIn) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (!option.starts_with("--"))
            continue; // kestrel's own words, as "quiet"
        if (option == "--help" || option == "--version") {
            line.action = option == "--help" ? Action::Help : Action::Version;
            return std::nullopt;
        }
        if (i + 1 >= arguments.size())
            return option + " needs a value";
        const std::string& value = arguments[++i];
        if (option == "--account") {
            line.account = value.size() == 1 && value[0] >= '1' && value[0] <= '3' ? value[0] - '0' : -1;
            if (line.account < 0)
                return "--account takes 1, 2 or 3";
        } else if (option == "--token-command") {
            tokenCommand = true;
            line.value = value;
        } else if (option == "--sign-in") {
            signIn = true;
            if (std::optional<std::string> wrong = TakeProvider(arguments, i, line.signIn))
                return wrong;
        } else if (option == "--client-id") {
            line.signIn.clientId = value;
        } else if (option == "--client-secret") {
            line.signIn.clientSecret = value;
        } else if (option == "--mechanism") {
            if (value != "xoauth2" && value != "oauthbearer")
                return "--mechanism takes xoauth2 or oauthbearer";
            line.signIn.mechanism =
                value == "xoauth2" ? sasl::Mechanism::XOAuth2 : sasl::Mechanism::OAuthBearer;
        } else if (option == "--autostart") {
            line.action = Action::Autostart;
            line.value = value;
        } else {
            return "unknown option " + option;
        }
    }
    return std::nullopt;
}

} // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool tokenCommand = false, signIn = false;
    if (std::optional<std::string> wrong = ReadOptions(arguments, line, tokenCommand, signIn))
        return Wrong(*wrong);
    if (line.action != Action::Run || (!tokenCommand && !signIn && line.account == 0))
        return line;
    if (tokenCommand == signIn)
        return Wrong("--account takes either --token-command or --sign-in");
    if (line.account == 0)
        return Wrong("which account? add --account 1, 2 or 3");
    if (signIn && line.signIn.clientId.empty())
        return Wrong("--sign-in needs the --client-id you registered with the provider");
    line.action = tokenCommand ? Action::TokenCommand : Action::SignIn;
    line.signIn.source = tokenCommand ? SignInSettings::Source::Command
                                      : SignInSettings::Source::Provider;
    return line;
}

std::string UsageText() {
    return "usage: kestrel [quiet]\n"
           "       kestrel --account N --token-command \"COMMAND\" [--mechanism xoauth2|oauthbearer]\n"
           "       kestrel --account N --sign-in microsoft|google|AUTHORIZE_URL TOKEN_URL\n"
           "               --client-id ID [--client-secret SECRET] [--mechanism ...]\n"
           "       kestrel --autostart on|off\n"
           "       kestrel --help | --version\n"
           "An account's token command prints an OAuth 2.0 access token on its first line; an\n"
           "empty one makes the account log in with its password again. --sign-in opens the\n"
           "provider's sign-in page in the browser and keeps the grant in the desktop's keyring.\n"
           "Both change kestrel.ini and exit; kestrel must not be running meanwhile.\n";
}

std::string VersionText() {
    return std::string("kestrel ") + KESTREL_VERSION + "\n";
}

namespace {

// Loads the stored settings and the account the command changes, or says why it cannot.
std::optional<CommandAnswer> CannotChange(const CommandLine& line, bool kestrelRuns,
                                          SettingsFile& file, SettingsValues& values) {
    if (kestrelRuns)
        return CommandAnswer{1, {}, "kestrel: kestrel is running: close it first, or its exit "
                                    "writes its own settings over the change\n"};
    if (!file.Read())
        return CommandAnswer{1, {}, "kestrel: no settings yet: start kestrel once and enter "
                                    "the account's server and user first\n"};
    values = LoadSettings(file, values);
    const AccountRecord& record = values.accounts[static_cast<size_t>(line.account - 1)];
    if (line.action == Action::SignIn && (record.server.Text().empty() || record.user.empty()))
        return CommandAnswer{1, {}, "kestrel: account " + std::to_string(line.account) +
                                        " has no server or user yet: enter them first\n"};
    return std::nullopt;
}

} // namespace

CommandAnswer RunCommand(const CommandLine& line, bool kestrelRuns, SettingsFile& file,
                         const SignInRunner& signIn) {
    switch (line.action) {
    case Action::Help:
        return {0, UsageText(), {}};
    case Action::Version:
        return {0, VersionText(), {}};
    case Action::Wrong:
        return {2, {}, "kestrel: " + line.value + "\n" + UsageText()};
    case Action::Run:
        return {};
    case Action::Autostart:
        return {2, {}, "kestrel: --autostart is for Linux desktops\n"};
    case Action::TokenCommand:
    case Action::SignIn:
        break;
    }
    SettingsValues values;
    if (std::optional<CommandAnswer> refused = CannotChange(line, kestrelRuns, file, values))
        return *refused;
    AccountRecord& record = values.accounts[static_cast<size_t>(line.account - 1)];
    const std::string name = "account " + std::to_string(line.account);
    record.signIn = line.signIn;
    CommandAnswer answer{0, name + ": token command set\n", {}};
    if (line.action == Action::TokenCommand && line.value.empty()) {
        record.signIn = {};
        answer.out = name + ": token command cleared: it logs in with its password\n";
    } else if (line.action == Action::TokenCommand) {
        record.signIn.command = line.value;
    } else {
        answer = signIn ? signIn(line.account, record)
                        : CommandAnswer{1, {}, "kestrel: no built-in sign-in here\n"};
        if (answer.exitCode != 0)
            return answer;
    }
    WriteSettings(file, values);
    return answer;
}

} // namespace kestrel
