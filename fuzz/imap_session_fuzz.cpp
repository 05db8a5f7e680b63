// A whole IMAP conversation against any bytes (with STARTTLS on half the seeds): login, INBOX, the unread ids, their headers,
// idling. Nothing may crash or run without bound; the ids come back sorted and distinct, each
// header once and only for a message asked for.
#include "memory_peer.h"

#include "imap/imap_client.h"
#include "mail/mail_entry.h"

#include <algorithm>
#include <set>

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::OnMemory<ImapClient> imap(fuzzing::BytesOf(data, size), fuzzing::SeedOf(data, size));
    imap.SessionLimitMs = 2000;
    imap.Username = "u";
    imap.Password = "p\xE9";
    // the memory peer can never complete STARTTLS: no login may reach it
    imap.UseStartTls = (fuzzing::SeedOf(data, size) & 0x80) != 0;
    try {
        imap.OpenConnection(1000);
        imap.OpenInbox(true);
        const std::vector<uint32_t> ids = imap.UnseenIds();
        if (!std::ranges::is_sorted(ids) || std::ranges::adjacent_find(ids) != ids.end())
            __builtin_trap();
        const std::vector<uint32_t> asked(ids.begin(), ids.begin() + std::min<size_t>(ids.size(), 5));
        imap.AskForHeaders(asked);
        std::set<uint32_t> came;
        MailMessage message;
        while (const std::optional<uint32_t> uid = imap.NextHeader(message)) {
            if (std::ranges::find(asked, *uid) == asked.end() || !came.insert(*uid).second)
                __builtin_trap();
            if (DisplayText(message).size() > 23 + 2 + 22)
                __builtin_trap();
            message.ResetMessage();
        }
        imap.StartIdle();
        imap.WaitForChange(0);
        imap.EndIdle();
        imap.Logout(100);
    } catch (const ClientError&) {
    }
    if (imap.UseStartTls && imap.Sent.find("LOGIN") != std::string::npos)
        __builtin_trap();
    return 0;
}
