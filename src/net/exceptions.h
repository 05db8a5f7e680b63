#pragma once

#include <stdexcept>
#include <string>

namespace kestrel {

// The root of every protocol and transport failure; the message is the exception's text.
class ClientError : public std::runtime_error {
  public:
    explicit ClientError(const std::string& message) : std::runtime_error(message) {}
};

class SilentError : public ClientError {
    using ClientError::ClientError;
};

class SocketError : public ClientError {
  public:
    SocketError(int code, const std::string& message)
        : ClientError(message), SocketErrorCode(code) {}
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
        : StackError("Mengengr\xF6\xDF"
                     "e \xFC"
                     "berschritten.") {}
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
        : ClientError("Zeit\xFC"
                      "berschreitung der Verbindung.") {}
};

class ConnectError : public ClientError {
    using ClientError::ClientError;
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
        : SocketHandleError("Ung\xFCltiger Port-Bereich (" + std::to_string(min) + " - " +
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
        : ClientError("Zeit\xFC"
                      "berschreitung beim Lesen") {}
};

class LineTooLong : public ClientError {
  public:
    LineTooLong()
        : ClientError("Max. Zeilenl\xE4nge \xFC"
                      "berschritten.") {}
};

class ConnectionError : public ClientError {
    using ClientError::ClientError;
};

class NotConnected : public ConnectionError {
  public:
    NotConnected() : ConnectionError("Nicht verbunden") {}
};

class NotEnoughData : public ConnectionError {
  public:
    NotEnoughData() : ConnectionError("Nicht gen\xFCgend Daten im Puffer.") {}
};

class SocketClosed : public ClientError {
  public:
    SocketClosed() : ClientError("Verbindung aufgehoben.") {}
};

} // namespace kestrel
