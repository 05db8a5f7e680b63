#pragma once

// A scripted IMAP server for what Dovecot will not do: no IDLE or no UIDPLUS, headers that
// trickle in pieces, a mailbox whose UIDVALIDITY changes, a BYE in the middle.

#include "support/loopback_server.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kestrel::testing {

struct ScriptedInbox {
    std::string capabilities = "IMAP4rev1 IDLE UIDPLUS";
    uint32_t uidValidity = 1;
    // The unread messages: id and header block.
    std::vector<std::pair<uint32_t, std::string>> unread;
    int pieceMs = 0; // a header's literal comes in three pieces, this far apart
    bool byeAtSecondFetch = false;
};

inline std::string HeaderOf(const std::string& from, const std::string& subject) {
    return "From: " + from + "\r\nSubject: " + subject + "\r\n\r\n";
}

namespace detail {

inline void SendLiteral(Peer& p, const std::string& bytes, int pieceMs) {
    if (pieceMs == 0) {
        p.Send(bytes);
        return;
    }
    const size_t third = bytes.size() / 3;
    p.Send(bytes.substr(0, third));
    p.Pause(pieceMs);
    p.Send(bytes.substr(third, third));
    p.Pause(pieceMs);
    p.Send(bytes.substr(2 * third));
}

inline void Fetch(Peer& p, const ScriptedInbox& box, const std::string& tag, uint32_t uid) {
    for (size_t i = 0; i < box.unread.size(); ++i) {
        if (box.unread[i].first != uid)
            continue;
        const std::string& header = box.unread[i].second;
        p.Send("* " + std::to_string(i + 1) + " FETCH (UID " + std::to_string(uid) +
               " BODY[HEADER] {" + std::to_string(header.size()) + "}\r\n");
        SendLiteral(p, header, box.pieceMs);
        p.Send(")\r\n");
    }
    p.Send(tag + " OK Fetch completed\r\n");
}

} // namespace detail

// Serves one session of the inbox; returns when the client logs out or goes.
inline void ServeImap(Peer& p, const ScriptedInbox& box) {
    p.Send("* OK [CAPABILITY " + box.capabilities + "] scripted\r\n");
    int fetches = 0;
    for (;;) {
        std::string line = p.ReceiveUntil("\r\n");
        if (line.size() < 2)
            return;
        line.resize(line.size() - 2);
        // A literal's command goes on behind it; a synchronizing one waits for the go-ahead.
        while (line.ends_with("}")) {
            if (!line.ends_with("+}"))
                p.Send("+ go ahead\r\n");
            line += p.ReceiveUntil("\r\n");
            line.resize(line.size() - 2);
        }
        const std::string tag = line.substr(0, line.find(' '));
        const std::string command = line.substr(tag.size() + 1);
        if (command.starts_with("CAPABILITY")) {
            p.Send("* CAPABILITY " + box.capabilities + "\r\n" + tag + " OK\r\n");
        } else if (command.starts_with("SELECT") || command.starts_with("EXAMINE")) {
            p.Send("* " + std::to_string(box.unread.size()) + " EXISTS\r\n* OK [UIDVALIDITY " +
                   std::to_string(box.uidValidity) + "] UIDs valid\r\n" + tag + " OK\r\n");
        } else if (command == "UID SEARCH UNSEEN") {
            std::string ids;
            for (const auto& [uid, header] : box.unread)
                ids += " " + std::to_string(uid);
            p.Send("* SEARCH" + ids + "\r\n" + tag + " OK\r\n");
        } else if (command.starts_with("UID FETCH ")) {
            if (box.byeAtSecondFetch && ++fetches == 2) {
                p.Send("* BYE shutting down\r\n");
                p.Close();
                return;
            }
            detail::Fetch(p, box, tag, static_cast<uint32_t>(std::stoul(command.substr(10))));
        } else if (command == "IDLE") {
            p.Send("+ idling\r\n");
            p.ReceiveUntil("DONE\r\n");
            p.Send(tag + " OK idle done\r\n");
        } else if (command == "LOGOUT") {
            p.Send("* BYE\r\n" + tag + " OK\r\n");
            return;
        } else if (command.starts_with("UID EXPUNGE")) {
            p.Send("* 1 EXPUNGE\r\n" + tag + " OK\r\n");
        } else { // LOGIN, UID STORE, and what a test asserts never comes
            p.Send(tag + " OK\r\n");
        }
    }
}

} // namespace kestrel::testing
