#include "mail/pop3_jobs.h"

#include "mail/job_client.h"
#include "mail/mail_entry.h"
#include "mail/new_messages.h"
#include "pop3/header_fetches.h"
#include "pop3/pop3_client.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

namespace kestrel {

namespace {

// Lists the messages of those numbers in order, each line reported as it is made. A message
// counts as listed (done) once its line is made, or once its server refused or garbled its
// header.
void ListMessages(Pop3Client& pop, const std::vector<int32_t>& numbers, const UniqueIds& ids,
                  CheckReport& report, const std::function<void(int32_t)>& done,
                  const CheckReports& send, std::vector<NewMail>& named) {
    MailMessage message;
    HeaderFetches fetches(pop, numbers);
    while (!fetches.Done()) {
        const int32_t n = fetches.NextNumber();
        try {
            fetches.Next(message);
        } catch (...) {
            if (!FetchWasCutShort(std::current_exception()))
                done(n);
            throw;
        }
        if (named.size() < MostNamed)
            named.push_back(NoticeNames(message));
        report.listed.push_back({n, DisplayText(message),
                                 MessageIdentity(message),
                                 ids.Listed() ? ids.ids[static_cast<size_t>(n - 1)] : ""});
        done(n);
        message.ResetMessage();
        if (!fetches.Done()) {
            send(report);
            report.listed.clear();
            report.seenBefore = report.seenAfter;
        }
    }
}

// The first new messages' names for the notice, at most MostNamed headers whatever the count.
std::vector<NewMail> NamesOf(Pop3Client& pop, const std::vector<int32_t>& numbers) {
    std::vector<NewMail> named;
    MailMessage message;
    HeaderFetches fetches(pop, FirstNamed(numbers));
    while (!fetches.Done()) {
        fetches.Next(message);
        named.push_back(NoticeNames(message));
        message.ResetMessage();
    }
    return named;
}

// By count: what is behind the seen count is new; a mailbox that shrank below it is new again.
NewMessages CountedAsNew(CheckReport& report, int32_t count, int32_t most) {
    if (count < report.seenAfter)
        report.seenAfter = 0;
    NewMessages fresh{count - report.seenAfter, {}};
    for (int32_t n = report.seenAfter + 1; n <= count && n - report.seenAfter <= most; ++n)
        fresh.first.push_back(n);
    return fresh;
}

// The first messages that were all listed.
int32_t ListedPrefix(const UniqueIds& ids, const ListedIds& listed) {
    int32_t n = 0;
    while (static_cast<size_t>(n) < ids.ids.size() &&
           listed.contains(ids.ids[static_cast<size_t>(n)]))
        ++n;
    return n;
}

UniqueIds UidlFailedBefore() {
    UniqueIds ids;
    ids.state = UniqueIds::State::Broken;
    ids.fault = "UIDL failed before";
    return ids;
}

// What was listed before, by id: after checks that counted, the first seen messages too, so
// that ids coming back list nothing twice.
ListedIds KnownBefore(const AccountToCheck& input, const UniqueIds& ids) {
    ListedIds known = IdsIn(input.listed);
    if (input.countedBefore) {
        const size_t seen = std::min(static_cast<size_t>(std::max(input.seen, 0)), ids.ids.size());
        known.insert(ids.ids.begin(), ids.ids.begin() + static_cast<std::ptrdiff_t>(seen));
    }
    return known;
}

AccountOutcome CountedBecause(const UniqueIds& ids, int32_t count, int32_t fresh) {
    AccountOutcome outcome = SucceededWith(count, fresh);
    if (ids.state == UniqueIds::State::Broken)
        outcome.remark = ids.fault + ": new mail counted";
    return outcome;
}

void CheckPop3Account(const AccountToCheck& input, bool listNew, const MailJobLimits& limits,
                      int32_t mostListed, const ClientMakers& makers, RunningClient& running,
                      const CheckReports& send) {
    CheckReport report{.account = input.account,
                       .seenBefore = input.seen,
                       .seenAfter = input.seen,
                       .listedEpoch = input.listedEpoch};
    UniqueIds ids;
    ListedIds listed; // by id: the ones still on the server, and those listed now
    const auto talk = [&](Pop3Client& pop, MailStep& step) {
        step = MailStep::Stat;
        const int32_t count = pop.CountMessages();
        step = MailStep::Uidl;
        ids = input.countOnly ? UidlFailedBefore() : pop.ListUniqueIds(count);
        report.counted = !ids.Listed();
        const NewMessages fresh =
            ids.Listed() ? NotListed(ids.ids, KnownBefore(input, ids), mostListed, listed)
                         : CountedAsNew(report, count, mostListed);
        report.found = fresh.count > 0;
        std::vector<NewMail> named;
        if (listNew && report.found) {
            step = MailStep::Top;
            const auto done = [&](int32_t n) {
                if (ids.Listed())
                    listed.insert(ids.ids[static_cast<size_t>(n - 1)]);
                else
                    report.seenAfter = n;
            };
            ListMessages(pop, fresh.first, ids, report, done, send, named);
        } else if (input.nameNew && report.found) {
            step = MailStep::Top;
            named = NamesOrNone(pop, [&] { return NamesOf(pop, fresh.first); });
        }
        step = MailStep::Quit;
        pop.CloseConnection();
        AccountOutcome outcome = CountedBecause(ids, count, fresh.count);
        outcome.named = std::move(named);
        return outcome;
    };
    report.outcome = Converse(makers.pop3, input.account, input.record, limits, running, makers.tokens, talk);
    if (ids.Listed()) {
        report.onServer = std::make_shared<const ListedIds>(ids.ids.begin(), ids.ids.end());
        report.seenAfter = ListedPrefix(ids, listed);
        report.listedAfter = std::make_shared<const ListedIds>(std::move(listed));
    }
    send(std::move(report));
}

// Where the line's message stands now: by its id where both have them, otherwise at its
// number; 0 when the header there is not the listed one, or the id is gone.
int32_t FindListedMessage(Pop3Client& pop, const LineToDelete& line, MailStep& step,
                          DeletionResult& result) {
    int32_t number = line.number;
    if (!line.uid.empty()) {
        step = MailStep::Stat;
        const int32_t count = pop.CountMessages();
        step = MailStep::Uidl;
        const UniqueIds ids = pop.ListUniqueIds(count);
        if (ids.Listed()) {
            number = ids.NumberOf(line.uid);
            if (number == 0) {
                result.outcome = MessageGone();
                return 0;
            }
        }
    }
    MailMessage message;
    step = MailStep::Top;
    pop.FetchHeader(number, message);
    return MessageIdentity(message) == line.identity ? number : 0;
}

DeletionResult DeletePop3Message(const LineToDelete& line, const MailJobLimits& limits,
                                 const ClientMakers& makers, RunningClient& running) {
    DeletionResult result{.outcome = SucceededWith(-1, 0), .renumbers = true};
    result.outcome =
        Converse(makers.pop3, line.account, line.record, limits, running, makers.tokens, [&](Pop3Client& pop, MailStep& step) {
            const int32_t number = FindListedMessage(pop, line, step, result);
            // The server removes a marked message only at a positive QUIT.
            step = MailStep::Dele;
            if (number > 0) {
                pop.DeleteMessage(number);
                step = MailStep::Quit;
                result.deleted = pop.Quit();
                result.number = number;
            } else {
                pop.CloseConnection();
            }
            return result.outcome;
        });
    return result;
}

} // namespace

const ProtocolJobs Pop3Jobs{CheckPop3Account, DeletePop3Message};

} // namespace kestrel
