#pragma once

// What each account announced, kept beside kestrel.ini between runs: a start announces and
// lists as new only what was not announced before. Only ids the server gives are kept (POP3's
// UIDL ids, IMAP's UIDVALIDITY with the UIDs), and only those still on the server.

#include "mail/account.h"
#include "mail/mail_jobs.h"
#include "ports/settings_file.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// One account's ids, and the account they were seen on: a digest of its server field and user,
// so that ids of another mailbox never count here.
struct AnnouncedIds {
    std::string mailbox;
    ListedIds ids;
    bool operator==(const AnnouncedIds&) const = default;
};
using AnnouncedTable = std::array<std::optional<AnnouncedIds>, 3>;

std::string MailboxDigest(const AccountRecord& record);

// "kestrel announced 1", then per account "account N digest" and one id a line.
std::string EncodeAnnounced(const AnnouncedTable& table);
// Nothing for a text that is not such a file.
std::optional<AnnouncedTable> DecodeAnnounced(std::string_view text);

// The file and what it holds, on the GUI thread. Without a file nothing is kept.
class AnnouncedRecord {
  public:
    void KeepIn(SettingsFile& file) { file_ = &file; }
    // Reads the file once, at start.
    void Load();
    // The ids announced before on that account's mailbox, if the file holds them.
    std::optional<ListedIds> Known(int account, const AccountRecord& record) const;
    // A check saw these ids on the server, each of them announced now or before; the file is
    // written when they differ from what it holds. True when none of them was there at the
    // last two checks before: the server's ids change at every connection.
    bool Seen(int account, const AccountRecord& record, const ListedIds& ids);
    // What the account's status says once, at its first check of this run: why mail announced
    // before may be announced again. counted: the check had no ids to go by. A mailbox the
    // record holds nothing of yet is no news: nothing of it was announced.
    std::string NoteOnce(int account, const AccountRecord& record, bool counted);
    // A check without ids: the record holds the mailbox, without ids, so that the next start
    // can say why it announces its mail again.
    void Checked(int account, const AccountRecord& record);

  private:
    enum class Found { Nothing, Foreign, Read };
    SettingsFile* file_ = nullptr;
    Found found_ = Found::Nothing;
    AnnouncedTable table_{};
    std::array<bool, 3> noted_{};
    std::array<int, 3> changedInRow_{};
};

} // namespace kestrel
