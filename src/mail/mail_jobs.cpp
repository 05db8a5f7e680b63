#include "mail/mail_jobs.h"

#include "mail/imap_jobs.h"
#include "mail/job_client.h"
#include "mail/pop3_jobs.h"
#include "net/exceptions.h"
#include "net/tcp_connection.h"

#include <array>
#include <exception>

namespace kestrel {

void RunningClient::Attach(TcpConnection* client) {
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

bool FetchWasCutShort(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ClientError& e) {
        return e.CutShort();
    } catch (...) {
        return false;
    }
}

const ListedIds& IdsIn(const ListedIdsValue& ids) {
    static const ListedIds none;
    return ids ? *ids : none;
}

namespace {

// By the protocol the account's server field names; a field that names none fails as POP3's.
const ProtocolJobs& JobsFor(const AccountRecord& record) {
    static const std::array<const ProtocolJobs*, 2> byProtocol{&Pop3Jobs, &ImapJobs};
    const std::optional<ServerEndpoint>& server = record.server.Endpoint();
    return *byProtocol[static_cast<size_t>(server ? server->protocol : MailProtocol::Pop3)];
}

} // namespace

void CheckAccounts(const std::vector<AccountToCheck>& accounts, bool listNew,
                   const MailJobLimits& limits, int32_t mostListed, RunningClient& running,
                   const CheckReports& report, const ClientMakers& makers) {
    for (const AccountToCheck& account : accounts) {
        if (running.Stopped())
            return;
        JobsFor(account.record)
            .check(account, listNew, limits, mostListed, makers, running, report);
    }
}

DeletionResult DeleteListedMessage(const LineToDelete& line, const MailJobLimits& limits,
                                   RunningClient& running, const ClientMakers& makers) {
    return JobsFor(line.record).remove(line, limits, makers, running);
}

} // namespace kestrel
