#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kestrel {

// A growable byte buffer read from the front.
class SimpleBuffer {
  public:
    virtual ~SimpleBuffer() = default;
    std::function<void(size_t)> AfterRemove;

    virtual size_t Size() const { return bytes_.size(); }
    virtual std::string_view Unread() const { return bytes_; }
    void Append(std::string_view more) { bytes_.append(more); }
    // The first n bytes, which leave the buffer; NotEnoughData when fewer are held.
    std::string TakeText(size_t n);
    virtual void Discard(size_t n);
    virtual void Clear() { bytes_.clear(); }

  protected:
    std::string bytes_;
};

// Takes from the front without moving the rest each time: the consumed bytes are dropped once
// they reach PackThreshold and outnumber the unread ones, or all at once when everything was
// taken.
class ManagedBuffer final : public SimpleBuffer {
  public:
    static constexpr size_t PackThreshold = 32768;
    size_t ConsumedCount = 0;

    size_t Size() const override { return bytes_.size() - ConsumedCount; }
    std::string_view Unread() const override {
        return std::string_view(bytes_).substr(ConsumedCount);
    }
    void Discard(size_t n) override;
    // Discard without AfterRemove, for a reader that counts what it takes itself.
    void DiscardQuietly(size_t n);
    void Compact();
    void Clear() override {
        std::string().swap(bytes_);
        ConsumedCount = 0;
    }
};

} // namespace kestrel
