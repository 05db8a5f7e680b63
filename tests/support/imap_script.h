#pragma once

// A scripted IMAP server for what Dovecot will not do: no IDLE or no UIDPLUS, headers that
// trickle in pieces or answer for other ids, a mailbox whose UIDVALIDITY changes, a BYE in the
// middle.

#include "support/loopback_server.h"

#include <algorithm>
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
    bool byeAfterFirstHeader = false;
    bool esearch = false; // answers searches as IMAP4rev2 servers do
    int selectHoldMs = 0; // the mailbox is never opened; the connection closes after this long
    // Headers sent for ids other than those asked for, or without the UID item.
    enum class Fault { None, OtherUids, NoUid };
    Fault fetchFault = Fault::None;
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

// "3:5,9": whether uid is among them.
inline bool InSet(const std::string& set, uint32_t uid) {
    size_t at = 0;
    while (at < set.size()) {
        const size_t end = std::min(set.find(',', at), set.size());
        const std::string part = set.substr(at, end - at);
        const size_t colon = part.find(':');
        const uint32_t first = static_cast<uint32_t>(std::stoul(part.substr(0, colon)));
        const uint32_t last = colon == std::string::npos
                                  ? first
                                  : static_cast<uint32_t>(std::stoul(part.substr(colon + 1)));
        if (uid >= first && uid <= last)
            return true;
        at = end + 1;
    }
    return false;
}

// The unread ids as a set: "3:5,9".
inline std::string SetOf(const ScriptedInbox& box) {
    std::string set;
    for (size_t i = 0; i < box.unread.size(); ++i) {
        const uint32_t uid = box.unread[i].first;
        const bool follows = i > 0 && box.unread[i - 1].first + 1 == uid;
        const bool followed = i + 1 < box.unread.size() && box.unread[i + 1].first == uid + 1;
        if (!follows)
            set += (set.empty() ? "" : ",") + std::to_string(uid);
        else if (!followed)
            set += ":" + std::to_string(uid);
    }
    return set;
}

// False when the script ended the session.
inline bool Fetch(Peer& p, const ScriptedInbox& box, const std::string& tag,
                  const std::string& set) {
    int sent = 0;
    for (size_t i = 0; i < box.unread.size(); ++i) {
        const auto& [uid, header] = box.unread[i];
        if (!InSet(set, uid))
            continue;
        if (box.byeAfterFirstHeader && sent++ == 1) {
            p.Send("* BYE shutting down\r\n");
            p.Close();
            return false;
        }
        const std::string item = box.fetchFault == ScriptedInbox::Fault::NoUid ? ""
                                 : box.fetchFault == ScriptedInbox::Fault::OtherUids
                                     ? "UID " + std::to_string(uid + 1000) + " "
                                     : "UID " + std::to_string(uid) + " ";
        p.Send("* " + std::to_string(i + 1) + " FETCH (" + item +
               "BODY[HEADER.FIELDS (FROM SUBJECT MESSAGE-ID)] {" + std::to_string(header.size()) +
               "}\r\n");
        SendLiteral(p, header, box.pieceMs);
        p.Send(")\r\n");
    }
    p.Send(tag + " OK Fetch completed\r\n");
    return true;
}

} // namespace detail

// Serves one session of the inbox; returns when the client logs out or goes.
inline void ServeImap(Peer& p, const ScriptedInbox& box) {
    p.Send("* OK [CAPABILITY " + box.capabilities + "] scripted\r\n");
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
            if (box.selectHoldMs > 0) {
                p.Pause(box.selectHoldMs);
                return;
            }
            p.Send("* " + std::to_string(box.unread.size()) + " EXISTS\r\n* OK [UIDVALIDITY " +
                   std::to_string(box.uidValidity) + "] UIDs valid\r\n" + tag + " OK\r\n");
        } else if (command == "UID SEARCH UNSEEN UNDELETED") {
            std::string ids;
            for (const auto& [uid, header] : box.unread)
                ids += " " + std::to_string(uid);
            if (box.esearch)
                p.Send("* ESEARCH (TAG \"" + tag + "\") UID ALL " + detail::SetOf(box) + "\r\n" +
                       tag + " OK\r\n");
            else
                p.Send("* SEARCH" + ids + "\r\n" + tag + " OK\r\n");
        } else if (command.starts_with("UID FETCH ")) {
            const std::string set = command.substr(10, command.find(' ', 10) - 10);
            if (!detail::Fetch(p, box, tag, set))
                return;
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
