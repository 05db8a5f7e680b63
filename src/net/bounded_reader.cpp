#include "net/bounded_reader.h"

#include "net/exceptions.h"
#include "net/tcp_connection.h"

namespace kestrel {

void BoundedReader::StartSession(int limitMs) {
    sessionDeadline_ =
        limitMs > 0 ? Clock::now() + std::chrono::milliseconds(limitMs) : Clock::time_point::max();
}

void BoundedReader::StartAnswer(int limitMs, size_t byteLimit, size_t lineCost) {
    answerDeadline_ = Clock::now() + std::chrono::milliseconds(limitMs);
    byteLimit_ = byteLimit;
    lineCost_ = lineCost;
    spent_ = 0;
}

// The read is given the earlier deadline; a wait may end a little before it (Wine's does).
int BoundedReader::MsLeft() const {
    const int left = MsUntil(std::min(answerDeadline_, sessionDeadline_));
    if (left == 0)
        RaiseTimeout();
    return left;
}

void BoundedReader::RaiseTimeout() const {
    if (sessionDeadline_ < answerDeadline_)
        throw SessionTooLong();
    throw ReadTimeout();
}

void BoundedReader::Read(std::string& line) {
    connection_.ReadLine(line, "\n", MsLeft());
    if (connection_.LineTimedOut)
        RaiseTimeout();
}

bool BoundedReader::Charge(const std::string& line) {
    spent_ += line.size() + lineCost_;
    return spent_ <= byteLimit_;
}

bool BoundedReader::Bytes(std::string& out, size_t n) {
    if (n > byteLimit_ - std::min(spent_, byteLimit_))
        return false;
    spent_ += n;
    if (!connection_.ReadBytes(out, n, MsLeft()))
        RaiseTimeout();
    return true;
}

} // namespace kestrel
