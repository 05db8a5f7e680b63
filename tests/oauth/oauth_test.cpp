// The sign-in's wire forms against published vectors, the token endpoint's answers a real
// server rarely gives, and the redirect listener against raw requests on loopback.
#include "net/component.h"
#include "oauth/authorize_url.h"
#include "oauth/pkce.h"
#include "oauth/redirect_listener.h"
#include "oauth/token_endpoint.h"

#include <gtest/gtest.h>

#include <thread>

namespace kestrel {
namespace {

TEST(Pkce, MatchesRfc7636AppendixB) {
    const uint8_t octets[32] = {116, 24,  223, 180, 151, 153, 224, 37,  79,  250, 96,
                                125, 216, 173, 187, 186, 22,  212, 37,  77,  105, 214,
                                191, 240, 91,  88,  5,   88,  83,  132, 141, 121};
    const Pkce pkce = PkceOf({reinterpret_cast<const char*>(octets), sizeof octets});
    EXPECT_EQ(pkce.verifier, "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk");
    EXPECT_EQ(pkce.challenge, "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    EXPECT_NE(RandomOctets(32), RandomOctets(32));
}

TEST(AuthorizeUrl, CarriesEveryFieldEncoded) {
    struct Row {
        OAuthProvider provider;
        MailService service;
        std::string hint, url;
    } rows[] = {
        {OAuthProvider::Microsoft, MailService::Imap, "ivy@example.com",
         "https://login.microsoftonline.com/common/oauth2/v2.0/authorize?response_type=code&"
         "client_id=id%201&redirect_uri=http%3A%2F%2F127.0.0.1%3A4711%2F&scope=https%3A%2F%2F"
         "outlook.office.com%2FIMAP.AccessAsUser.All%20offline_access&state=s%2Bt&code_challenge="
         "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM&code_challenge_method=S256&"
         "login_hint=ivy%40example.com"},
        {OAuthProvider::Google, MailService::Pop3, "",
         "https://accounts.google.com/o/oauth2/v2/auth?response_type=code&client_id=id%201&"
         "redirect_uri=http%3A%2F%2F127.0.0.1%3A4711%2F&scope=https%3A%2F%2Fmail.google.com%2F&"
         "state=s%2Bt&code_challenge=E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM&"
         "code_challenge_method=S256&access_type=offline"},
    };
    for (const Row& row : rows) {
        const OAuthSettings settings{PresetEndpoints(row.provider, row.service), "id 1", ""};
        EXPECT_EQ(AuthorizeUrl(settings, {"http://127.0.0.1:4711/", "s+t",
                                          "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM", row.hint}),
                  row.url);
    }
    OAuthSettings custom{{"https://id.example/auth?tenant=x", "", "mail", {}}, "c", ""};
    EXPECT_EQ(AuthorizeUrl(custom, {"r", "s", "c", ""}).substr(0, 48),
              "https://id.example/auth?tenant=x&response_type=c");
}

TEST(TokenReply, KeepsRefusedApartFromFailed) {
    struct Row {
        HttpsReply reply;
        TokenEnd end;
        std::string detail;
        int64_t lifetime;
    } rows[] = {
        {{true, 200, R"({"access_token":"a","refresh_token":"r","expires_in":99})", ""},
         TokenEnd::Granted, "", 99},
        {{true, 200, R"({"access_token":"a","expires_in":"120"})", ""}, TokenEnd::Granted, "", 120},
        {{true, 200, R"({"access_token":"a"})", ""}, TokenEnd::Granted, "", 3600},
        {{true, 200, R"({"access_token":"a","expires_in":1e300})", ""}, TokenEnd::Granted, "", 86400},
        {{true, 200, R"({"token_type":"Bearer"})", ""}, TokenEnd::Failed,
         "HTTP 200, an answer without an access token", 0},
        {{true, 400, R"({"error":"invalid_grant","error_description":"AADSTS70008: expired"})", ""},
         TokenEnd::Refused, "invalid_grant: AADSTS70008: expired", 0},
        {{true, 401, R"({"error":"invalid_client"})", ""}, TokenEnd::Refused, "invalid_client", 0},
        {{true, 503, R"({"error":"temporarily_unavailable"})", ""}, TokenEnd::Failed,
         "HTTP 503, temporarily_unavailable", 0},
        {{true, 429, "<html>slow down</html>", ""}, TokenEnd::Failed,
         "HTTP 429, an answer that is no JSON object", 0},
        {{true, 200, R"({"access_token":"a")", ""}, TokenEnd::Failed,
         "HTTP 200, an answer that is no JSON object", 0},
        {{false, 0, "", "connection refused"}, TokenEnd::Failed, "connection refused", 0},
    };
    for (const Row& row : rows) {
        const TokenOutcome outcome = ReadTokenReply(row.reply);
        EXPECT_EQ(outcome.end, row.end) << row.reply.body;
        EXPECT_EQ(outcome.detail, row.detail);
        EXPECT_EQ(outcome.tokens.lifetimeSeconds, row.lifetime) << row.reply.body;
    }
}

// Sends the request to the listener and reads its answer's status line.
std::string StatusOf(int port, const std::string& request) {
    Component stack;
    const sockets::Socket s = sockets::NewSocket(sockets::StreamType, 0);
    std::string answer;
    if (sockets::Connect(s, {{127, 0, 0, 1}, static_cast<uint16_t>(port)}) == 0 &&
        sockets::SendNow(s, request.data(), static_cast<int>(request.size())) > 0) {
        for (;;) {
            std::vector<sockets::Socket> read{s};
            char bytes[512];
            if (sockets::Select(&read, nullptr, nullptr, 5000) <= 0)
                break;
            const int got = sockets::Recv(s, bytes, sizeof bytes);
            if (got <= 0)
                break;
            answer.append(bytes, static_cast<size_t>(got));
        }
    }
    sockets::CloseSocket(s);
    return answer.substr(0, answer.find("\r\n"));
}

TEST(RedirectListener, OnlyTheAwaitedRedirectEndsTheWait) {
    struct Row {
        std::string request, status;
        RedirectEnd end;
        std::string codeOrDetail; // "true" when the true redirect that follows ends it
    } rows[] = {
        {"GET /favicon.ico HTTP/1.1\r\n\r\n", "HTTP/1.1 404 Not Found", RedirectEnd::Code, "true"},
        {"GET /?code=c&state=forged HTTP/1.1\r\n\r\n", "HTTP/1.1 400 Bad Request",
         RedirectEnd::Code, "true"},
        {"GET /?code=c HTTP/1.1\r\n\r\n", "HTTP/1.1 400 Bad Request", RedirectEnd::Code, "true"},
        {"POST /?code=c&state=S1 HTTP/1.1\r\n\r\n", "HTTP/1.1 404 Not Found", RedirectEnd::Code,
         "true"},
        {"GET /?code=c%2Bd+e&state=S1 HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 200 OK",
         RedirectEnd::Code, "c+d e"},
        {"GET /?error=access_denied&error_description=no+thanks&state=S1 HTTP/1.1\r\n\r\n",
         "HTTP/1.1 200 OK", RedirectEnd::Denied, "access_denied: no thanks"},
    };
    for (const Row& row : rows) {
        RedirectListener listener;
        ASSERT_EQ(listener.Failure(), "");
        const int port = std::stoi(listener.RedirectUri().substr(17));
        std::string status;
        std::thread browser([&] {
            status = StatusOf(port, row.request);
            if (row.codeOrDetail == "true")
                StatusOf(port, "GET /?state=S1&code=true HTTP/1.1\r\n\r\n");
        });
        const std::atomic<bool> cancel{false};
        const Redirect redirect = listener.Wait("S1", 15000, cancel);
        browser.join();
        EXPECT_EQ(status, row.status) << row.request;
        EXPECT_EQ(redirect.end, row.end) << row.request;
        EXPECT_EQ(redirect.end == RedirectEnd::Code ? redirect.code : redirect.detail,
                  row.codeOrDetail);
    }
}

} // namespace
} // namespace kestrel
