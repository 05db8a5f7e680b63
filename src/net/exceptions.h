#pragma once

#include <stdexcept>
#include <string>

namespace kestrel {

// The root of every protocol and transport failure; the message is the exception's text.
class EIdException : public std::runtime_error {
  public:
    explicit EIdException(const std::string& message) : std::runtime_error(message) {}
};

class EIdSilentException : public EIdException {
    using EIdException::EIdException;
};

class EIdSocketError : public EIdException {
  public:
    EIdSocketError(int code, const std::string& message)
        : EIdException(message), SocketErrorCode(code) {}
    int SocketErrorCode;
};

// A socket call made while no socket library is loaded, or a library that cannot be loaded.
class EIdWS2StubError : public EIdException {
  public:
    EIdWS2StubError(const std::string& baseText, int osCode, const std::string& osText)
        : EIdException(osCode != 0 ? baseText + ": " + osText : baseText), OsErrorCode(osCode),
          OsErrorText(osText), BaseText(baseText) {}
    int OsErrorCode;
    std::string OsErrorText;
    std::string BaseText;
};

class EIdStackError : public EIdException {
    using EIdException::EIdException;
};

class EIdStackInitializationFailed : public EIdStackError {
  public:
    EIdStackInitializationFailed() : EIdStackError("Fehler bei der Winsock-Initialisierung.") {}
};

class EIdStackSetSizeExceeded : public EIdStackError {
  public:
    EIdStackSetSizeExceeded()
        : EIdStackError("Mengengr\xF6\xDF"
                        "e \xFC"
                        "berschritten.") {}
};

class EIdInvalidSocket : public EIdException {
  public:
    EIdInvalidSocket() : EIdException("Socket kann nicht zugewiesen werden.") {}
};

class EIdAlreadyConnected : public EIdException {
  public:
    EIdAlreadyConnected() : EIdException("Verbindung besteht bereits.") {}
};

class EIdConnectTimeout : public EIdException {
  public:
    EIdConnectTimeout()
        : EIdException("Zeit\xFC"
                       "berschreitung der Verbindung.") {}
};

class EIdConnectException : public EIdException {
    using EIdException::EIdException;
};

class EIdSocketHandleError : public EIdException {
    using EIdException::EIdException;
};

class EIdCouldNotBindSocket : public EIdSocketHandleError {
  public:
    EIdCouldNotBindSocket()
        : EIdSocketHandleError(
              "Socket konnte nicht gebunden werden. Adresse und Port werden bereits benutzt.") {}
};

class EIdInvalidPortRange : public EIdSocketHandleError {
  public:
    EIdInvalidPortRange(int min, int max)
        : EIdSocketHandleError("Ung\xFCltiger Port-Bereich (" + std::to_string(min) + " - " +
                               std::to_string(max) + ")") {}
};

class EIdCanNotBindPortInRange : public EIdSocketHandleError {
  public:
    EIdCanNotBindPortInRange(int min, int max)
        : EIdSocketHandleError("Port-Beriech (" + std::to_string(min) + " - " +
                               std::to_string(max) + ") kann nicht eingebunden werden") {}
};

class EIdConnClosedGracefully : public EIdSilentException {
  public:
    EIdConnClosedGracefully()
        : EIdSilentException("Die Verbindung wurde erfolgreich geschlossen.") {}
};

class EIdReadTimeout : public EIdException {
  public:
    EIdReadTimeout()
        : EIdException("Zeit\xFC"
                       "berschreitung beim Lesen") {}
};

class EIdReadLnMaxLineLengthExceeded : public EIdException {
  public:
    EIdReadLnMaxLineLengthExceeded()
        : EIdException("Max. Zeilenl\xE4nge \xFC"
                       "berschritten.") {}
};

class EIdTCPConnectionError : public EIdException {
    using EIdException::EIdException;
};

class EIdNotConnected : public EIdTCPConnectionError {
  public:
    EIdNotConnected() : EIdTCPConnectionError("Nicht verbunden") {}
};

class EIdNotEnoughDataInBuffer : public EIdTCPConnectionError {
  public:
    EIdNotEnoughDataInBuffer() : EIdTCPConnectionError("Nicht gen\xFCgend Daten im Puffer.") {}
};

class EIdClosedSocket : public EIdException {
  public:
    EIdClosedSocket() : EIdException("Verbindung aufgehoben.") {}
};

// The runtime's failure to read a text as an integer.
class EConvertError : public std::runtime_error {
  public:
    explicit EConvertError(const std::string& text)
        : std::runtime_error("'" + text + "' ist kein g\xFCltiger Integerwert") {}
};

} // namespace kestrel
