#pragma once

// WinSock's error codes, which both socket library bindings report (the Linux one maps errno
// to them), and the texts that socket errors show for them.

namespace kestrel::sockets {

inline constexpr int Interrupted = 10004;
inline constexpr int BadFile = 10009;
inline constexpr int AccessDenied = 10013;
inline constexpr int BadAddress = 10014;
inline constexpr int InvalidArgument = 10022;
inline constexpr int TooManyOpenFiles = 10024;
inline constexpr int WouldBlock = 10035;
inline constexpr int InProgress = 10036;
inline constexpr int AlreadyInProgress = 10037;
inline constexpr int NotASocket = 10038;
inline constexpr int DestinationRequired = 10039;
inline constexpr int MessageTooLong = 10040;
inline constexpr int WrongProtocolType = 10041;
inline constexpr int BadProtocolOption = 10042;
inline constexpr int ProtocolUnsupported = 10043;
inline constexpr int SocketTypeUnsupported = 10044;
inline constexpr int OperationUnsupported = 10045;
inline constexpr int ProtocolFamilyUnsupported = 10046;
inline constexpr int AddressFamilyUnsupported = 10047;
inline constexpr int AddressInUse = 10048;
inline constexpr int AddressUnavailable = 10049;
inline constexpr int NetworkDown = 10050;
inline constexpr int NetworkUnreachable = 10051;
inline constexpr int NetworkReset = 10052;
inline constexpr int ConnectionAborted = 10053;
inline constexpr int ConnectionReset = 10054;
inline constexpr int NoBufferSpace = 10055;
inline constexpr int AlreadyConnected = 10056;
inline constexpr int NotConnected = 10057;
inline constexpr int SocketShutDown = 10058;
inline constexpr int TooManyReferences = 10059;
inline constexpr int TimedOut = 10060;
inline constexpr int ConnectionRefused = 10061;
inline constexpr int TooManyLinks = 10062;
inline constexpr int NameTooLong = 10063;
inline constexpr int HostDown = 10064;
inline constexpr int HostUnreachable = 10065;
inline constexpr int NotEmpty = 10066;
inline constexpr int NotInitialised = 10093;
inline constexpr int HostNotFound = 11001;
inline constexpr int TryAgain = 11002;
inline constexpr int NoRecovery = 11003;
inline constexpr int NoData = 11004;

struct ErrorText {
    int code;
    const char* text; // Windows-1252
};

// The texts of SocketStack::SocketErrorText. HostNotFound first: it is the one a lookup meets.
inline constexpr ErrorText ErrorTexts[] = {
    {HostNotFound, "Host nicht gefunden."},
    {Interrupted, "Unterbrochener Systemaufruf."},
    {BadFile, "Falsche Dateinummer."},
    {AccessDenied, "Zugriff verweigert."},
    {BadAddress, "Falsche Adresse."},
    {InvalidArgument, "Ungültiges Argument."},
    {TooManyOpenFiles, "Zu viele geöffnete Dateien."},
    {WouldBlock, "Die Operation würde blockieren. "},
    {InProgress, "Die Operation wird gerade durchgeführt."},
    {AlreadyInProgress, "Die Operation wird bereits durchgeführt."},
    {NotASocket, "Socket-Operation auf Nicht-Socket."},
    {DestinationRequired, "Zieladresse erforderlich."},
    {MessageTooLong, "Die Botschaft ist zu lang."},
    {WrongProtocolType, "Das Protokoll hat für Socket den falschen Typ."},
    {BadProtocolOption, "Falsche Protokolloption."},
    {ProtocolUnsupported, "Das Protokoll wird nicht unterstützt."},
    {SocketTypeUnsupported, "Sockettyp wird nicht unterstützt."},
    {OperationUnsupported, "Die Operation wird bei Socket nicht unterstützt."},
    {ProtocolFamilyUnsupported, "Die Protokollfamilie wird nicht unterstützt."},
    {AddressFamilyUnsupported,
     "Die Adressfamilie wird von der Protokollfamilie nicht unterstützt."},
    {AddressInUse, "Die Adresse ist bereits in Gebrauch."},
    {AddressUnavailable, "Die angeforderte Adresse kann nicht zugewiesen werden."},
    {NetworkDown, "Das Netzwerk ist ausgefallen."},
    {NetworkUnreachable, "Das Netzwerk ist nicht erreichbar."},
    {NetworkReset, "Netz hat die Verbindung verloren oder zurückgesetzt."},
    {ConnectionAborted, "Die Software hat den Abbruch der Verbindung verursacht."},
    {ConnectionReset, "Die Verbindung wurde von Peer zurückgesetzt."},
    {NoBufferSpace, "Es ist kein Pufferplatz verfügbar."},
    {AlreadyConnected, "Socket ist bereits verbunden."},
    {NotConnected, "Socket ist nicht verbunden."},
    {SocketShutDown, "Nach Schließen des Socket kann weder gesendet noch empfangen werden."},
    {TooManyReferences, "Zu viele Referenzen; keine Verbindungen möglich."},
    {TimedOut, "Zeitüberschreitung bei Verbindung."},
    {ConnectionRefused, "Verbindung abgelehnt."},
    {TooManyLinks, "Zu viele Ebenen von symbolischen Links."},
    {NameTooLong, "Dateiname ist zu lang."},
    {HostDown, "Der Host ist ausgefallen."},
    {HostUnreachable, "Keine Route zum Host."},
    {NotEmpty, "Verzeichnis ist nicht leer"},
};

} // namespace kestrel::sockets
