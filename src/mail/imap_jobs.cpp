#include "mail/imap_jobs.h"

#include "imap/imap_client.h"
#include "mail/job_client.h"
#include "mail/mail_entry.h"
#include "mail/new_messages.h"
#include "text/conversion.h"

#include <exception>
#include <map>

namespace kestrel {

namespace {

// The unread messages of the mailbox, oldest first: their ids and their keys.
struct Unread {
    uint32_t uidValidity = 0;
    std::vector<uint32_t> uids;
    std::vector<std::string> keys;
};

Unread UnreadIn(ImapClient& imap, uint32_t uidValidity) {
    Unread unread;
    unread.uidValidity = uidValidity;
    unread.uids = imap.UnseenIds();
    for (const uint32_t uid : unread.uids)
        unread.keys.push_back(ImapMessageKey(uidValidity, uid));
    return unread;
}

// A header asked for that did not come stays new, to be asked for at the next listing; one
// that did not come twice counts as listed, so that a server that never sends it is not asked
// for ever. Gone since the search, it is not searched again either.
void NotSent(const std::string& key, const ListedIds& before, ListedIds& listed,
             ListedIds& unanswered) {
    if (before.contains(key))
        listed.insert(key);
    unanswered.insert(key);
}

// Lists the messages at those places of the unread list, each line reported as it is made, in
// the order the server sends them (its own, oldest first). A message counts as listed once its
// line is made, or once its header broke a bound.
void ListMessages(ImapClient& imap, const Unread& unread, const std::vector<int32_t>& places,
                  const ListedIds& unansweredBefore, CheckReport& report, ListedIds& listed,
                  const CheckReports& send, std::vector<NewMail>& named) {
    std::map<uint32_t, int32_t> placeOf;
    for (const int32_t n : places)
        placeOf[unread.uids[static_cast<size_t>(n - 1)]] = n;
    std::vector<uint32_t> uids;
    for (const auto& [uid, n] : placeOf)
        uids.push_back(uid);
    imap.AskForHeaders(uids);
    MailMessage message;
    try {
        while (const std::optional<uint32_t> uid = imap.NextHeader(message)) {
            const int32_t n = placeOf.at(*uid);
            const std::string& key = unread.keys[static_cast<size_t>(n - 1)];
            listed.insert(key);
            if (!report.listed.empty()) {
                send(report);
                report.listed.clear();
            }
            if (named.size() < MostNamed)
                named.push_back(NoticeNames(message));
            report.listed.push_back({n, DisplayText(message),
                                     MessageIdentity(message), key});
            message.ResetMessage();
            placeOf.erase(*uid);
        }
    } catch (...) {
        if (!FetchWasCutShort(std::current_exception()) && imap.BrokenHeader())
            listed.insert(ImapMessageKey(unread.uidValidity, *imap.BrokenHeader()));
        throw;
    }
    ListedIds unanswered;
    for (const auto& [uid, n] : placeOf)
        NotSent(unread.keys[static_cast<size_t>(n - 1)], unansweredBefore, listed, unanswered);
    report.unanswered = std::make_shared<const ListedIds>(std::move(unanswered));
}

// The first new messages' names for the notice, oldest first: at most MostNamed headers
// whatever the count. One gone since the search is not named.
std::vector<NewMail> NamesOf(ImapClient& imap, const Unread& unread,
                             const std::vector<int32_t>& places) {
    std::vector<uint32_t> uids;
    for (const int32_t n : FirstNamed(places))
        uids.push_back(unread.uids[static_cast<size_t>(n - 1)]);
    imap.AskForHeaders(uids);
    std::map<uint32_t, NewMail> byUid; // the unread list's order: ascending ids
    MailMessage message;
    while (const std::optional<uint32_t> uid = imap.NextHeader(message)) {
        byUid[*uid] = NoticeNames(message);
        message.ResetMessage();
    }
    std::vector<NewMail> named;
    for (auto& [uid, mail] : byUid)
        named.push_back(std::move(mail));
    return named;
}

} // namespace

std::string ImapMessageKey(uint32_t uidValidity, uint32_t uid) {
    return std::to_string(uidValidity) + ":" + std::to_string(uid);
}

std::optional<ImapMessageId> ParseImapMessageKey(const std::string& key) {
    const size_t colon = key.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const std::optional<uint32_t> validity =
        DecimalOf<uint32_t>(std::string_view(key).substr(0, colon));
    const std::optional<uint32_t> uid =
        DecimalOf<uint32_t>(std::string_view(key).substr(colon + 1));
    if (!validity || !uid)
        return std::nullopt;
    return ImapMessageId{*validity, *uid};
}

namespace {

void CheckImapAccount(const AccountToCheck& input, bool listNew, const MailJobLimits& limits,
                      int32_t mostListed, const ClientMakers& makers, RunningClient& running,
                      const CheckReports& send) {
    CheckReport report{.account = input.account,
                       .seenBefore = input.seen,
                       .seenAfter = input.seen,
                       .listedEpoch = input.listedEpoch};
    ListedIds listed; // the listed ones the server still holds unread, and those listed now
    bool searched = false;
    std::vector<std::string> keys; // of every unread message
    const auto talk = [&](ImapClient& imap, MailStep& step) {
        step = MailStep::Select;
        const ImapClient::Mailbox inbox = imap.OpenInbox(true);
        step = MailStep::Search;
        const Unread unread = UnreadIn(imap, inbox.uidValidity);
        keys = unread.keys;
        report.idPrefix = ImapMessageKey(inbox.uidValidity, 0);
        report.idPrefix.pop_back();
        const NewMessages fresh = NotListed(unread.keys, IdsIn(input.listed), mostListed, listed);
        searched = true;
        report.found = fresh.count > 0;
        std::vector<NewMail> named;
        if (listNew && report.found) {
            step = MailStep::Fetch;
            ListMessages(imap, unread, fresh.first, IdsIn(input.unansweredBefore), report, listed,
                         send, named);
        } else if (input.nameNew && report.found) {
            step = MailStep::Fetch;
            named = NamesOrNone(imap, [&] { return NamesOf(imap, unread, fresh.first); });
        }
        step = MailStep::Logout;
        imap.CloseConnection();
        AccountOutcome outcome = SucceededWith(static_cast<int32_t>(inbox.messages), fresh.count);
        outcome.named = std::move(named);
        if (const size_t missing = IdsIn(report.unanswered).size())
            AddRemark(outcome, "the server did not send " + std::to_string(missing) +
                                   (missing == 1 ? " header" : " headers"));
        return outcome;
    };
    report.outcome = Converse(makers.imap, input.account, input.record, limits, running, makers.tokens, talk);
    // Without a search nothing is known of the mailbox: what was listed stays listed.
    report.listedAfter =
        searched ? std::make_shared<const ListedIds>(std::move(listed)) : input.listed;
    if (searched)
        report.onServer = std::make_shared<const ListedIds>(keys.begin(), keys.end());
    send(std::move(report));
}

DeletionResult DeleteImapMessage(const LineToDelete& line, const MailJobLimits& limits,
                                 const ClientMakers& makers, RunningClient& running) {
    DeletionResult result{.outcome = SucceededWith(-1, 0)};
    // A line listed before its account's field named this server cannot name its message here.
    const std::optional<ImapMessageId> id = ParseImapMessageKey(line.uid);
    if (!id)
        return {.outcome = MessageGone()};
    const auto talk = [&](ImapClient& imap, MailStep& step) {
        step = MailStep::Select;
        if (imap.OpenInbox(false).uidValidity != id->uidValidity) {
            imap.CloseConnection();
            return MessageGone(); // its ids no longer name what they named
        }
        step = MailStep::Fetch;
        MailMessage message;
        const uint32_t uids[] = {id->uid};
        imap.AskForHeaders(uids);
        const bool found = imap.NextHeader(message).has_value();
        while (imap.NextHeader(message)) {
        }
        if (!found) {
            result.outcome = MessageGone();
        } else if (MessageIdentity(message) == line.identity) {
            step = MailStep::Store;
            imap.FlagDeleted(id->uid);
            if (imap.Has("UIDPLUS") || imap.Has("IMAP4REV2")) {
                step = MailStep::Expunge;
                imap.ExpungeOnly(id->uid);
            } else {
                result.stays = true;
                result.outcome.remark = "only flagged \\Deleted: the server cannot remove one "
                                        "message alone (no UIDPLUS)";
            }
            result.deleted = true;
        }
        step = MailStep::Logout;
        imap.CloseConnection();
        return result.outcome;
    };
    result.outcome = Converse(makers.imap, line.account, line.record, limits, running, makers.tokens, talk);
    return result;
}

} // namespace

const ProtocolJobs ImapJobs{CheckImapAccount, DeleteImapMessage};

} // namespace kestrel
