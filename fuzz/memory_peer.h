#pragma once

// A peer made of bytes in memory: the connection reads them through its I/O handler in chunks
// whose sizes come from a seed, and then finds the peer closed. Nothing ever waits.

#include "net/io_handler.h"
#include "pop3/pop3_client.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>

namespace kestrel::fuzzing {

class MemoryIoHandler : public IoHandler {
  public:
    MemoryIoHandler(std::string_view bytes, uint32_t seed) : bytes_(bytes), seed_(seed | 1) {}

    // Opened by the connect, as a socket is: a session's OpenConnection finds none open before.
    void ConnectTo(const std::string&, int, const std::string&, int, int, int, int) override {
        Open();
    }
    void Open() { open_ = true; }
    bool HasOpenSocket() override { return open_; }
    void CloseBinding() override { open_ = false; }
    bool WaitReadable(int) override { return open_; }
    int ReceiveSome(char* buffer, int length) override {
        seed_ = seed_ * 1103515245u + 12345u;
        const size_t chunk =
            std::min<size_t>({(seed_ >> 16) % 97 + 1, static_cast<size_t>(length), bytes_.size()});
        if (chunk == 0)
            return 0; // all sent: the peer has closed
        std::memcpy(buffer, bytes_.data(), chunk);
        bytes_.remove_prefix(chunk);
        return static_cast<int>(chunk);
    }
    int SendSome(const char* bytes, int length) override {
        if (sent)
            sent->append(bytes, static_cast<size_t>(length));
        return length;
    }
    std::string* sent = nullptr; // where everything the client wrote goes, outliving the handler

  private:
    std::string_view bytes_;
    uint32_t seed_;
    bool open_ = false;
};

// Connection classes with the memory peer in place of a socket.
template <class Connection> class OnMemory : public Connection {
  public:
    OnMemory(std::string_view bytes, uint32_t seed) {
        auto handler = std::make_unique<MemoryIoHandler>(bytes, seed);
        if constexpr (!std::is_base_of_v<TcpClient, Connection>)
            handler->Open(); // a bare connection is never connected: it starts open
        handler->sent = &Sent;
        this->SetIOHandler(std::move(handler));
    }
    std::string Sent;
};

// The first byte of a fuzz input seeds the chunk sizes; the rest is what the peer sends.
inline uint32_t SeedOf(const uint8_t* data, size_t size) {
    return size > 0 ? data[0] : 0;
}
inline std::string_view BytesOf(const uint8_t* data, size_t size) {
    return size > 0 ? std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1)
                    : std::string_view();
}

} // namespace kestrel::fuzzing
