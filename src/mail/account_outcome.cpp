#include "mail/account_outcome.h"

#include "mail/access_tokens.h"
#include "net/exceptions.h"
#include "net/socket_errors.h"
#include "net/tls_engine.h"
#include "text/utf8.h"

#include <algorithm>

namespace kestrel {

namespace {

using Kind = AccountOutcome::Kind;

// A detail may hold a server's words, in whatever bytes it sent.
AccountOutcome Made(Kind kind, MailStep step, const std::string& detail = {}) {
    AccountOutcome outcome;
    outcome.kind = kind;
    outcome.step = step;
    outcome.detail = Utf8OrCp1252(detail);
    return outcome;
}

// No way out at all, or no name server answers for now: the machine is offline, whatever the
// server.
bool IsOffline(int code) {
    return code == sockets::NetworkDown || code == sockets::NetworkUnreachable ||
           code == sockets::TryAgain;
}

bool IsLookupFailure(int code) {
    return code >= sockets::HostNotFound && code <= sockets::NoData;
}

// "Socket-Fehler # 10061\r\nVerbindung abgelehnt." as "Verbindung abgelehnt. (10061)": the
// words first, the number for whoever asks for help.
std::string SocketWords(int code, const std::string& text) {
    const size_t lineEnd = text.find("\r\n");
    const std::string words = lineEnd == std::string::npos ? text : text.substr(lineEnd + 2);
    return (words.empty() ? std::string("error") : words) + " (" + std::to_string(code) + ")";
}

// The first line of a negative reply, as the server put it: its status word, then its text.
std::string ServerLine(const std::string& joined, const std::string& word) {
    std::string first = joined.substr(0, joined.find("\r\n"));
    first.erase(0, first.find_first_not_of(' '));
    return first.empty() ? word : word + " " + first;
}

AccountOutcome TlsOutcome(TlsFailure why, const std::string& text, MailStep step) {
    switch (why) {
    case TlsFailure::UnknownIssuer:
        return Made(Kind::Certificate, step, "unknown issuer");
    case TlsFailure::WrongName:
        return Made(Kind::Certificate, step, "for another name");
    case TlsFailure::Expired:
        return Made(Kind::Certificate, step, "expired");
    case TlsFailure::NotYetValid:
        return Made(Kind::Certificate, step, "not yet valid");
    case TlsFailure::OldProtocol:
        return Made(Kind::OldTls, step);
    case TlsFailure::NotTls:
        return Made(Kind::NoTls, step);
    case TlsFailure::NoAnswer:
        return Made(Kind::TimedOut, step);
    case TlsFailure::Other:
        break;
    }
    return Made(Kind::TlsFailed, step, text.starts_with("TLS: ") ? text.substr(5) : text);
}

const char* StartTlsWords(StartTlsFailure why) {
    switch (why) {
    case StartTlsFailure::NotOffered:
        return "the server offers no STARTTLS";
    case StartTlsFailure::Refused:
        return "the server refused STARTTLS";
    case StartTlsFailure::DataBeforeTls:
        return "STARTTLS: the server sent more than its go-ahead";
    case StartTlsFailure::Preauth:
        return "STARTTLS: the server logged in without TLS";
    }
    return "STARTTLS failed";
}

const char* StepName(MailStep step) {
    switch (step) {
    case MailStep::Connect:
        return "connect";
    case MailStep::Login:
        return "greeting/login";
    case MailStep::Stat:
        return "STAT";
    case MailStep::Uidl:
        return "UIDL";
    case MailStep::Top:
        return "TOP";
    case MailStep::Dele:
        return "DELE";
    case MailStep::Quit:
        return "QUIT";
    case MailStep::Select:
        return "SELECT";
    case MailStep::Search:
        return "SEARCH";
    case MailStep::Fetch:
        return "FETCH";
    case MailStep::Store:
        return "STORE";
    case MailStep::Expunge:
        return "EXPUNGE";
    case MailStep::Logout:
        return "LOGOUT";
    }
    return "";
}

// A failure of the protocol or the transport, by the cause it was raised with.
AccountOutcome OutcomeOf(const ClientError& failure, MailStep step, const std::string& host) {
    const Failure& why = failure.Cause();
    const Kind refused = step == MailStep::Login ? Kind::LoginRefused : Kind::Refused;
    switch (why.cause) {
    case FailureCause::Refused:
    case FailureCause::Bye: // a POP3 reply's text lacks its status word; IMAP's line has it
        if (step == MailStep::Login && RefusesAllPasswords(failure.what(), host))
            return Made(Kind::SignInNeeded, step, "this provider takes OAuth sign-in, no password");
        return Made(refused, step,
                    *why.word ? ServerLine(failure.what(), why.word) : failure.what());
    case FailureCause::NoLogin:
        return Made(Kind::NoLogin, step, failure.what());
    case FailureCause::Lost:
        return Made(Kind::ConnectionLost, step);
    case FailureCause::TimedOut:
        return Made(Kind::TimedOut, step);
    case FailureCause::SessionOver:
        return Made(Kind::TooLong, step, "session took too long");
    case FailureCause::TooLong:
        return Made(Kind::TooLong, step, std::string(why.word) + " too long");
    case FailureCause::Tls:
        return TlsOutcome(static_cast<TlsFailure>(why.code), failure.what(), step);
    case FailureCause::StartTls:
        return Made(Kind::NoStartTls, step, StartTlsWords(static_cast<StartTlsFailure>(why.code)));
    case FailureCause::Socket:
    case FailureCause::Connect:
        if (IsOffline(why.code))
            return Made(Kind::Offline, step);
        if (IsLookupFailure(why.code))
            return Made(Kind::UnknownHost, step, host);
        if (why.cause == FailureCause::Connect || step == MailStep::Connect)
            return Made(Kind::CannotConnect, step, SocketWords(why.code, failure.what()));
        return Made(Kind::ConnectionLost, step);
    case FailureCause::Other:
        break;
    }
    return Made(Kind::Failed, step, failure.what());
}

} // namespace

AccountOutcome SucceededWith(int32_t messages, int32_t fresh) {
    AccountOutcome outcome;
    outcome.messages = messages;
    outcome.fresh = fresh;
    return outcome;
}

AccountOutcome MessageGone() {
    return Made(Kind::Gone, MailStep::Dele);
}

void AddRemark(AccountOutcome& outcome, const std::string& remark) {
    if (!remark.empty())
        outcome.remark += (outcome.remark.empty() ? "" : "; ") + remark;
}

AccountOutcome AfterDeletion(AccountOutcome deletion, const std::optional<AccountOutcome>& before,
                             bool oneFewer) {
    if (deletion.IsOk() && deletion.messages < 0 && before && before->IsOk() &&
        before->messages >= 0) {
        deletion.messages = std::max(before->messages - (oneFewer ? 1 : 0), 0);
        deletion.fresh = std::min(before->fresh, deletion.messages);
    }
    return deletion;
}

AccountOutcome NoServerIn(const std::string& field) {
    return Made(Kind::NoServer, MailStep::Connect, field);
}

AccountOutcome OutcomeOf(const std::exception_ptr& failure, MailStep step,
                         const std::string& host) {
    try {
        std::rethrow_exception(failure);
    } catch (const ClientError& e) {
        return OutcomeOf(e, step, host);
    } catch (const std::exception& e) {
        return Made(Kind::Failed, step, e.what());
    } catch (...) {
        return Made(Kind::Failed, step, "unknown failure");
    }
}

namespace {

std::string StatusWords(const AccountOutcome& o) {
    const std::string step = StepName(o.step);
    switch (o.kind) {
    case Kind::Ok: {
        if (o.messages < 0)
            return "ok";
        std::string text =
            "ok: " + std::to_string(o.messages) + (o.messages == 1 ? " message" : " messages");
        if (o.fresh > 0)
            text += ", " + std::to_string(o.fresh) + " new";
        return text;
    }
    case Kind::NoServer:
        if (!IsAscii(o.detail))
            return "no server in \"" + o.detail + "\": write the name in ASCII (xn--...)";
        return "no server in \"" + o.detail + "\"";
    case Kind::UnknownHost:
        return "cannot resolve " + o.detail;
    case Kind::CannotConnect:
        return "cannot connect: " + o.detail;
    case Kind::TimedOut:
        return "timed out: " + step;
    case Kind::LoginRefused:
        return "wrong password? server said: " + o.detail;
    case Kind::NoLogin:
        return o.detail;
    case Kind::Refused:
        return "server refused " + step + ": " + o.detail;
    case Kind::Certificate:
        return "certificate: " + o.detail;
    case Kind::NoTls:
        return "the server does not speak TLS";
    case Kind::OldTls:
        return "the server refused TLS 1.2 and newer";
    case Kind::TlsFailed:
        return "TLS failed: " + o.detail;
    case Kind::NoStartTls:
        return o.detail;
    case Kind::TooLong:
        return "server broke a bound: " + o.detail;
    case Kind::Gone:
        return "the message is no longer on the server";
    case Kind::ConnectionLost:
        return "connection lost at " + step;
    case Kind::Failed:
        return "failed at " + step + ": " + o.detail;
    case Kind::Offline:
        return "offline";
    case Kind::SignInNeeded:
        return o.detail.empty() ? "sign-in needed" : "sign-in needed: " + o.detail;
    case Kind::SignInExpired:
        return "sign-in expired";
    case Kind::TokenFailed:
        return "token command failed: " + o.detail;
    case Kind::SignInFailed:
        return "sign-in failed: " + o.detail;
    }
    return {};
}

std::string ShortWords(const AccountOutcome& o) {
    switch (o.kind) {
    case Kind::Ok:
        return o.fresh > 0 ? std::to_string(o.fresh) + " new" : "ok";
    case Kind::NoServer:
        return "no server";
    case Kind::UnknownHost:
        return "unknown host";
    case Kind::CannotConnect:
        return "no connection";
    case Kind::TimedOut:
        return "timed out";
    case Kind::LoginRefused:
        return "wrong password";
    case Kind::NoLogin:
        return "no login";
    case Kind::Refused:
        return "refused";
    case Kind::Certificate:
        return "bad certificate";
    case Kind::NoTls:
        return "no TLS";
    case Kind::OldTls:
        return "old TLS";
    case Kind::TlsFailed:
        return "TLS failed";
    case Kind::NoStartTls:
        return "no STARTTLS";
    case Kind::TooLong:
        return "too long";
    case Kind::Gone:
        return "gone";
    case Kind::ConnectionLost:
        return "cut off";
    case Kind::Failed:
        return "failed";
    case Kind::Offline:
        return "offline";
    case Kind::SignInNeeded:
        return "sign-in needed";
    case Kind::SignInExpired:
        return "sign-in expired";
    case Kind::TokenFailed:
        return "token failed";
    case Kind::SignInFailed:
        return "sign-in failed";
    }
    return {};
}

} // namespace

std::string StatusText(const AccountOutcome& o) {
    std::string words = StatusWords(o);
    if (!o.remark.empty())
        words += "; " + o.remark;
    return o.unencrypted ? words + "; not encrypted" : words;
}

std::string ShortText(const AccountOutcome& o) {
    const std::string words = ShortWords(o);
    return o.unencrypted ? words + ", plain" : words;
}

} // namespace kestrel
