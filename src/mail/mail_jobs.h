#pragma once

// The work of the mail thread: each job gets what it needs as values and hands back values.
// Nothing here touches the mail watch's state, which the GUI thread owns.

#include "mail/access_tokens.h"
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

// Make each protocol's client for a check, a deletion or an idle; an empty one makes the plain
// client. Tests stand in for a socket layer that cannot start. Beside them, where the accounts
// that log in with a token get it.
using Pop3ClientMaker = std::function<std::unique_ptr<Pop3Client>()>;
using ImapClientMaker = std::function<std::unique_ptr<ImapClient>()>;
struct ClientMakers {
    Pop3ClientMaker pop3;
    ImapClientMaker imap;
    AccessTokens tokens{};
};

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
    // The account's last check counted: its first seen messages were listed, ids or not.
    bool countedBefore = false;
    // Asked for at the last listing and not sent: not asked a third time.
    ListedIdsValue unansweredBefore{};
    // A plain check reads the headers that name the first new messages: their notice is due.
    bool nameNew = false;
};

struct ListedMessage {
    int32_t number;
    std::string entry;    // the list line, as DisplayText makes it
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
    std::vector<ListedMessage> listed{};
    std::optional<AccountOutcome> outcome{}; // in the account's last report
    uint32_t listedEpoch = 0;
    ListedIdsValue listedAfter{}; // in the last report, where the server had ids
    // In the last report: every id on the server, each announced now or before; null where
    // the check got none.
    ListedIdsValue onServer{};
    bool counted = false; // in the last report: the server gave no ids, new mail was counted
    ListedIdsValue unanswered{}; // in the last report: headers asked for that did not come
    // Where the mailbox's ids all begin so: the account's lines whose ids do not were listed
    // from the mailbox as it was before its ids changed (IMAP's UIDVALIDITY).
    std::string idPrefix{};
};

using CheckReports = std::function<void(CheckReport)>;

// The accounts in the order given, each by its server's protocol; each one's failures stay its
// own.
void CheckAccounts(const std::vector<AccountToCheck>& accounts, bool listNew,
                   const MailJobLimits& limits, int32_t mostListed, RunningClient& running,
                   const CheckReports& report, const ClientMakers& makers = {});

struct LineToDelete {
    int account;
    int32_t number;
    std::string identity;
    AccountRecord record;
    std::string uid; // empty when it was listed without ids
};

struct DeletionResult {
    bool deleted = false; // only when the server confirmed it
    AccountOutcome outcome{};
    int32_t number = 0; // where the message stood when it was deleted
    // The server numbers the later messages of the mailbox one lower now (POP3's numbers do,
    // IMAP's ids do not).
    bool renumbers = false;
    bool stays = false; // only flagged as deleted: the mailbox still counts it
};

// Deletes the line's message, by its server's protocol, only when what the server holds there
// is still the listed message.
DeletionResult DeleteListedMessage(const LineToDelete& line, const MailJobLimits& limits,
                                   RunningClient& running, const ClientMakers& makers = {});

// What one protocol does for the mail thread: check an account, delete a listed message.
struct ProtocolJobs {
    void (*check)(const AccountToCheck& input, bool listNew, const MailJobLimits& limits,
                  int32_t mostListed, const ClientMakers& makers, RunningClient& running,
                  const CheckReports& send);
    DeletionResult (*remove)(const LineToDelete& line, const MailJobLimits& limits,
                             const ClientMakers& makers, RunningClient& running);
};

} // namespace kestrel
