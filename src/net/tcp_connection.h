#pragma once

#include "net/buffers.h"
#include "net/component.h"
#include "net/exceptions.h"
#include "net/io_handler.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kestrel {

enum class MaxLineAction { Raise, Split };

// A TCP connection: its I/O handler, the receive buffer and the line and text I/O over it.
class TcpConnection : public Component {
  public:
    static constexpr int DefaultLimit = -1; // the connection's ReadTimeout
    static constexpr int NoLimit = -2;

    TcpConnection();
    ~TcpConnection() override;

    bool ASCIIFilter = false;
    bool PeerClosed = false;
    ManagedBuffer PendingInput;
    kestrel::MaxLineAction MaxLineAction = kestrel::MaxLineAction::Raise;
    int MaxLineLength = 16384; // 0: no limit
    bool LineWasSplit = false;
    bool LineTimedOut = false;
    int ReadTimeout = 0; // 0: no limit
    int RecvBufferSize = 32768;

    IoHandler* IOHandler() { return ioHandler_.get(); }
    bool OwnsIOHandler() const { return ioHandler_ != nullptr; }

    // From any thread, while another uses the connection: its lookup or connect, its wait for
    // input, its write end within moments with Aborted, and so does every later call but
    // IsConnected and CloseConnection. For good: an aborted connection stays so. The caller
    // keeps the object alive through the call; the owning thread still closes the socket.
    void Abort();

    virtual bool IsConnected();
    virtual void CloseConnection();
    void DropSocket();
    void CheckPeerClosed(bool raiseIfClosed, bool ignoreBuffer);
    // One wait and one receive: the bytes added, 0 when the peer closed, -1 at the limit.
    int FillPendingInput(bool raiseIfClosed, int limitMs, bool raiseOnTimeout);

    // A line without its terminator (and without one CR before an LF). With an explicit limit,
    // the whole read is bounded by it: at the limit the result is empty and LineTimedOut set.
    std::string ReadLine(const std::string& terminator = "\n", int limitMs = DefaultLimit,
                         int maxLength = -1);
    // The same into the caller's string, whose storage is reused from line to line.
    void ReadLine(std::string& line, std::string_view terminator = "\n", int limitMs = DefaultLimit,
                  int maxLength = -1);
    // Exactly n bytes into out, within limitMs: false, with out empty, at the limit.
    bool ReadBytes(std::string& out, size_t n, int limitMs);
    std::string ReadNonEmptyLine(int maxTries = 2147483647, int limitMs = DefaultLimit);
    void WriteText(const std::string& text);
    void WriteLine(const std::string& text);
    void SendBytes(const char* bytes, int count, bool writeNow = false);

  protected:
    void ResetReadState();
    void SetIOHandler(std::unique_ptr<IoHandler> handler) {
        handler->Signal = abort_;
        ioHandler_ = std::move(handler);
    }
    void CheckAborted() const { abort_->Check(); }
    void FreeIOHandler() { ioHandler_.reset(); }

  private:
    [[noreturn]] void RaiseLineTooLong();
    // Moves n unread bytes into line and counts them as read.
    void TakeInto(std::string& line, size_t n);
    // Made before the handler and outliving it: Abort may come while the owner replaces it.
    const std::shared_ptr<AbortSignal> abort_ = std::make_shared<AbortSignal>();
    std::unique_ptr<IoHandler> ioHandler_;
    std::string receiveScratch_;
};

// The client side: connects to Host:Port with a time limit.
class TcpClient : public TcpConnection {
  public:
    std::string Host;
    int Port = 0;
    std::string BoundIP;
    int BoundPort = 0;
    int BoundPortLow = 0;
    int BoundPortHigh = 0;
    // TLS from the first byte, with the server's certificate checked against Host.
    bool UseTls = false;
    // TLS after a command (STARTTLS): the connect stays plain until StartTls.
    bool UseStartTls = false;

    // Raises AlreadyConnected while a socket is open; any failure drops the socket.
    virtual void OpenConnection(int limitMs);
    // After the server's go-ahead: the handshake on the same socket, checked as from the first
    // byte. Raises StartTlsError when the server sent anything past its go-ahead.
    void StartTls();
    // Whether what goes on the wire now is encrypted.
    bool IsSecure() const { return secure_; }
    // Called while handling a failure before STARTTLS's handshake: one that would carry the
    // server's words becomes a refusal without them; one of the connection's own (lost, timed
    // out, too long) goes on as it is.
    [[noreturn]] static void RaiseBeforeTls(const ClientError& failure);

  private:
    bool secure_ = false;
};

} // namespace kestrel
