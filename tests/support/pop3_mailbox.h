#pragma once

// A small POP3 server over a mailbox held in memory, for the mail watch's tests: it answers
// USER, PASS, STAT, TOP n 0, DELE n and QUIT, and carries out deletions at QUIT.

#include "support/loopback_server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::testing {

class Pop3Mailbox {
  public:
    // Each message is its header lines, without line ends.
    using Message = std::vector<std::string>;

    explicit Pop3Mailbox(std::vector<Message> messages, int sessions = 4)
        : state_(std::make_shared<State>()), server_(Script(state_), sessions) {
        Replace(std::move(messages)); // before any client can connect
    }

    uint16_t port() const { return server_.port(); }
    // Both wait for a session still running: a client that wrote QUIT does not wait for it.
    std::vector<Message> Messages() const {
        Settle();
        std::lock_guard lock(state_->mutex);
        return state_->messages;
    }
    void Replace(std::vector<Message> messages) {
        std::lock_guard lock(state_->mutex);
        state_->messages = std::move(messages);
    }
    std::vector<std::string> Commands() const {
        Settle();
        std::lock_guard lock(state_->mutex);
        return state_->commands;
    }

  private:
    struct State {
        std::vector<Message> messages;
        std::vector<std::string> commands;
        std::atomic<bool> inSession{false};
        mutable std::mutex mutex;
    };

    void Settle() const {
        for (int i = 0; i < 300 && state_->inSession; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    static LoopbackServer::Script Script(std::shared_ptr<State> state) {
        return [state](Peer& p) {
            struct Session {
                std::atomic<bool>& flag;
                ~Session() { flag = false; }
            } session{state->inSession};
            state->inSession = true; // before the greeting, so the client sees it set
            p.Send("+OK ready\r\n");
            std::vector<size_t> deleted;
            for (;;) {
                std::string line = p.ReceiveUntil("\r\n");
                if (line.size() < 2)
                    return;
                line.resize(line.size() - 2);
                std::lock_guard lock(state->mutex);
                state->commands.push_back(line);
                const size_t space = line.find(' ');
                const size_t number = space == std::string::npos
                                          ? 0
                                          : std::strtoul(line.c_str() + space + 1, nullptr, 10);
                const bool known = number >= 1 && number <= state->messages.size();
                if (line.starts_with("STAT")) {
                    p.Send("+OK " + std::to_string(state->messages.size()) + " 1000\r\n");
                } else if (line.starts_with("TOP ") && known) {
                    std::string reply = "+OK\r\n";
                    for (const std::string& header : state->messages[number - 1])
                        reply += header + "\r\n";
                    p.Send(reply + "\r\n.\r\n");
                } else if (line.starts_with("DELE ") && known) {
                    deleted.push_back(number);
                    p.Send("+OK marked\r\n");
                } else if (line.starts_with("QUIT")) {
                    std::sort(deleted.rbegin(), deleted.rend());
                    for (size_t n : deleted)
                        state->messages.erase(state->messages.begin() + static_cast<long>(n - 1));
                    p.Send("+OK bye\r\n");
                    return;
                } else if (line.starts_with("USER") || line.starts_with("PASS")) {
                    p.Send("+OK\r\n");
                } else {
                    p.Send("-ERR no such message\r\n");
                }
            }
        };
    }

    std::shared_ptr<State> state_;
    LoopbackServer server_;
};

} // namespace kestrel::testing
