#pragma once

#include <stdexcept>
#include <string>

namespace kestrel {

// What a failure says about the session it ended, set where it is raised: whoever shows it or
// decides what to do next reads this, not the failure's class.
enum class FailureCause {
    Other,       // the failure's own text says what
    Refused,     // the server answered a command no
    Bye,         // the server said no and ended the session (IMAP's BYE)
    NoLogin,     // the server takes no password from us, as things stand
    Lost,        // the connection ended or broke under the session
    TimedOut,    // an answer did not come in time
    SessionOver, // the session's own bound ran out
    TooLong,     // an answer broke a bound of bytes
    Tls,         // the TLS layer failed; Code is the TlsFailure
    Socket,      // a socket call failed after the connect; Code is the socket error
    Connect,     // the connect failed; Code is the socket error, 0 where there was none
    StartTls,    // a session that asked for STARTTLS did not get it; Code is the StartTlsFailure
};

struct Failure {
    FailureCause cause = FailureCause::Other;
    int code = 0;          // Tls: the TlsFailure; Socket, Connect: the socket error
    const char* word = ""; // TooLong: the bound broken ("reply", "header", "line");
                           // Refused: the status word the text lacks ("-ERR")
};

// The root of every protocol and transport failure; the message is the exception's text.
class ClientError : public std::runtime_error {
  public:
    explicit ClientError(const std::string& message, Failure failure = {})
        : std::runtime_error(message), failure_(failure) {}
    const Failure& Cause() const { return failure_; }
    // Whether the session ended before the answer did, so that what was asked says nothing
    // and may be asked again.
    bool CutShort() const {
        switch (failure_.cause) {
        case FailureCause::Bye:
        case FailureCause::Lost:
        case FailureCause::TimedOut:
        case FailureCause::SessionOver:
        case FailureCause::Tls:
        case FailureCause::Socket:
            return true;
        default:
            return false;
        }
    }

  private:
    Failure failure_;
};

// The server takes no password on this unencrypted connection (LOGINDISABLED), or offers no
// login kestrel knows, or a token would go unencrypted.
class NoLoginOffered : public ClientError {
  public:
    explicit NoLoginOffered(const std::string& why) : ClientError(why, {FailureCause::NoLogin}) {}
};

// The peer closed.
class SilentError : public ClientError {
  public:
    explicit SilentError(const std::string& message) : ClientError(message, {FailureCause::Lost}) {}
};

class SocketError : public ClientError {
  public:
    SocketError(int code, const std::string& message)
        : ClientError(message, {FailureCause::Socket, code}), SocketErrorCode(code) {}
    int SocketErrorCode;
};

// A socket call made while no socket library is loaded, or a library that cannot be loaded.
class MissingSocketFunction : public ClientError {
  public:
    MissingSocketFunction(const std::string& baseText, int osCode, const std::string& osText)
        : ClientError(osCode != 0 ? baseText + ": " + osText : baseText), OsErrorCode(osCode),
          OsErrorText(osText), BaseText(baseText) {}
    int OsErrorCode;
    std::string OsErrorText;
    std::string BaseText;
};

class StackError : public ClientError {
    using ClientError::ClientError;
};

class StackStartFailed : public StackError {
  public:
    StackStartFailed() : StackError("Fehler bei der Winsock-Initialisierung.") {}
};

class SocketSetFull : public StackError {
  public:
    SocketSetFull()
        : StackError("Mengengröße überschritten.") {}
};

class InvalidSocket : public ClientError {
  public:
    InvalidSocket() : ClientError("Socket kann nicht zugewiesen werden.") {}
};

class AlreadyConnected : public ClientError {
  public:
    AlreadyConnected() : ClientError("Verbindung besteht bereits.") {}
};

class ConnectTimeout : public ClientError {
  public:
    ConnectTimeout()
        : ClientError("Zeitüberschreitung der Verbindung.",
                      {FailureCause::TimedOut}) {}
};

// The connect failed: the socket's error code, where there was one, and its text.
class ConnectError : public ClientError {
  public:
    ConnectError(int code, const std::string& message)
        : ClientError(message, {FailureCause::Connect, code}), SocketErrorCode(code) {}
    int SocketErrorCode;
};

// Another thread called Abort() on the connection.
class Aborted : public ClientError {
  public:
    Aborted() : ClientError("Verbindung abgebrochen.") {}
};

class SocketHandleError : public ClientError {
    using ClientError::ClientError;
};

class BindFailed : public SocketHandleError {
  public:
    BindFailed()
        : SocketHandleError(
              "Socket konnte nicht gebunden werden. Adresse und Port werden bereits benutzt.") {}
};

class InvalidPortRange : public SocketHandleError {
  public:
    InvalidPortRange(int min, int max)
        : SocketHandleError("Ungültiger Port-Bereich (" + std::to_string(min) + " - " +
                            std::to_string(max) + ")") {}
};

class NoPortInRange : public SocketHandleError {
  public:
    NoPortInRange(int min, int max)
        : SocketHandleError("Port-Beriech (" + std::to_string(min) + " - " + std::to_string(max) +
                            ") kann nicht eingebunden werden") {}
};

class ClosedGracefully : public SilentError {
  public:
    ClosedGracefully() : SilentError("Die Verbindung wurde erfolgreich geschlossen.") {}
};

class ReadTimeout : public ClientError {
  public:
    ReadTimeout()
        : ClientError("Zeitüberschreitung beim Lesen",
                      {FailureCause::TimedOut}) {}

