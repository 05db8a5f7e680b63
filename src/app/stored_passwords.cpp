#include "app/application.h"

#include "app/identifiers.h"

namespace kestrel {

// The mail waits for the passwords the store keeps; one that only moves into the store is at
// hand already.
void Application::StartPasswords() {
    const bool started =
        passwords_.Start([this](const KeptPasswords& passwords) { PasswordsTaken(passwords); });
    ShowPasswordNotes();
    if (!started || !passwords_.Fetching())
        mail_.StartWatching();
}

void Application::PasswordsTaken(const KeptPasswords& passwords) {
    const bool waited = !mail_.Watching();
    for (int account = 1; account <= 3; ++account) {
        const size_t i = static_cast<size_t>(account - 1);
        AccountRecord record = mail_.Account(account);
        if (!record.password.empty() || passwords[i].password.empty())
            continue;
        record.password = passwords[i].password;
        mail_.StoreAccount(account, record);
        formStart_[i].password = record.password;
        if (record.active)
            mail_.SetPeriodicCheck(true);
        // The form shows it unless the user typed there meanwhile.
        if (account == currentAccount_ &&
            desktop_.controls.GetText(ControlName::PasswordEdit, AccountTextLimit + 1).empty())
            desktop_.controls.SetText(ControlName::PasswordEdit, record.password);
    }
    // A move is written down once the store holds the password: the file then drops it.
    if (passwords_.FileBehind()) {
        WriteSettings(settingsFile_, GatherSettings());
        passwords_.FileWritten();
    }
    ShowPasswordNotes();
    if (waited)
        mail_.StartWatching();
}

void Application::ShowPasswordNotes() {
    for (int account = 1; account <= 3; ++account)
        mail_.States().SetPasswordNote(account, passwords_.NoteFor(account));
}

} // namespace kestrel
