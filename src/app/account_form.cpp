#include "app/application.h"

#include "app/identifiers.h"

namespace kestrel {

namespace {
constexpr int FirstRadioId = AccountRadio1Id;
}

void Application::StoreAccountForm(int account) {
    AccountRecord& record = mail.accounts[account - 1];
    const int transfer = AccountTextLimit + 1; // the limit and the terminator
    record.host = desktop_.controls.GetText(ControlName::HostEdit, transfer);
    record.user = desktop_.controls.GetText(ControlName::UserEdit, transfer);
    record.password = desktop_.controls.GetText(ControlName::PasswordEdit, transfer);
    record.active = desktop_.controls.IsChecked(ControlName::ActiveCheck);
}

void Application::SelectAccount(int radioId) {
    if (currentAccount > 0)
        StoreAccountForm(currentAccount);
    currentAccount = radioId - FirstRadioId + 1;
    const AccountRecord& record = mail.accounts[currentAccount - 1];
    desktop_.controls.SetText(ControlName::HostEdit, record.host);
    desktop_.controls.SetText(ControlName::UserEdit, record.user);
    desktop_.controls.SetText(ControlName::PasswordEdit, record.password);
    desktop_.controls.SetChecked(ControlName::ActiveCheck, record.active);
}

} // namespace kestrel
