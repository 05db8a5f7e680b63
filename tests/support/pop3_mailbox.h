#pragma once

// A small POP3 server over a mailbox held in memory, for the mail watch's tests: it answers
// USER, PASS, STAT, TOP n 0, DELE n and QUIT, and carries out deletions at QUIT. Where the test
// asks for them, also CAPA (with or without PIPELINING) and UIDL; otherwise it refuses both.

#include "support/loopback_server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::testing {

struct MailboxFeatures {
    // The UIDL reply's lines for the messages, each its header lines, without "+OK" and ".".
    using UidList = std::function<std::string(const std::vector<std::vector<std::string>>&)>;
    UidList uidl;            // none: UIDL is refused
    bool pipelining = false; // CAPA lists PIPELINING; without uidl or this, CAPA is refused
};

class Pop3Mailbox {
  public:
    // Each message is its header lines, without line ends.
    using Message = std::vector<std::string>;

    using Features = MailboxFeatures;

    explicit Pop3Mailbox(std::vector<Message> messages, int sessions = 4, Features features = {})
        : state_(std::make_shared<State>()), server_(Script(state_), sessions) {
        state_->features = std::move(features);
        Replace(std::move(messages)); // before any client can connect
    }

    // Each message's id is made from its lines, so it stays with the message wherever it moves.
    static std::string IdOf(const Message& message) {
        std::string all;
        for (const std::string& line : message)
            all += line + "\n";
        return "id" + std::to_string(std::hash<std::string>()(all));
    }
    static std::string GoodUidl(const std::vector<Message>& messages) {
        std::string lines;
        for (size_t n = 1; n <= messages.size(); ++n)
            lines += std::to_string(n) + " " + IdOf(messages[n - 1]) + "\r\n";
        return lines;
    }
    // The bytes of further commands the client had sent when the first TOP had waited a moment
    // for its reply: 0 where it waits for each reply.
    size_t AheadAtFirstTop() const {
        Settle();
        return state_->aheadAtFirstTop;
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
        Features features;
        size_t aheadAtFirstTop = 0;
        bool topSeen = false;
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
                } else if (line == "CAPA" && (state->features.uidl || state->features.pipelining)) {
                    p.Send(std::string("+OK\r\nTOP\r\nUSER\r\n") +
                           (state->features.uidl ? "UIDL\r\n" : "") +
                           (state->features.pipelining ? "PIPELINING\r\n" : "") + ".\r\n");
                } else if (line == "UIDL" && state->features.uidl) {
                    p.Send("+OK\r\n" + state->features.uidl(state->messages) + ".\r\n");
                } else if (line.starts_with("TOP ") && known) {
                    if (!state->topSeen) {
                        state->topSeen = true;
                        p.Pause(100);
                        state->aheadAtFirstTop = p.Waiting();
                    }
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
