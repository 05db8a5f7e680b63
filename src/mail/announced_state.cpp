#include "mail/announced_state.h"

#include "text/sha256.h"
#include "pop3/server_lists.h"
#include "text/conversion.h"

#include <algorithm>

namespace kestrel {

namespace {

constexpr std::string_view FirstLine = "kestrel announced 1";
constexpr std::string_view AccountWord = "account ";

// An id as a server may give it: POP3's rule, which IMAP's "validity:uid" keys keep too.
bool IsId(std::string_view line) {
    return !line.empty() && line.size() <= MostIdBytes &&
           std::ranges::all_of(line, [](char c) { return c >= 0x21 && c <= 0x7E; });
}

bool IsDigest(std::string_view text) {
    return text.size() == 64 && std::ranges::all_of(text, [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// "account N digest": the account's index, or nothing.
std::optional<size_t> AccountLine(std::string_view line, std::string& digest) {
    if (!line.starts_with(AccountWord))
        return std::nullopt;
    line.remove_prefix(AccountWord.size());
    const size_t space = line.find(' ');
    const std::optional<int> account = DecimalOf<int>(line.substr(0, space));
    if (space == std::string_view::npos || !account || *account < 1 || *account > 3 ||
        !IsDigest(line.substr(space + 1)))
        return std::nullopt;
    digest = line.substr(space + 1);
    return static_cast<size_t>(*account - 1);
}

} // namespace

std::string MailboxDigest(const AccountRecord& record) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string text;
    for (const uint8_t byte : Sha256(record.server.Text() + '\n' + record.user)) {
        text += Hex[byte >> 4];
        text += Hex[byte & 15];
    }
    return text;
}

std::string EncodeAnnounced(const AnnouncedTable& table) {
    std::string text(FirstLine);
    text += '\n';
    for (size_t i = 0; i < table.size(); ++i) {
        if (!table[i])
            continue;
        text += std::string(AccountWord) + std::to_string(i + 1) + ' ' + table[i]->mailbox + '\n';
        for (const std::string& id : table[i]->ids)
            text += id + '\n';
    }
    return text;
}

std::optional<AnnouncedTable> DecodeAnnounced(std::string_view text) {
    if (!text.starts_with(FirstLine) || text.substr(FirstLine.size(), 1) != "\n")
        return std::nullopt;
    text.remove_prefix(FirstLine.size() + 1);
    AnnouncedTable table{};
    std::optional<AnnouncedIds>* current = nullptr;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt; // cut short
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        std::string digest;
        if (const std::optional<size_t> account = AccountLine(line, digest)) {
            current = &table[*account];
            if (*current)
                return std::nullopt; // twice
            *current = AnnouncedIds{std::move(digest), {}};
        } else if (current && IsId(line)) {
            (*current)->ids.emplace(line);
        } else {
            return std::nullopt;
        }
    }
    return table;
}

void AnnouncedRecord::Load() {
    if (!file_)
        return;
    const std::optional<std::string> text = file_->Read();
    if (!text)
        return;
    const std::optional<AnnouncedTable> table = DecodeAnnounced(*text);
    if (!table) {
        found_ = Found::Foreign;
        file_->KeepOriginal(); // not ours: kept as it was beside the one written
        return;
    }
    found_ = Found::Read;
    table_ = *table;
}

std::optional<ListedIds> AnnouncedRecord::Known(int account, const AccountRecord& record) const {
    const std::optional<AnnouncedIds>& kept = table_[static_cast<size_t>(account - 1)];
    if (!kept || kept->mailbox != MailboxDigest(record))
        return std::nullopt;
    return kept->ids;
}

bool AnnouncedRecord::Seen(int account, const AccountRecord& record, const ListedIds& ids) {
    const size_t index = static_cast<size_t>(account - 1);
    AnnouncedIds now{MailboxDigest(record), ids};
    std::optional<AnnouncedIds>& kept = table_[index];
    const bool allOthers = kept && kept->mailbox == now.mailbox && kept->ids.size() > 1 &&
                           ids.size() > 1 && std::ranges::none_of(ids, [&](const std::string& id) {
                               return kept->ids.contains(id);
                           });
    int& inRow = changedInRow_[index];
    inRow = allOthers ? inRow + 1 : 0;
    if (kept != now) {
        kept = std::move(now);
        if (file_)
            file_->Write(EncodeAnnounced(table_));
    }
    return inRow >= 2;
}

void AnnouncedRecord::Checked(int account, const AccountRecord& record) {
    if (!Known(account, record))
        Seen(account, record, {});
}

std::string AnnouncedRecord::NoteOnce(int account, const AccountRecord& record, bool counted) {
    bool& noted = noted_[static_cast<size_t>(account - 1)];
    if (!file_ || noted)
        return {};
    noted = true;
    if (counted) // said where a start announces again what an earlier run announced
        return Known(account, record) ? "the server gives no message ids: its mail is new "
                                        "again after each start"
                                      : "";
    switch (found_) {
    case Found::Nothing:
        return "no record of announced mail: all mail counts as new";
    case Found::Foreign:
        return "the record of announced mail was not kestrel's: all mail counts as new";
    case Found::Read:
        break;
    }
    return {};
}

} // namespace kestrel
