#include "settings/secret_keeping.h"

namespace kestrel {

namespace {

bool Failed(const SecretReply& reply) {
    return reply.answer == SecretAnswer::NoStore || reply.answer == SecretAnswer::Refused;
}

std::optional<SecretReply> Move(SecretStore& store, int account, const std::string& secret) {
    return PutAndReadBack(store, SecretName(account), secret);
}

} // namespace

std::string SecretName(int account) {
    return "account " + std::to_string(account);
}

StoreRound TakePasswords(SecretStore& store, const KeptPasswords& found) {
    StoreRound round{found, std::nullopt, {}};
    for (int account = 1; account <= 3 && !round.failure; ++account) {
        KeptPassword& kept = round.passwords[static_cast<size_t>(account - 1)];
        if (kept.inStore) {
            const SecretReply got = store.Get(SecretName(account));
            if (got.answer == SecretAnswer::Done) {
                kept.password = got.secret;
                continue;
            }
            if (got.answer != SecretAnswer::NotFound) {
                round.failure = got;
                break;
            }
            // Gone from the store (removed there by hand): a password the file still holds
            // moves in again.
            kept.inStore = false;
            round.missing[static_cast<size_t>(account - 1)] = kept.password.empty();
        }
        if (!kept.password.empty()) {
            round.failure = Move(store, account, kept.password);
            kept.inStore = !round.failure;
        }
    }
    return round;
}

StoreRound StorePasswords(SecretStore& store, const KeptPasswords& before,
                          const KeptPasswords& now) {
    StoreRound round{now, std::nullopt, {}};
    for (int account = 1; account <= 3 && !round.failure; ++account) {
        const size_t i = static_cast<size_t>(account - 1);
        KeptPassword& kept = round.passwords[i];
        if (kept.password == before[i].password)
            continue;
        if (kept.password.empty()) {
            if (!before[i].inStore)
                continue;
            const SecretReply removed = store.Remove(SecretName(account));
            if (Failed(removed))
                round.failure = removed;
            kept.inStore = false;
        } else {
            round.failure = Move(store, account, kept.password);
            kept.inStore = !round.failure;
        }
    }
    return round;
}

} // namespace kestrel
