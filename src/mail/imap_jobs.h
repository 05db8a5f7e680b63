#pragma once

// The check and the deletion of an account whose server speaks IMAP. What is new there is an
// unread message of INBOX not listed yet in this run, known by its mailbox's UIDVALIDITY and
// its UID: a changed UIDVALIDITY makes every message new again.

#include "mail/mail_jobs.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrel {

extern const ProtocolJobs ImapJobs;

// A message's id in the listed ids: "UIDVALIDITY:UID".
std::string ImapMessageKey(uint32_t uidValidity, uint32_t uid);
struct ImapMessageId {
    uint32_t uidValidity;
    uint32_t uid;
};
std::optional<ImapMessageId> ParseImapMessageKey(const std::string& key);

} // namespace kestrel
