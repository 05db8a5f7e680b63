#include "mail/account_states.h"

#include "text/utf8.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace kestrel {

namespace {

std::string Counted(int32_t fresh) {
    return std::to_string(fresh) + (fresh == 1 ? " new message" : " new messages");
}

// "Alice: Hello" for each of a few, "20 new messages, first from Alice, Bob" for more; the count
// alone where the headers did not all come.
std::vector<std::string> MailNotices(const std::string& name, const AccountOutcome& outcome) {
    const std::vector<NewMail>& named = outcome.named;
    const size_t fresh = static_cast<size_t>(outcome.fresh);
    if (fresh <= MostNamed && named.size() == fresh) {
        std::vector<std::string> notices;
        for (const NewMail& mail : named) {
            std::string text = name;
            for (const std::string& part : {mail.sender, mail.subject})
                text += part.empty() ? "" : ": " + part;
            notices.push_back(text == name ? name + ": " + Counted(1) : text);
        }
        return notices;
    }
    std::string text = name + ": " + Counted(outcome.fresh);
    std::vector<std::string> senders;
    for (const NewMail& mail : named) {
        if (!mail.sender.empty() && std::ranges::find(senders, mail.sender) == senders.end())
            senders.push_back(mail.sender);
    }
    for (size_t i = 0; i < senders.size(); ++i)
        text += (i == 0 ? ", first from " : ", ") + senders[i];
    return {text};
}

} // namespace

std::vector<std::string> NoticesFor(int account, const AccountOutcome& outcome,
                                    NoticeHistory& history) {
    const std::string name = "account " + std::to_string(account);
    if (outcome.IsOk()) {
        history.lastFailure.clear();
        history.failuresInRow = 0;
        const bool freshMail = outcome.fresh > 0 && !history.mailPending;
        history.mailPending = history.mailPending || outcome.fresh > 0;
        const bool recovered = !history.reportedFailure.empty();
        history.reportedFailure.clear();
        std::vector<std::string> notices;
        if (recovered)
            notices.push_back(name + " works again");
        if (freshMail)
            std::ranges::move(MailNotices(name, outcome), std::back_inserter(notices));
        return notices;
    }
    if (outcome.kind == AccountOutcome::Kind::Gone)
        return {}; // the account works: another client was quicker
    if (outcome.kind == AccountOutcome::Kind::Offline)
        return {}; // the machine's state, shown in the status, not each account's fault
    const std::string failure = StatusText(outcome);
    history.failuresInRow = failure == history.lastFailure ? history.failuresInRow + 1 : 1;
    history.lastFailure = failure;
    if (history.failuresInRow < 2 || failure == history.reportedFailure)
        return {};
    history.reportedFailure = failure;
    return {name + ": " + failure};
}

AccountStates::AccountStates(Controls& controls, Tray& tray, TrayIconRecord noticeIcon)
    : controls_(controls), tray_(tray), noticeIcon_(std::move(noticeIcon)) {}

void AccountStates::Take(int account, const AccountOutcome& outcome) {
    newest_[static_cast<size_t>(account - 1)] = outcome;
    for (const std::string& notice :
         NoticesFor(account, outcome, history_[static_cast<size_t>(account - 1)]))
        tray_.Notify(noticeIcon_, NoticeTitle,
                     CutText(notice, std::string::npos, std::string::npos, NoticeTextUnits));
    if (account == formAccount_)
        ShowStatus();
}

void AccountStates::ShowInForm(int account) {
    formAccount_ = account;
    ShowStatus();
}

void AccountStates::SetPasswordNote(int account, std::string note) {
    passwordNotes_[static_cast<size_t>(account - 1)] = std::move(note);
    if (account == formAccount_)
        ShowStatus();
}

void AccountStates::MailTakenNotice() {
    for (NoticeHistory& history : history_)
        history.mailPending = false;
}

void AccountStates::ShowStatus() {
    if (formAccount_ < 1 || formAccount_ > 3)
        return;
    const std::optional<AccountOutcome>& outcome = Newest(formAccount_);
    std::string text = outcome ? StatusText(*outcome) : std::string();
    const std::string& note = passwordNotes_[static_cast<size_t>(formAccount_ - 1)];
    if (!note.empty())
        text += (text.empty() ? "" : "; ") + note;
    controls_.SetText(ControlName::StatusLine, text);
}

std::string AccountStates::Tooltip() const {
    std::string text;
    for (int account = 1; account <= 3; ++account) {
        const std::optional<AccountOutcome>& outcome = Newest(account);
        if (!outcome)
            continue;
        if (!text.empty())
            text += "  ";
        text += std::to_string(account) + ": " + ShortText(*outcome);
    }
    return CutText(text, std::string::npos, std::string::npos, TooltipUnits);
}

} // namespace kestrel
