#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// A new message as its notification names it, both parts already cut to fit one.
struct NewMail {
    std::string sender;
    std::string subject;
    bool operator==(const NewMail&) const = default;
};
// The new messages a check names, the first of them: up to three get a notice each, and of more
// the first senders are named.
inline constexpr size_t MostNamed = 3;

// What one account's session was doing when it ended.
enum class MailStep {
    Connect,
    Login,
    Stat,
    Uidl,
    Top,
    Dele,
    Quit,
    Select, // and the IMAP steps
    Search,
    Fetch,
    Store,
    Expunge,
    Logout,
};

// How one job (a check, a listing, a deletion) ended for one account, in terms the user can act
// on. A plain value: it is made wherever the job ran and shown on the GUI thread.
struct AccountOutcome {
    enum class Kind {
        Ok,
        NoServer,       // the server field names nothing to connect to
        UnknownHost,    // detail: the host
        CannotConnect,  // detail: the socket error's text
        TimedOut,       // at step
        LoginRefused,   // detail: the server's -ERR line, or IMAP's NO line
        NoLogin,        // detail: why the server takes no password from kestrel
        Refused,        // a later command; detail: the server's -ERR line
        Certificate,    // detail: why
        NoTls,          // the peer on a TLS port is no TLS server
        OldTls,         // the server refused TLS 1.2 and newer
        TlsFailed,      // detail: the engine's words
        NoStartTls,     // STARTTLS was asked for and did not come about; detail: why
        TooLong,        // detail: which bound
        Gone,           // the message to delete is no longer on the server
        ConnectionLost, // at step
        Failed,         // anything else; detail: the failure's own text
        Offline,        // no network: no route anywhere, no name server within reach
        SignInNeeded,   // a token account not signed in yet; detail: why, where it says more
        SignInExpired,  // the provider refused to renew the account's token
        TokenFailed,    // the token command gave none; detail: why
        SignInFailed,   // the provider could not be asked for a token; detail: why
    };
    Kind kind = Kind::Ok;
    MailStep step = MailStep::Connect;
    std::string detail;
    int32_t messages = -1;    // -1: the job did not count them (a deletion)
    int32_t fresh = 0;        // messages not listed yet
    // The first of them, oldest first, up to MostNamed, where the check read their headers.
    std::vector<NewMail> named;
    std::string remark;       // what the user should know of a job that still went through
    bool unencrypted = false; // the session went in plain text beyond this machine

    bool operator==(const AccountOutcome&) const = default;
    bool IsOk() const { return kind == Kind::Ok; }
};

// The outcome of a job that ran through: messages counted, of which fresh are new.
AccountOutcome SucceededWith(int32_t messages, int32_t fresh);
// A deletion whose message another client deleted already.
AccountOutcome MessageGone();
// One more thing the user should know, after those the outcome says already.
void AddRemark(AccountOutcome& outcome, const std::string& remark);
// What a deletion's outcome shows: the account's counts as the check before left them, one
// message fewer where one left the mailbox.
AccountOutcome AfterDeletion(AccountOutcome deletion, const std::optional<AccountOutcome>& before,
                             bool oneFewer);
// A field ParseServerField refused.
AccountOutcome NoServerIn(const std::string& field);
// The outcome of a job that ended with that failure while at that step, host being the server
// it went to. Pure: it looks only at its arguments, on whatever thread the job ran.
AccountOutcome OutcomeOf(const std::exception_ptr& failure, MailStep step, const std::string& host);

// The line the mail form shows for the account: "ok: 12 messages, 3 new",
// "wrong password? server said: -ERR ...". Windows-1252, as the failure texts are.
std::string StatusText(const AccountOutcome& outcome);
// A few words for the tray's tooltip: "3 new", "wrong password", "ok"; ", plain" after them
// for an account whose session went unencrypted.
std::string ShortText(const AccountOutcome& outcome);

} // namespace kestrel
