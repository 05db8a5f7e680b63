#include "app/password_keeper.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

namespace kestrel {

namespace {

constexpr const char* FileName = "kestrel.ini";

// What went wrong, in words that finish "the Secret Service ...".
std::string Why(const SecretReply& failure) {
    std::string why = failure.answer == SecretAnswer::NoStore ? "is not there" : "refused";
    if (!failure.words.empty())
        why += " (" + failure.words + ")";
    return why;
}

} // namespace

PasswordKeeper::PasswordKeeper(Services& services, SecretStore* store)
    : services_(services), store_(store) {
    if (store_)
        thread_ = std::thread(Work, queue_);
}

// A round held up in the store (a prompt nobody answers) must not hold up the exit.
PasswordKeeper::~PasswordKeeper() {
    *alive_ = false;
    if (!thread_.joinable())
        return;
    std::unique_lock lock(queue_->mutex);
    queue_->ending = true;
    queue_->wake.notify_all();
    const bool idle = queue_->idle.wait_for(lock, std::chrono::seconds(1), [this] {
        return !queue_->busy && queue_->rounds.empty();
    });
    lock.unlock();
    if (idle)
        thread_.join();
    else
        thread_.detach();
}

void PasswordKeeper::Work(std::shared_ptr<Queue> queue) {
    std::unique_lock lock(queue->mutex);
    for (;;) {
        queue->wake.wait(lock, [&] { return queue->ending || !queue->rounds.empty(); });
        if (queue->ending && queue->rounds.empty())
            return;
        std::function<void()> round = std::move(queue->rounds.front());
        queue->rounds.pop_front();
        queue->busy = true;
        lock.unlock();
        round();
        lock.lock();
        queue->busy = false;
        queue->idle.notify_all();
    }
}

void PasswordKeeper::Found(const SettingsValues& values) {
    for (size_t i = 0; i < kept_.size(); ++i)
        kept_[i] = {values.accounts[i].password, values.passwordsInStore[i]};
    fileMarks_ = values.passwordsInStore;
}

SettingsValues PasswordKeeper::ForFile(SettingsValues values) const {
    for (size_t i = 0; i < kept_.size(); ++i) {
        // Only what the store holds as it is leaves the file; a password changed since (the
        // form stores one when another account is chosen) stays in it.
        std::string& password = values.accounts[i].password;
        values.passwordsInStore[i] = kept_[i].inStore && password == kept_[i].password;
        if (values.passwordsInStore[i])
            password.clear();
    }
    return values;
}

std::array<bool, 3> PasswordKeeper::Marks() const {
    std::array<bool, 3> marks{};
    for (size_t i = 0; i < kept_.size(); ++i)
        marks[i] = kept_[i].inStore;
    return marks;
}

bool PasswordKeeper::Start(RoundEnded ended) {
    const bool anything = std::ranges::any_of(
        kept_, [](const KeptPassword& kept) { return kept.inStore || !kept.password.empty(); });
    if (!store_ || !anything)
        return false;
    fetching_ = std::ranges::any_of(kept_, [](const KeptPassword& kept) { return kept.inStore; });
    Run(kept_,
        [found = kept_](SecretStore& store) {
            if (!store.Present())
                return StoreRound{found, SecretReply{SecretAnswer::NoStore, {}, {}}, {}};
            return TakePasswords(store, found);
        },
        std::move(ended));
    return true;
}

bool PasswordKeeper::Fetching() const {
    return fetching_;
}

void PasswordKeeper::Confirm(const AccountTable& accounts, RoundEnded ended) {
    const KeptPasswords before = kept_;
    KeptPasswords now = kept_;
    bool changed = false;
    for (size_t i = 0; i < kept_.size(); ++i) {
        if (accounts[i].password == kept_[i].password)
            continue;
        changed = true;
        now[i].password = accounts[i].password;
        // Until the store says it holds the new password, the file does.
        kept_[i] = {accounts[i].password, false};
        missing_[i] = false;
    }
    if (!store_ || !changed || failure_)
        return;
    Run(kept_, [before, now](SecretStore& store) { return StorePasswords(store, before, now); },
        std::move(ended));
}

void PasswordKeeper::Run(const KeptPasswords& asked,
                         std::function<StoreRound(SecretStore&)> round, RoundEnded ended) {
    std::weak_ptr<bool> alive = alive_;
    SecretStore* store = store_;
    Services* services = &services_;
    auto task = [asked, round = std::move(round), ended = std::move(ended), alive, store,
                 services, this] {
        StoreRound result = round(*store);
        services->Post([result = std::move(result), asked, ended, alive, this] {
            if (alive.expired())
                return;
            --roundsWaiting_;
            Take(asked, result);
            ended(kept_);
        });
    };
    ++roundsWaiting_;
    std::lock_guard lock(queue_->mutex);
    queue_->rounds.push_back(std::move(task));
    queue_->wake.notify_all();
}

void PasswordKeeper::Take(const KeptPasswords& asked, const StoreRound& round) {
    fetching_ = false;
    for (size_t i = 0; i < kept_.size(); ++i) {
        // A password the user changed while the round ran stays as the user left it.
        if (kept_[i] == asked[i])
            kept_[i] = round.passwords[i];
        missing_[i] = missing_[i] || round.missing[i];
    }
    if (round.failure && !failure_) {
        failure_ = round.failure;
        const std::string said = store_->Name() + " " + Why(*failure_) + ": passwords stay in " +
                                 FileName + " in this run";
        std::fprintf(stderr, "kestrel: %s\n", said.c_str());
    }
}

std::string PasswordKeeper::NoteFor(int account) const {
    if (!store_)
        return {};
    const size_t i = static_cast<size_t>(account - 1);
    const KeptPassword& kept = kept_[i];
    if (failure_) {
        const std::string failed = store_->Name() + " " + Why(*failure_);
        if (kept.inStore && kept.password.empty())
            return failed + ": its password for this account is not at hand";
        if (!kept.password.empty() && !kept.inStore)
            return failed + ": password kept in " + std::string(FileName);
    }
    if (missing_[i])
        return "no password in " + store_->Name();
    if (kept.inStore)
        return "password in " + store_->Name();
    if (!kept.password.empty())
        return std::string("password in ") + FileName;
    return {};
}

} // namespace kestrel
