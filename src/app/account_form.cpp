#include "app/application.h"

#include "app/identifiers.h"

#include <vector>

namespace kestrel {

namespace {
constexpr int FirstRadioId = AccountRadio1Id;
}

void Application::StoreAccountForm(int account) {
    AccountRecord record;
    const int transfer = AccountTextLimit + 1; // the limit and the terminator
    record.server = desktop_.controls.GetText(ControlName::HostEdit, transfer);
    record.user = desktop_.controls.GetText(ControlName::UserEdit, transfer);
    record.password = desktop_.controls.GetText(ControlName::PasswordEdit, transfer);
    record.active = desktop_.controls.IsChecked(ControlName::ActiveCheck);
    record.signIn = mail_.Account(account).signIn; // set elsewhere, kept through the form
    mail_.StoreAccount(account, record);
}

void Application::SelectAccount(int radioId) {
    if (currentAccount_ > 0)
        StoreAccountForm(currentAccount_);
    currentAccount_ = radioId - FirstRadioId + 1;
    const AccountRecord& record = mail_.Account(currentAccount_);
    desktop_.controls.SetText(ControlName::HostEdit, record.server.Text());
    desktop_.controls.SetText(ControlName::UserEdit, record.user);
    desktop_.controls.SetText(ControlName::PasswordEdit, record.password);
    desktop_.controls.SetChecked(ControlName::ActiveCheck, record.active);
    mail_.States().ShowInForm(currentAccount_);
}

void Application::WatchConfirmedAccounts() {
    passwords_.Confirm(mail_.Accounts(),
                       [this](const KeptPasswords& passwords) { PasswordsTaken(passwords); });
    ShowPasswordNotes();
    std::vector<int> changed;
    for (int account = 1; account <= 3; ++account) {
        const AccountRecord& now = mail_.Account(account);
        if (now.active && now != formStart_[static_cast<size_t>(account - 1)])
            changed.push_back(account);
        if (now.active && now.CanLogIn())
            mail_.SetPeriodicCheck(true);
    }
    if (!changed.empty())
        mail_.CheckAccounts(changed);
}

} // namespace kestrel