  protected:
    explicit ReadTimeout(Failure failure)
        : ClientError("Zeitüberschreitung beim Lesen",
                      failure) {}
};

// A read cut short by the session's bound rather than the reply's.
class SessionTooLong : public ReadTimeout {
  public:
    SessionTooLong() : ReadTimeout({FailureCause::SessionOver, 0, "session"}) {}
};

class LineTooLong : public ClientError {
  public:
    LineTooLong()
        : ClientError("Max. Zeilenlänge überschritten.",
                      {FailureCause::TooLong, 0, "line"}) {}
};

// A reply, or a header block, longer than a server has any reason to send.
class ReplyTooLong : public ClientError {
  public:
    ReplyTooLong() : ClientError("Antwort zu lang.", {FailureCause::TooLong, 0, "reply"}) {}

  protected:
    explicit ReplyTooLong(const char* bound)
        : ClientError("Antwort zu lang.", {FailureCause::TooLong, 0, bound}) {}
};

// The header block of a message, beyond its bound.
class HeaderTooLong : public ReplyTooLong {
  public:
    HeaderTooLong() : ReplyTooLong("header") {}
};

// Why a session that asked for STARTTLS ended before TLS began. Nothing the server said before
// TLS is kept: anyone on the path could have written it.
enum class StartTlsFailure {
    NotOffered,    // its capabilities do not name it
    Refused,       // it refused the command, or the session before it
    DataBeforeTls, // it sent more than its go-ahead before the handshake
    Preauth,       // it logged the session in before TLS (IMAP's PREAUTH)
};

class StartTlsError : public ClientError {
  public:
    explicit StartTlsError(StartTlsFailure why)
        : ClientError("STARTTLS", {FailureCause::StartTls, static_cast<int>(why)}) {}
};

class ConnectionError : public ClientError {
  public:
    explicit ConnectionError(const std::string& message, Failure failure = {})
        : ClientError(message, failure) {}
};

class NotConnected : public ConnectionError {
  public:
    NotConnected() : ConnectionError("Nicht verbunden", {FailureCause::Lost}) {}
};

class NotEnoughData : public ConnectionError {
  public:
    NotEnoughData() : ConnectionError("Nicht genügend Daten im Puffer.") {}
};

class SocketClosed : public ClientError {
  public:
    SocketClosed() : ClientError("Verbindung aufgehoben.", {FailureCause::Lost}) {}
};

} // namespace kestrel
