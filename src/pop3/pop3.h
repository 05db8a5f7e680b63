#pragma once

#include "net/tcp_connection.h"
#include "pop3/message.h"
#include "pop3/reply.h"

#include <initializer_list>
#include <string>

namespace kestrel {

class EIdProtocolReplyError : public EIdException {
  public:
    EIdProtocolReplyError(int code, const std::string& message)
        : EIdException(message), ReplyErrorCode(code) {}
    int ReplyErrorCode;
};

// A connection that reads replies and message headers.
class TIdMessageClient : public TIdTCPClient {
  public:
    // How long one reply line may keep us waiting: a server that accepts and then stays silent
    // must not hold the window for ever.
    static constexpr int ReplyLimitMs = 5000;

    TIdRFCReply LastReply;

    int SendCommand(const std::string& line, std::initializer_list<int> allowed);
    virtual int ReadReply(std::initializer_list<int> allowed);
    void CollectReplyLines();
    int CheckReplyCode(int code, std::initializer_list<int> allowed);
    [[noreturn]] void RaiseReplyError();
    // Header lines up to the terminator line into the message, then its fields; the last line
    // read.
    std::string ReadHeaderBlock(TIdMessage& message, const std::string& terminator);

  protected:
    std::string ReadBoundedLine();
};

// The POP3 conversation: greeting and login, message count, header, deletion, quit.
class TIdPOP3 : public TIdMessageClient {
  public:
    TIdPOP3() { Port = 110; }
    ~TIdPOP3() override = default;

    std::string Username;
    std::string Password;

    void OpenConnection(int limitMs) override;
    int CountMessages();
    bool FetchHeader(int number, TIdMessage& message);
    bool DeleteMessage(int number);
    void CloseConnection() override;
    int ReadReply(std::initializer_list<int> allowed) override;
};

} // namespace kestrel
