#pragma once

// What the POP3 and the IMAP jobs share: the client attached for the job's whole life, so that
// the end reaches it, and the connect to the account's server.

#include "mail/access_tokens.h"
#include "mail/account.h"
#include "mail/account_outcome.h"
#include "mail/mail_jobs.h"
#include "net/component.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrel {

// The client a maker makes, or the plain one where there is no maker.
template <class Client>
std::unique_ptr<Client> MakeClient(const std::function<std::unique_ptr<Client>()>& make) {
    return make ? make() : std::make_unique<Client>();
}

template <class Client> class JobClient {
  public:
    JobClient(const std::function<std::unique_ptr<Client>()>& make, RunningClient& running)
        : client_(MakeClient(make)), running_(running) {
        running_.Attach(client_.get());
    }
    ~JobClient() { running_.Detach(); }
    JobClient(const JobClient&) = delete;
    JobClient& operator=(const JobClient&) = delete;
    Client& operator*() const { return *client_; }
    Client* operator->() const { return client_.get(); }

  private:
    std::unique_ptr<Client> client_;
    RunningClient& running_;
};

// A field that names no reachable server leaves the client unconnected: the account fails as
// if its server could not be reached, and nothing is sent.
template <class Client>
void ConnectClient(Client& client, const AccountRecord& record, const MailJobLimits& limits,
                   MailStep& step) {
    const std::optional<ServerEndpoint>& server = record.server.Endpoint();
    if (!server)
        return;
    client.Host = server->host;
    client.Port = server->port;
    client.UseTls = server->tls;
    client.UseStartTls = server->startTls;
    client.Username = record.user;
    client.Password = record.password;
    if (record.signIn.UsesToken())
        client.Mechanism = record.signIn.mechanism;
    client.SessionLimitMs = limits.sessionMs;
    // Connected (TLS handshake included) means the greeting and the login come next.
    client.OnStatus = [&step, before = client.OnStatus](Component& c, ConnectionStatus status,
                                                        const std::string& argument) {
        if (status == ConnectionStatus::Connected)
            step = MailStep::Login;
        if (before)
            before(c, status, argument);
    };
    client.OpenConnection(limits.connectMs);
}

// One conversation of a job with the account's server: the client made and attached for its
// whole life, connected, then talk(client, step), which moves the step along and returns the
// outcome. A field that names no server, and any failure at the step reached, make the outcome
// instead: each account's failures stay its own.
template <class Client, class Talk>
AccountOutcome ConverseOnce(const std::function<std::unique_ptr<Client>()>& make,
                            const AccountRecord& record, const MailJobLimits& limits,
                            RunningClient& running, Talk& talk, MailStep& step) {
    JobClient<Client> client(make, running);
    ConnectClient(*client, record, limits, step);
    if (!client->IsConnected())
        return NoServerIn(record.server.Text());
    return talk(*client, step);
}

// The same with the account's access token where it logs in with one: a token the server
// refuses is renewed once and tried once more, never again in the same job.
template <class Client, class Talk>
AccountOutcome Converse(const std::function<std::unique_ptr<Client>()>& make, int account,
                        const AccountRecord& record, const MailJobLimits& limits,
                        RunningClient& running, const AccessTokens& tokens, Talk talk) {
    MailStep step = MailStep::Connect;
    AccountOutcome outcome;
    for (bool refused : {false, true}) {
        AccountRecord login = record;
        if (std::optional<AccountOutcome> none = TakeToken(account, login, tokens, refused))
            return *none;
        step = MailStep::Connect;
        try {
            outcome = ConverseOnce(make, login, limits, running, talk, step);
        } catch (...) {
            outcome = OutcomeOf(std::current_exception(), step, record.server.Host());
        }
        if (!record.signIn.UsesToken() || outcome.kind != AccountOutcome::Kind::LoginRefused ||
            running.Stopped())
            break;
    }
    if (record.signIn.UsesToken() && outcome.kind == AccountOutcome::Kind::LoginRefused)
        outcome = TokenRefused(outcome, record.signIn.source);
    // Once connected, whatever came of it, the user name and password could have gone out.
    outcome.unencrypted = step != MailStep::Connect && record.server.IsPlainOffLoopback();
    return outcome;
}

// The names read for a notice, or none where a header did not come or the server refused it:
// the notice then counts. The check goes through all the same; after such a failure the
// conversation ends at once, in whatever state the failure left it.
template <class Client, class Read>
std::vector<NewMail> NamesOrNone(Client& client, Read read) {
    try {
        return read();
    } catch (...) {
        try {
            client.CloseConnection();
        } catch (...) {
        }
        return {};
    }
}

// A fetch that a bound or the connection's end cut short says nothing about the message: it
// is asked for again next time. One the server refused, or whose header cannot be read, would
// fail again, so it counts as seen and the next listing goes on behind it.
bool FetchWasCutShort(const std::exception_ptr& failure);

} // namespace kestrel
