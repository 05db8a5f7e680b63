#include "net/buffers.h"

#include "net/exceptions.h"

namespace kestrel {

std::string SimpleBuffer::TakeText(size_t n) {
    if (Size() < n)
        throw NotEnoughData();
    std::string text(Unread().substr(0, n));
    Discard(n);
    return text;
}

void SimpleBuffer::Discard(size_t n) {
    if (Size() < n)
        throw NotEnoughData();
    bytes_.erase(0, n);
    if (AfterRemove)
        AfterRemove(n);
}

void ManagedBuffer::Discard(size_t n) {
    DiscardQuietly(n);
    if (AfterRemove)
        AfterRemove(n);
}

void ManagedBuffer::DiscardQuietly(size_t n) {
    if (Size() < n)
        throw NotEnoughData();
    if (n == Size()) {
        bytes_.clear();
        ConsumedCount = 0;
    } else {
        ConsumedCount += n;
        // Moving the unread bytes costs no more than the bytes consumed since the last move, so
        // a large buffer read line by line is not moved once per 32 KiB.
        if (ConsumedCount >= PackThreshold && ConsumedCount >= Size())
            Compact();
    }
}

void ManagedBuffer::Compact() {
    bytes_.erase(0, ConsumedCount);
    ConsumedCount = 0;
}

} // namespace kestrel
