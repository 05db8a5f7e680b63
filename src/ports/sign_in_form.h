#pragma once

#include <array>
#include <string>

namespace kestrel {

// The small dialog where an account is set to log in with an OAuth 2.0 token: by a token
// command, or by signing in at a provider. The front ends lay out what it holds; the core
// fills it and reads it back.
struct SignInForm {
    static constexpr const char* Caption = "kestrel sign-in";
    static constexpr std::array<const char*, 5> Sources = {
        "password", "token command", "Microsoft", "Google", "other provider"};
    static constexpr std::array<const char*, 2> Mechanisms = {"XOAUTH2", "OAUTHBEARER"};
    // The labels beside the fields, in the order of Fields below.
    static constexpr std::array<const char*, 8> Labels = {
        "account",   "log in with",   "mechanism",     "token command",
        "client id", "client secret", "authorize URL", "token URL"};

    struct Fields {
        int source = 0;    // index into Sources
        int mechanism = 0; // index into Mechanisms
        std::string command, clientId, clientSecret, authorizeUrl, tokenUrl;
        std::string state; // the account's state, shown under the fields
        bool operator==(const Fields&) const = default;
    };
    int account = 1; // 1 to 3: the one shown first; the user may choose another
    std::array<Fields, 3> accounts{};
};

struct SignInChoice {
    int account = 1;
    SignInForm::Fields fields;
};

} // namespace kestrel
