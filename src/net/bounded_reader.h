#pragma once

#include "net/deadline.h"

#include <cstddef>
#include <string>

namespace kestrel {

class TcpConnection;

// Reads a server's answers within bounds, so that no server, however it trickles, can hold a
// session: each answer in time and in bytes, and the whole session, once started, in time.
// Both protocol clients read through one. A line costs its bytes and what the answer says a
// line costs beyond them; a block of bytes, its bytes.
class BoundedReader {
  public:
    // What a line costs beyond its bytes: its terminator, or what keeping it costs.
    static constexpr size_t TerminatorCost = 2;
    static constexpr size_t KeptLineCost = sizeof(std::string);
    // How long a server may take for a whole answer, unless a client knows better.
    static constexpr int AnswerLimitMs = 5000;

    explicit BoundedReader(TcpConnection& connection) : connection_(connection) {}

    // From now on the session may take that long; 0 for no bound.
    void StartSession(int limitMs);
    // The next answer must be whole within limitMs from now and byteLimit bytes, each line
    // costing lineCost beyond its bytes.
    void StartAnswer(int limitMs, size_t byteLimit, size_t lineCost);
    // The answer's next line, without its terminator (and a CR before it); false, with the line
    // read, once the answer's bytes are beyond its bound. Raises ReadTimeout at the answer's
    // deadline, SessionTooLong at the session's.
    bool Line(std::string& line) {
        Read(line);
        return Charge(line);
    }
    // The same in two steps, for a caller that counts a line as it keeps it (trimmed, say).
    void Read(std::string& line);
    bool Charge(const std::string& line);
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
    size_t lineCost_ = 0;
    size_t spent_ = 0;
};

} // namespace kestrel
