#pragma once

#include "pop3/pop3_client.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel {

// The headers of several messages, read in the order given. Where the server allows pipelining,
// the TOP commands run ahead of their replies, a bounded window at a time: the commands fit in
// any socket buffer, and every reply is read before the window moves on, so neither side ever
// waits on a full buffer. Elsewhere one command, one reply.
class HeaderFetches {
  public:
    static constexpr size_t MostAhead = 32;        // commands without their reply yet
    static constexpr size_t MostBytesAhead = 1024; // and their bytes

    HeaderFetches(Pop3Client& pop, std::vector<int32_t> numbers);

    bool Done() const { return read_ == numbers_.size(); }
    int32_t NextNumber() const { return numbers_[read_]; }
    // The next message's header into message, each reply within its own bounds.
    void Next(MailMessage& message);

  private:
    static size_t CommandBytes(int32_t number);
    void SendAhead();

    Pop3Client& pop_;
    const std::vector<int32_t> numbers_;
    const size_t window_;
    size_t sent_ = 0;
    size_t read_ = 0;
    size_t bytesAhead_ = 0;
};

} // namespace kestrel
