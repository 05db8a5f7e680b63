#include "mail/mail_jobs.h"

#include "mail/mail_entry.h"
#include "mail/server_field.h"
#include "net/exceptions.h"
#include "net/tls_engine.h"
#include "pop3/pop3_client.h"

#include <exception>
#include <optional>
#include <utility>

namespace kestrel {

void RunningClient::Attach(Pop3Client* client) {
    std::lock_guard lock(mutex_);
    client_ = client;
    if (stopped_)
        client_->Abort(); // a job that starts after the stop talks to nobody
}

void RunningClient::Detach() {
    std::lock_guard lock(mutex_);
    client_ = nullptr;
}

void RunningClient::Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    if (client_)
        client_->Abort();
}

bool RunningClient::Stopped() {
    std::lock_guard lock(mutex_);
    return stopped_;
}

namespace {

// The client of one job, attached for its whole life so that Stop reaches it.
class JobClient {
  public:
    JobClient(const ClientFactory& newClient, RunningClient& running)
        : client_(newClient()), running_(running) {
        running_.Attach(client_.get());
    }
    ~JobClient() { running_.Detach(); }
    Pop3Client& operator*() const { return *client_; }
    Pop3Client* operator->() const { return client_.get(); }

  private:
    std::unique_ptr<Pop3Client> client_;
    RunningClient& running_;
};

// A field that names no reachable server leaves the client unconnected: the account fails as
// if its server could not be reached, and nothing is sent.
void Connect(Pop3Client& pop, const AccountRecord& record, const MailJobLimits& limits,
             MailStep& step) {
    const std::optional<ServerEndpoint> server = ParseServerField(record.host);
    if (!server)
        return;
    pop.Host = server->host;
    pop.Port = server->port;
    pop.UseTls = server->tls;
    pop.Username = record.user;
    pop.Password = record.password;
    pop.SessionLimitMs = limits.sessionMs;
    // Connected (TLS handshake included) means the greeting and the login come next.
    pop.OnStatus = [&step, before = pop.OnStatus](Component& c, ConnectionStatus status,
                                                  const std::string& argument) {
        if (status == ConnectionStatus::Connected)
            step = MailStep::Login;
        if (before)
            before(c, status, argument);
    };
    pop.OpenConnection(limits.connectMs);
}

std::string HostOf(const AccountRecord& record) {
    const std::optional<ServerEndpoint> server = ParseServerField(record.host);
    return server ? server->host : std::string();
}

// A fetch that a bound or the connection's end cut short says nothing about the message: it
// is asked for again next time. One the server refused, or whose header cannot be read, would
// fail again, so it counts as seen and the next listing goes on behind it.
bool FetchWasCutShort(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ReadTimeout&) {
        return true;
    } catch (const SocketClosed&) {
        return true;
    } catch (const SilentError&) {
        return true;
    } catch (const ConnectionError&) {
        return true;
    } catch (const SocketError&) {
        return true;
    } catch (const TlsError&) {
        return true;
    } catch (...) {
        return false;
    }
}

// A message counts as seen once its line is made; each line is reported as it is made.
void ListNewMessages(Pop3Client& pop, CheckReport& report, int32_t from, int32_t to,
                     int32_t mostListed, const CheckReports& send) {
    MailMessage message;
    const int32_t last = to - from >= mostListed ? from + mostListed - 1 : to;
    for (int32_t n = from; n <= last; ++n) {
        try {
            pop.FetchHeader(n, message);
        } catch (...) {
            if (!FetchWasCutShort(std::current_exception()))
                report.seenAfter = n;
            throw;
        }
        report.listed.push_back(
            {n, MailListEntry(DisplayText(message), report.account, n), MessageIdentity(message)});
        report.seenAfter = n;
        message.ResetMessage();
        if (n < last) {
            send(report);
            report.listed.clear();
            report.seenBefore = report.seenAfter;
        }
    }
}

void CheckAccount(const AccountToCheck& input, bool listNew, const MailJobLimits& limits,
                  int32_t mostListed, const ClientFactory& newClient, RunningClient& running,
                  const CheckReports& send) {
    CheckReport report{input.account, input.seen, input.seen, false, {}, std::nullopt};
    MailStep step = MailStep::Connect;
    try {
        JobClient pop(newClient, running);
        Connect(*pop, input.record, limits, step);
        if (!pop->IsConnected()) {
            report.outcome = NoServerIn(input.record.host);
        } else {
            step = MailStep::Stat;
            const int32_t count = pop->CountMessages();
            if (count < report.seenAfter)
                report.seenAfter = 0;
            const int32_t fresh = count - report.seenAfter;
            if (report.seenAfter < count) {
                report.found = true;
                if (listNew) {
                    step = MailStep::Top;
                    ListNewMessages(*pop, report, report.seenAfter + 1, count, mostListed, send);
                }
            }
            step = MailStep::Quit;
            pop->CloseConnection();
            report.outcome = SucceededWith(count, fresh);
        }
    } catch (...) { // raises nothing: each account's failures stay its own
        report.outcome = OutcomeOf(std::current_exception(), step, HostOf(input.record));
    }
    send(std::move(report));
}

} // namespace

void CheckAccounts(const std::vector<AccountToCheck>& accounts, bool listNew,
                   const MailJobLimits& limits, int32_t mostListed, const ClientFactory& newClient,
                   RunningClient& running, const CheckReports& report) {
    for (const AccountToCheck& account : accounts) {
        if (running.Stopped())
            return;
        CheckAccount(account, listNew, limits, mostListed, newClient, running, report);
    }
}

DeletionResult DeleteListedMessage(const LineToDelete& line, const MailJobLimits& limits,
                                   const ClientFactory& newClient, RunningClient& running) {
    DeletionResult result{false, SucceededWith(-1, 0)};
    MailStep step = MailStep::Connect;
    try {
        JobClient pop(newClient, running);
        Connect(*pop, line.record, limits, step);
        if (!pop->IsConnected())
            return {false, NoServerIn(line.record.host)};
        MailMessage message;
        step = MailStep::Top;
        pop->FetchHeader(line.number, message);
        // The server removes a marked message only when it answers QUIT positively.
        step = MailStep::Dele;
        if (MessageIdentity(message) == line.identity && pop->DeleteMessage(line.number)) {
            step = MailStep::Quit;
            result.deleted = pop->Quit();
        } else {
            pop->CloseConnection();
        }
    } catch (...) {
        result.outcome = OutcomeOf(std::current_exception(), step, HostOf(line.record));
    }
    return result;
}

} // namespace kestrel
