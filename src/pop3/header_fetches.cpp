#include "pop3/header_fetches.h"

#include <span>
#include <string>

namespace kestrel {

HeaderFetches::HeaderFetches(Pop3Client& pop, std::vector<int32_t> numbers)
    : pop_(pop), numbers_(std::move(numbers)),
      window_(pop.Capabilities.pipelining ? MostAhead : 1) {}

// "TOP n 0" and its line end.
size_t HeaderFetches::CommandBytes(int32_t number) {
    return std::to_string(number).size() + 8;
}

// The window is refilled once half of it was answered: fewer, fuller writes than one per reply
// (each small write on loopback wakes the server), and the server never runs dry.
void HeaderFetches::SendAhead() {
    if (sent_ - read_ > window_ / 2)
        return;
    const size_t first = sent_;
    while (sent_ < numbers_.size() && sent_ - read_ < window_) {
        const size_t bytes = CommandBytes(numbers_[sent_]);
        if (sent_ > read_ && bytesAhead_ + bytes > MostBytesAhead)
            break;
        bytesAhead_ += bytes;
        ++sent_;
    }
    if (sent_ > first)
        pop_.AskForHeaders(std::span(numbers_).subspan(first, sent_ - first));
}

void HeaderFetches::Next(MailMessage& message) {
    SendAhead();
    pop_.ReadHeader(message);
    bytesAhead_ -= CommandBytes(numbers_[read_]);
    ++read_;
}

} // namespace kestrel
