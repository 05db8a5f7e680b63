#pragma once

#include "mail/account.h"
#include "ports/secret_store.h"
#include "ports/services.h"
#include "settings/secret_keeping.h"
#include "settings/settings.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kestrel {

// Keeps the accounts' passwords in the desktop's store where one works and in kestrel.ini
// where none does, and says which. The store is asked on a thread of the keeper's own, one
// round at a time; what a round found comes back to the GUI thread through Services::Post.
// A store that failed once is not asked again in this run: one unlock prompt at most, and a
// password kept in one place is never moved to another without the user's edit.
class PasswordKeeper {
  public:
    // Without a store every password stays in the file and nothing is said.
    PasswordKeeper(Services& services, SecretStore* store);
    ~PasswordKeeper();
    PasswordKeeper(const PasswordKeeper&) = delete;
    PasswordKeeper& operator=(const PasswordKeeper&) = delete;

    // The passwords as the file gives them, and which of them the store keeps.
    void Found(const SettingsValues& values);
    // The values to write: a password the store keeps is left out of the file.
    SettingsValues ForFile(SettingsValues values) const;

    // On the GUI thread, with the passwords as they now are, once a round has ended.
    using RoundEnded = std::function<void(const KeptPasswords&)>;
    // At start: the kept passwords are fetched and the file's move into the store. False
    // when there is nothing to ask (no store, no password): ended is then never called.
    bool Start(RoundEnded ended);
    // Whether the passwords that the mail needs are still being fetched.
    bool Fetching() const;
    // After the form: changed passwords go into the store, emptied ones leave it.
    void Confirm(const AccountTable& accounts, RoundEnded ended);

    // Rounds asked for whose end the GUI thread has not taken yet.
    int RoundsWaiting() const { return roundsWaiting_; }
    // Where the account's password lives, or why it is not where it should be.
    std::string NoteFor(int account) const;
    // The file still says otherwise than the store holds: a move was made since it was read.
    bool FileBehind() const { return fileMarks_ != Marks(); }
    void FileWritten() { fileMarks_ = Marks(); }

  private:
    // The store's thread and its queue, shared with the thread: a thread held up in a store
    // call at exit is left behind, not waited for.
    struct Queue {
        std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable idle;
        std::deque<std::function<void()>> rounds;
        bool busy = false;
        bool ending = false;
    };
    static void Work(std::shared_ptr<Queue> queue);

    // asked: the passwords as the round found them; a password changed since is kept.
    void Run(const KeptPasswords& asked, std::function<StoreRound(SecretStore&)> round,
             RoundEnded ended);
    void Take(const KeptPasswords& asked, const StoreRound& round);
    std::array<bool, 3> Marks() const;

    Services& services_;
    SecretStore* store_;
    KeptPasswords kept_{};               // as the last round left them
    std::optional<SecretReply> failure_; // the store's one failure in this run
    std::array<bool, 3> missing_{};
    std::array<bool, 3> fileMarks_{}; // as the file says
    bool fetching_ = false;
    int roundsWaiting_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::shared_ptr<Queue> queue_ = std::make_shared<Queue>();
    std::thread thread_;
};

} // namespace kestrel
