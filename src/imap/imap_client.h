#pragma once

#include "imap/imap_response.h"
#include "message/mail_message.h"
#include "net/bounded_reader.h"
#include "net/exceptions.h"
#include "net/sasl.h"
#include "net/tcp_connection.h"

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace kestrel {

// A command the server answered NO or BAD, or a BYE that ended the session: its line.
class ImapRefusal : public ClientError {
  public:
    explicit ImapRefusal(const std::string& line, FailureCause cause = FailureCause::Refused)
        : ClientError(line, {cause}) {}
};

// The server ended the session with BYE while a command was under way.
class ServerBye : public ImapRefusal {
  public:
    explicit ServerBye(const std::string& line) : ImapRefusal(line, FailureCause::Bye) {}
};

// The IMAP conversation of a mail watcher: greeting, capabilities and login, INBOX, the unread
// messages' ids and headers, deletion by id, idling, logout. Every read is bounded as the POP3
// ones are: each response in time (the reply's limit) and bytes, each line and each literal, and
// the whole session once started (where a session limit is set).
class ImapClient : public TcpClient {
  public:
    static constexpr int ReplyLimitMs = BoundedReader::AnswerLimitMs;
    static constexpr int LineByteLimit = 64 * 1024;
    // A real header is a few KiB.
    static constexpr size_t LiteralByteLimit = 1024 * 1024;
    static constexpr size_t ResponseByteLimit = 2 * 1024 * 1024;
    // More unread messages than any mailbox has: an answer beyond it breaks a bound.
    static constexpr size_t MostUnread = 200000;
    // What one idle may hear before it is renewed: tens of thousands of changes.
    static constexpr size_t IdleByteLimit = 4 * 1024 * 1024;

    ImapClient();

    // From the end of the connect to the last read; 0 for none.
    int SessionLimitMs = 0;

    std::string Username;
    // The password, or the access token of a token mechanism.
    std::string Password;
    // Plain: LOGIN, or AUTHENTICATE PLAIN where LOGIN is disabled.
    sasl::Mechanism Mechanism = sasl::Mechanism::Plain;
    // The server's capabilities, upper-cased, as it last named them.
    std::set<std::string> Capabilities;
    bool Has(std::string_view capability) const;

    // Connects, reads the greeting, learns the capabilities and logs in.
    void OpenConnection(int limitMs) override;

    struct Mailbox {
        uint32_t uidValidity = 0;
        uint32_t messages = 0;
    };
    // SELECT INBOX, or EXAMINE INBOX to change nothing in it.
    Mailbox OpenInbox(bool readOnly);
    // The ids of the messages without \Seen and without \Deleted, ascending.
    std::vector<uint32_t> UnseenIds();

    // Asks for those messages' headers in one command, without marking them read: only the
    // fields a listing reads, the same for a listing and a deletion's check.
    void AskForHeaders(std::span<const uint32_t> uids);
    // The next header that came, into message: its message's id; nothing once the command is
    // complete. A message the server no longer has never comes.
    std::optional<uint32_t> NextHeader(MailMessage& message);
    // The message whose header broke a bound, where the server named it before the header.
    std::optional<uint32_t> BrokenHeader() const { return brokenHeader_; }

    // UID STORE … +FLAGS.SILENT (\Deleted): whether the server took it.
    void FlagDeleted(uint32_t uid);
    // UID EXPUNGE of that message alone (UIDPLUS); never a plain EXPUNGE, which would remove
    // what other clients flagged too.
    void ExpungeOnly(uint32_t uid);

    // IDLE: from its continuation on, the server tells of changes as they happen.
    void StartIdle();
    // Waits up to limitMs for the server: true when it told of new messages or changed flags.
    bool WaitForChange(int limitMs);
    void EndIdle();

    // The steps from now on, all together, may take that long (0: the session's own bound).
    void LimitNextSteps(int limitMs) {
        SessionLimitMs = limitMs;
        reader_.StartSession(limitMs);
    }

    // Ends an idle, writes LOGOUT, reads to its completion within limitMs, then closes.
    void Logout(int limitMs = ReplyLimitMs);
    // Writes LOGOUT and closes, without waiting for the reply.
    void CloseConnection() override;

  private:
    using Response = imap::Response;

    std::string NextTag();
    // One whole response, its literals included, within the reply's limit.
    Response ReadResponse();
    // Notes what an untagged response tells; raises ImapRefusal for a BYE.
    void Note(const Response& response);
    // Reads responses up to the tagged one of that tag; NO and BAD raise ImapRefusal.
    Response Complete(const std::string& tag);
    Response Command(const std::string& command);
    // A string argument as a quoted string, or as a literal where quoting cannot carry it.
    void SendWithString(const std::string& tag, const std::string& before,
                        const std::vector<std::string>& strings);
    // The greeting, which must be OK or PREAUTH.
    Response Greeting();
    // The greeting, STARTTLS and the handshake.
    void BeginTls();
    // Logs in; the login's completion.
    Response Login();
    Response Authenticate(sasl::Mechanism mechanism);
    // Reads up to the server's go-ahead; raises ImapRefusal when the command ends instead.
    void AwaitContinuation(const std::string& tag);

    Mailbox mailbox_;
    std::vector<uint32_t> searched_;
    BoundedReader reader_{*this};
    std::optional<std::string> idleTag_;
    bool changed_ = false;   // news since WaitForChange last told
    bool searching_ = false; // SEARCH answers are taken only for the search asked
    size_t idleBytes_ = 0;   // what the idle heard since it began
    bool loggingOut_ = false;
    uint32_t nextTag_ = 0;
    // The fetch of headers under way: its tag and the messages it asked for.
    std::string fetchTag_;
    std::set<uint32_t> fetching_;
    std::optional<uint32_t> brokenHeader_;
    std::string responseStart_; // of the response read last, for a bound it broke
};

} // namespace kestrel
