#pragma once

#include "mail/account.h"
#include "platform/desktop.h"

#include <array>
#include <cstdint>

namespace kestrel {

// The three accounts, what was seen of them, and the new-mail signals.
class MailWatch {
  public:
    static constexpr int32_t CheckEveryTicks = 150;

    MailWatch(Desktop& desktop, Tray& tray, const TrayIconRecord& mailIcon)
        : desktop_(desktop), tray_(tray), mailIcon_(mailIcon) {}

    AccountTable accounts;
    std::array<int32_t, 3> lastSeenCount{};
    bool mailPending = false;
    bool mailCheckEnabled = false;
    int32_t mailTickCount = 0;

    // Whether the MailIcon is in the tray now, so that a new taskbar can get it back.
    bool MailIconShown() const { return mailIconShown_; }
    void AddMailIcon();
    void RemoveMailIcon();

    void CheckMail(bool listNew);
    // The timer's share: a plain check every 150 ticks while the settings enabled it.
    void CountTick();

    // The list actions; they reach the servers once the POP3 client is in place.
    void DeleteSelectedMail() {}
    void StartMailClient() {}

  private:
    // One account's conversation with its server; arrives with the POP3 client.
    void CheckAccount(int account, bool listNew) {
        (void)account;
        (void)listNew;
    }

    Desktop& desktop_;
    Tray& tray_;
    const TrayIconRecord& mailIcon_;
    bool mailIconShown_ = false;
};

} // namespace kestrel
