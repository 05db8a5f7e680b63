#pragma once

#include "net/deadline.h"

#include <cstddef>
#include <string>

namespace kestrel {

class TcpConnection;

// Reads a server's answers within bounds, so that no server, however it trickles, can hold a
// session: each answer in time and in bytes, and the whole session, once started, in time.
// Both protocol clients read through one. A line costs its bytes and what keeping it costs;
// a block of bytes, its bytes.
class BoundedReader {
  public:
    static constexpr size_t LineCost = sizeof(std::string);
    // How long a server may take for a whole answer, unless a client knows better.
    static constexpr int AnswerLimitMs = 5000;

    explicit BoundedReader(TcpConnection& connection) : connection_(connection) {}

    // From now on the session may take that long; 0 for no bound.
    void StartSession(int limitMs);
    // The next answer must be whole within limitMs from now and byteLimit bytes.
    void StartAnswer(int limitMs, size_t byteLimit);
    // The answer's next line, without its terminator (and a CR before it); false, with the line
    // read, once the answer's bytes are beyond its bound. Raises ReadTimeout at the answer's
    // deadline, SessionTooLong at the session's.
    bool Line(std::string& line);
    // Exactly n more bytes of the answer into out; false, with nothing read, when they would
    // break its bound.
    bool Bytes(std::string& out, size_t n);
    // What the answer has cost so far.
    size_t Spent() const { return spent_; }

  private:
    int MsLeft() const;
    [[noreturn]] void RaiseTimeout() const;

    TcpConnection& connection_;
    Clock::time_point sessionDeadline_ = Clock::time_point::max();
    Clock::time_point answerDeadline_ = Clock::time_point::max();
    size_t byteLimit_ = 0;
    size_t spent_ = 0;
};

} // namespace kestrel
