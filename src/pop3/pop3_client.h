#pragma once

#include "message/mail_message.h"
#include "net/bounded_reader.h"
#include "net/sasl.h"
#include "net/tcp_connection.h"
#include "pop3/server_lists.h"
#include "pop3/server_reply.h"

#include <chrono>
#include <initializer_list>
#include <span>
#include <string>

namespace kestrel {

class ReplyError : public ClientError {
  public:
    ReplyError(int code, const std::string& message)
        : ClientError(message, {FailureCause::Refused, code, "-ERR"}), ReplyErrorCode(code) {}
    int ReplyErrorCode;
};

// A connection that reads replies and message headers. Every read is bounded, so that no
// server, however it trickles, can hold the window: each whole reply and each header block in
// time and in bytes, and the whole session, once started, in time.
class MessageClient : public TcpClient {
  public:
    static constexpr int ReplyLimitMs = BoundedReader::AnswerLimitMs;
    static constexpr size_t ReplyByteLimit = 64 * 1024;
    // A real header is a few KiB.
    static constexpr size_t HeaderByteLimit = 1024 * 1024;
    // From the end of the connect to the last read; 0 for none.
    int SessionLimitMs = 0;

    ServerReply LastReply;

    int SendCommand(const std::string& line, std::initializer_list<int> allowed);
    virtual int ReadReply(std::initializer_list<int> allowed);
    void CollectReplyLines();
    int CheckReplyCode(int code, std::initializer_list<int> allowed);
    [[noreturn]] void RaiseReplyError();
    // Header lines up to the terminator line into the message, then its fields; the last line
    // read.
    std::string ReadHeaderBlock(MailMessage& message, const std::string& terminator);
    // The lines of a multi-line reply up to the "." line, dots unstuffed, read within limitMs
    // (and the session's bound). Lines beyond the bounds are read but not kept, and the
    // listing says it overflowed.
    struct Listing {
        std::vector<std::string> lines;
        bool overflowed = false;
    };
    Listing ReadListing(size_t byteLimit, size_t lineLimit, int limitMs);

  protected:
    void StartSessionClock() { reader_.StartSession(SessionLimitMs); }

  private:
    // The next non-blank reply line, trimmed.
    std::string ReadReplyLine();

    BoundedReader reader_{*this};
};

// The POP3 conversation: greeting, capabilities and login, message count, unique ids, header,
// deletion, quit.
class Pop3Client : public MessageClient {
  public:
    Pop3Client() { Port = 110; }
    ~Pop3Client() override = default;

    std::string Username;
    // The password, or the access token of a token mechanism.
    std::string Password;
    // Plain: USER and PASS.
    sasl::Mechanism Mechanism = sasl::Mechanism::Plain;
    // As CAPA listed them after the greeting; none where the server refused CAPA.
    kestrel::Capabilities Capabilities;

    void OpenConnection(int limitMs) override;
    int CountMessages();
    // Beyond this many messages the ids are not asked for: their list alone would be 8 MiB.
    static constexpr int32_t MostIds = 100000;
    // UIDL's reply may take the reply's time and this much more per thousand messages.
    static constexpr int UidlMsPerThousand = 100;
    // UIDL for a mailbox of count messages, as CountMessages gave it. A reply that breaks the
    // rules, or is longer than count lines could be, is read to its end and called Broken.
    UniqueIds ListUniqueIds(int32_t count);
    // Writes TOP n 0 for each number in one go, without reading the replies; ReadHeader reads
    // them, one per call, in the same order.
    void AskForHeaders(std::span<const int32_t> numbers);
    void ReadHeader(MailMessage& message);
    void FetchHeader(int number, MailMessage& message);
    // DELE n: marks the message, which the server removes at a positive QUIT.
    void DeleteMessage(int number);
    // Writes QUIT and closes, without waiting for the reply.
    void CloseConnection() override;
    // Writes QUIT, reads its reply, then closes: true only for a positive reply, the one sign
    // that the server carried out the session's deletions.
    bool Quit();
    int ReadReply(std::initializer_list<int> allowed) override;

  private:
    // The reply just collected: +OK or -ERR, checked against those allowed.
    int ClassifyReply(std::initializer_list<int> allowed);
    // CAPA's list, none where the server refused it.
    void AskCapabilities();
    // STLS and the handshake; then the capabilities again, since those heard before may have
    // been forged.
    void BeginTls();
    // AUTH with the token mechanism (RFC 5034).
    void Authenticate();
    // Writes QUIT, reads its reply when asked to, closes: whether the reply was positive.
    bool EndSession(bool readReply);
};

} // namespace kestrel
