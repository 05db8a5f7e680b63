#pragma once

#include "ports/secret_store.h"

#include <array>
#include <optional>
#include <string>

namespace kestrel {

// The name an account's password is kept under in the store.
std::string SecretName(int account);

// One account's password and where it lives. In the store, the file holds none.
struct KeptPassword {
    std::string password;
    bool inStore = false;
    bool operator==(const KeptPassword&) const = default;
};
using KeptPasswords = std::array<KeptPassword, 3>; // accounts 1 to 3

// What a round of store calls made of the passwords. After a failure the round asks the store
// nothing more: one locked keyring is one unlock prompt, not one per account.
struct StoreRound {
    KeptPasswords passwords;
    std::optional<SecretReply> failure; // the call that failed
    std::array<bool, 3> missing{};      // marked as kept, and not found in the store
};

// At start, on a thread of its own: the passwords kept in the store are fetched, and those
// found in the file move into it. A move writes the secret, reads it back, and only then marks
// the password as kept, so the file is rewritten without it only once the store surely holds
// it. A password the file and the store both hold stays marked and comes from the store.
StoreRound TakePasswords(SecretStore& store, const KeptPasswords& found);

// After the account form, on that thread: a changed password is put into the store and read
// back; one emptied is removed from it. Accounts that did not change are not asked about.
StoreRound StorePasswords(SecretStore& store, const KeptPasswords& before,
                          const KeptPasswords& now);

} // namespace kestrel
