#pragma once

#include "mail/account.h"
#include "ports/desktop.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrel {

class Pop3Client;

// The three accounts, what was seen of them, the new-mail signals and the mail list's lines.
class MailWatch {
  public:
    static constexpr int32_t CheckEveryTicks = 150;
    static constexpr int CheckConnectLimitMs = 3000;
    static constexpr int DeleteConnectLimitMs = 10000;
    // After the connect, one account's check or one deletion may take this long, and a check
    // lists this many messages at most; the rest wait for the next listing. Both keep a
    // server that never stops sending from holding the window.
    static constexpr int SessionLimitMs = 15000;
    static constexpr int32_t MostListedPerCheck = 1000;

    MailWatch(const Desktop& desktop, const TrayIconRecord& mailIcon);
    ~MailWatch();

    AccountTable accounts;
    std::array<int32_t, 3> lastSeenCount{};
    bool mailPending = false;
    bool mailCheckEnabled = false;
    int32_t mailTickCount = 0;
    // Makes the POP3 client of each check and deletion; tests stand in for a socket layer
    // that cannot start.
    std::function<std::unique_ptr<Pop3Client>()> newClient;

    // What each line of the mail list stands for, in the list's order.
    struct MailLine {
        int account;
        int number;           // the server's message number, in full
        std::string identity; // MessageIdentity of the listed header
    };
    const std::vector<MailLine>& Lines() const { return lines_; }
    void ForgetLines() { lines_.clear(); }

    // Whether the MailIcon is in the tray now, so that a new taskbar can get it back.
    bool MailIconShown() const { return mailIconShown_; }
    void AddMailIcon();
    void RemoveMailIcon();

    void CheckMail(bool listNew);
    // The timer's share: a plain check every 150 ticks while the settings enabled it.
    void CountTick();

    // Deletes the selected line's message on its server, after making sure the server's
    // message of that number is still the one the line shows. A line whose identity another
    // line of its account shares is never deleted: the check could not tell them apart.
    void DeleteSelectedMail();
    // Starts the mailto handler's program; the shell clears the list afterwards.
    void StartMailClient();

  private:
    void CheckAccount(int account, bool listNew);
    void ListNewMessages(Pop3Client& pop, int account, int32_t from, int32_t to);
    void Connect(Pop3Client& pop, int account, int limitMs);

    Desktop desktop_;
    const TrayIconRecord& mailIcon_;
    bool mailIconShown_ = false;
    std::vector<MailLine> lines_;
};

} // namespace kestrel
