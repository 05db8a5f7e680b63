#pragma once

// The work of the mail thread: each job gets what it needs as values and hands back values.
// Nothing here touches the mail watch's state, which the GUI thread owns.

#include "mail/account.h"
#include "mail/account_outcome.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kestrel {

class ImapClient;
class Pop3Client;
class TcpConnection;

// Make the POP3 and the IMAP client of each check and deletion; an empty one makes the plain
// client.
using ClientFactory = std::function<std::unique_ptr<Pop3Client>()>;
using ImapClientFactory = std::function<std::unique_ptr<ImapClient>()>;

// The client the running job talks through, where another thread can end its conversation.
class RunningClient {
  public:
    // From the job's thread, around the client's life.
    void Attach(TcpConnection* client);
    void Detach();
    // From any thread: the job's conversation ends now, and no later one starts. A deletion
    // stopped before its QUIT deletes nothing: POP3 removes messages only at QUIT.
    void Stop();
    bool Stopped();

  private:
    std::mutex mutex_;
    TcpConnection* client_ = nullptr;
    bool stopped_ = false;
};

struct MailJobLimits {
    int connectMs;
    int sessionMs;
};

// The unique ids of the messages an account listed in this run, where its server has them.
// The threads share a set only as a value that nobody changes; null holds none.
using ListedIds = std::set<std::string>;
using ListedIdsValue = std::shared_ptr<const ListedIds>;
const ListedIds& IdsIn(const ListedIdsValue& ids);

struct AccountToCheck {
    int account;
    AccountRecord record;
    int32_t seen; // the account's seen count when the job started
    ListedIdsValue listed;
    // Handed back with the ids, so that those of a list forgotten meanwhile stay forgotten.
    uint32_t listedEpoch = 0;
    bool countOnly = false; // the server's UIDL failed the account before: count instead
};

struct ListedMessage {
    int32_t number;
    std::string entry;    // the list line, as MailListEntry makes it
    std::string identity; // MessageIdentity of its header
    std::string uid;      // its unique id, where the server has them
};

// One account's check as it goes: a listing reports each line as it is made, and the last
// report of an account says what was left. The seen count moves from seenBefore to seenAfter.
// Where the server has unique ids, what is new is decided by them, and the last report holds
// the ids listed so far that are still on the server; the seen count is then the first messages
// that were all listed, for a session that has to count again.
struct CheckReport {
    int account;
    int32_t seenBefore;
    int32_t seenAfter;
    bool found = false; // the server holds messages not listed yet
    std::vector<ListedMessage> listed;
    std::optional<AccountOutcome> outcome; // in the account's last report
    uint32_t listedEpoch = 0;
    ListedIdsValue listedAfter; // in the last report, where the server had ids
};

using CheckReports = std::function<void(CheckReport)>;

// The accounts in the order given; each one's failures stay its own.
void CheckAccounts(const std::vector<AccountToCheck>& accounts, bool listNew,
                   const MailJobLimits& limits, int32_t mostListed, const ClientFactory& newClient,
                   RunningClient& running, const CheckReports& report,
                   const ImapClientFactory& newImapClient = {});

struct LineToDelete {
    int account;
    int32_t number;
    std::string identity;
    AccountRecord record;
    std::string uid; // empty when it was listed without ids
};

struct DeletionResult {
    bool deleted = false; // only when the server confirmed it
    AccountOutcome outcome;
    int32_t number = 0; // where the message stood when it was deleted
};

// Deletes the line's message: found by its unique id wherever it stands now, where the line and
// the server have ids, otherwise at the line's number; either way only when the header there is
// still the listed one, so that even ids another mailbox shares delete nothing else.
DeletionResult DeleteListedMessage(const LineToDelete& line, const MailJobLimits& limits,
                                   const ClientFactory& newClient, RunningClient& running,
                                   const ImapClientFactory& newImapClient = {});

} // namespace kestrel
