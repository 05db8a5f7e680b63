#pragma once

namespace kestrel {

// The kernel's notices of links and addresses that come and go (a route netlink socket): the
// front end watches its descriptor and, when it is readable, takes the notices and reconnects.
class NetworkWatch {
  public:
    NetworkWatch();
    ~NetworkWatch();
    NetworkWatch(const NetworkWatch&) = delete;
    NetworkWatch& operator=(const NetworkWatch&) = delete;

    // -1 when the socket could not be made: then nothing is noticed.
    int Descriptor() const { return fd_; }
    // Reads what came; true when a link or an address changed.
    bool TakeNotices();

  private:
    int fd_ = -1;
};

} // namespace kestrel
