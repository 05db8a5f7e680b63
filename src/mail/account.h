#pragma once

#include "mail/server_field.h"
#include "net/sasl.h"

#include <array>
#include <string>

namespace kestrel {

// The most characters the account form takes for a server, user name or password.
inline constexpr int AccountTextLimit = 50;
// The most bytes of such a text in UTF-8: the form counts UTF-16 units, at most three bytes each.
inline constexpr int AccountTextBytes = 3 * AccountTextLimit;

// How an account logs in where its server takes an OAuth 2.0 access token and no password: the
// token comes from a command the user names, or from kestrel's own sign-in at a provider.
struct SignInSettings {
    enum class Source { Password, Command, Provider };
    Source source = Source::Password;
    sasl::Mechanism mechanism = sasl::Mechanism::XOAuth2;
    std::string command;      // Command: prints the access token
    std::string provider;     // Provider: "microsoft", "google" or "custom"
    std::string authorizeUrl; // custom endpoints only
    std::string tokenUrl;
    std::string clientId;
    std::string clientSecret; // Google's desktop clients have one; it keeps nothing secret
    bool UsesToken() const { return source != Source::Password; }
    bool operator==(const SignInSettings&) const = default;
};

struct AccountRecord {
    ServerField server;
    std::string user;
    std::string password;
    bool active = false;
    SignInSettings signIn{};
    // Whether it has what a login needs: a password, or a source of tokens.
    bool CanLogIn() const { return !password.empty() || signIn.UsesToken(); }
    bool operator==(const AccountRecord&) const = default;
};

// Accounts 1 to 3 live at indexes 0 to 2.
using AccountTable = std::array<AccountRecord, 3>;

} // namespace kestrel
