#pragma once

#include "net/tcp_connection.h"
#include "pop3/mail_message.h"
#include "pop3/server_reply.h"

#include <initializer_list>
#include <string>

namespace kestrel {

class ReplyError : public ClientError {
  public:
    ReplyError(int code, const std::string& message) : ClientError(message), ReplyErrorCode(code) {}
    int ReplyErrorCode;
};

// A connection that reads replies and message headers.
class MessageClient : public TcpClient {
  public:
    // How long one reply line may keep us waiting: a server that accepts and then stays silent
    // must not hold the window for ever.
    static constexpr int ReplyLimitMs = 5000;

    ServerReply LastReply;

    int SendCommand(const std::string& line, std::initializer_list<int> allowed);
    virtual int ReadReply(std::initializer_list<int> allowed);
    void CollectReplyLines();
    int CheckReplyCode(int code, std::initializer_list<int> allowed);
    [[noreturn]] void RaiseReplyError();
    // Header lines up to the terminator line into the message, then its fields; the last line
    // read.
    std::string ReadHeaderBlock(MailMessage& message, const std::string& terminator);

  protected:
    std::string ReadBoundedLine();
};

// The POP3 conversation: greeting and login, message count, header, deletion, quit.
class Pop3Client : public MessageClient {
  public:
    Pop3Client() { Port = 110; }
    ~Pop3Client() override = default;

    std::string Username;
    std::string Password;

    void OpenConnection(int limitMs) override;
    int CountMessages();
    bool FetchHeader(int number, MailMessage& message);
    bool DeleteMessage(int number);
    void CloseConnection() override;
    int ReadReply(std::initializer_list<int> allowed) override;
};

} // namespace kestrel
