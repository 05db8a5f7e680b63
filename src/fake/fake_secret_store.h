#pragma once

#include "ports/secret_store.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// A store in memory that records every call. It can be absent, refuse everything, or fail
// from its nth call on (a crash in the middle of a move, a keyring locked while it runs).
class FakeSecretStore : public SecretStore {
  public:
    std::map<std::string, std::string> secrets;
    bool present = true;
    SecretAnswer failWith = SecretAnswer::Refused;
    std::optional<int> failFromCall; // 0: every call fails
    std::vector<std::string> calls;  // "put account 1", "get account 2", ...

    std::string Name() const override { return "the test store"; }
    bool Present() override { return present; }
    SecretReply Put(const std::string& name, const std::string& secret) override {
        if (auto failed = Fail("put " + name))
            return *failed;
        secrets[name] = secret;
        return {};
    }
    SecretReply Get(const std::string& name) override {
        if (auto failed = Fail("get " + name))
            return *failed;
        const auto found = secrets.find(name);
        if (found == secrets.end())
            return {SecretAnswer::NotFound, {}, {}};
        return {SecretAnswer::Done, found->second, {}};
    }
    SecretReply Remove(const std::string& name) override {
        if (auto failed = Fail("remove " + name))
            return *failed;
        return {secrets.erase(name) ? SecretAnswer::Done : SecretAnswer::NotFound, {}, {}};
    }
    std::vector<std::string> Calls() {
        std::lock_guard lock(mutex_);
        return calls;
    }

  private:
    std::optional<SecretReply> Fail(std::string call) {
        std::lock_guard lock(mutex_);
        calls.push_back(std::move(call));
        if (!present)
            return SecretReply{SecretAnswer::NoStore, {}, "not there"};
        if (failFromCall && static_cast<int>(calls.size()) > *failFromCall)
            return SecretReply{failWith, {}, "locked"};
        return std::nullopt;
    }

    std::mutex mutex_;
};

} // namespace kestrel
