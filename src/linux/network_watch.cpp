#include "linux/network_watch.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrel {

NetworkWatch::NetworkWatch() {
    fd_ = socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0)
        return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        close(fd_);
        fd_ = -1;
    }
}

NetworkWatch::~NetworkWatch() {
    if (fd_ >= 0)
        close(fd_);
}

bool NetworkWatch::TakeNotices() {
    bool changed = false;
    alignas(nlmsghdr) char buffer[8192];
    for (;;) {
        const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0)
            return changed; // drained, or an overrun: either way, what came is taken
        const size_t size = static_cast<size_t>(n);
        for (size_t at = 0; at + sizeof(nlmsghdr) <= size;) {
            const auto* m = reinterpret_cast<const nlmsghdr*>(buffer + at);
            if (m->nlmsg_len < sizeof(nlmsghdr) || m->nlmsg_len > size - at)
                break; // a message cut short: what came before it counts
            at += NLMSG_ALIGN(m->nlmsg_len);
            switch (m->nlmsg_type) {
            case RTM_NEWLINK:
            case RTM_DELLINK:
            case RTM_NEWADDR:
            case RTM_DELADDR:
                changed = true;
                break;
            default:
                break;
            }
        }
    }
}

} // namespace kestrel
