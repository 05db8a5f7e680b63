#include "mail/account_states.h"

#include "text/utf8.h"

#include <algorithm>
#include <utility>

namespace kestrel {

std::optional<std::string> NoticeFor(int account, const AccountOutcome& outcome,
                                     NoticeHistory& history) {
    const std::string name = "account " + std::to_string(account);
    if (outcome.IsOk()) {
        history.lastFailure.clear();
        history.failuresInRow = 0;
        const bool freshMail = outcome.fresh > 0 && !history.mailPending;
        history.mailPending = history.mailPending || outcome.fresh > 0;
        const bool recovered = !history.reportedFailure.empty();
        history.reportedFailure.clear();
        const std::string fresh =
            std::to_string(outcome.fresh) + (outcome.fresh == 1 ? " new message" : " new messages");
        if (recovered)
            return name + " works again" + (freshMail ? ": " + fresh : std::string());
        if (freshMail)
            return name + ": " + fresh;
        return std::nullopt;
    }
    if (outcome.kind == AccountOutcome::Kind::Gone)
        return std::nullopt; // the account works: another client was quicker
    if (outcome.kind == AccountOutcome::Kind::Offline)
        return std::nullopt; // the machine's state, shown in the status, not each account's fault
    const std::string failure = StatusText(outcome);
    history.failuresInRow = failure == history.lastFailure ? history.failuresInRow + 1 : 1;
    history.lastFailure = failure;
    if (history.failuresInRow < 2 || failure == history.reportedFailure)
        return std::nullopt;
    history.reportedFailure = failure;
    return name + ": " + failure;
}

AccountStates::AccountStates(Controls& controls, Tray& tray, TrayIconRecord noticeIcon)
    : controls_(controls), tray_(tray), noticeIcon_(std::move(noticeIcon)) {}

void AccountStates::Take(int account, const AccountOutcome& outcome) {
    newest_[static_cast<size_t>(account - 1)] = outcome;
    const std::optional<std::string> notice =
        NoticeFor(account, outcome, history_[static_cast<size_t>(account - 1)]);
    if (notice)
        tray_.Notify(noticeIcon_, NoticeTitle,
                     CutText(*notice, std::string::npos, std::string::npos, NoticeTextUnits));
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
