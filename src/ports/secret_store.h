#pragma once

#include <optional>
#include <string>

namespace kestrel {

// How a store answered. NoStore: nothing answers (no Secret Service on the bus, no logon
// session); Refused: a store is there and said no (a locked keyring left shut, an error).
enum class SecretAnswer { Done, NotFound, NoStore, Refused };

struct SecretReply {
    SecretAnswer answer = SecretAnswer::Done;
    std::string secret; // what Get found
    std::string words;  // the store's own words on a failure, for the user
};

// The desktop's own store for secrets, kept by name (one name per account). Secrets are bytes,
// taken and given back as they are. Every call may block, for an unlock prompt or a slow bus:
// none may run on the GUI thread. Calls come from one thread at a time.
class SecretStore {
  public:
    virtual ~SecretStore() = default;
    // The store as the user knows it, to finish "password in ...": "the Secret Service".
    virtual std::string Name() const = 0;
    // Whether a store answers at all; asks nothing that could prompt.
    virtual bool Present() = 0;
    virtual SecretReply Put(const std::string& name, const std::string& secret) = 0;
    virtual SecretReply Get(const std::string& name) = 0;
    // Removing what is not there is no failure.
    virtual SecretReply Remove(const std::string& name) = 0;
};

// Writes the secret and reads it back: only a store that gives back what it took holds it.
// Nothing when it does; else why not.
inline std::optional<SecretReply> PutAndReadBack(SecretStore& store, const std::string& name,
                                                 const std::string& secret) {
    const SecretReply put = store.Put(name, secret);
    if (put.answer != SecretAnswer::Done)
        return put;
    const SecretReply back = store.Get(name);
    if (back.answer == SecretAnswer::Done && back.secret == secret)
        return std::nullopt;
    if (back.answer == SecretAnswer::NoStore || back.answer == SecretAnswer::Refused)
        return back;
    return SecretReply{SecretAnswer::Refused, {}, "it did not give back what it took"};
}

} // namespace kestrel
