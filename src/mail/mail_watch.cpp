#include "mail/mail_watch.h"

namespace kestrel {

void MailWatch::AddMailIcon() {
    tray_.Add(mailIcon_);
    mailIconShown_ = true;
}

void MailWatch::RemoveMailIcon() {
    tray_.Delete(mailIcon_);
    mailIconShown_ = false;
}

void MailWatch::CheckMail(bool listNew) {
    for (int account = 1; account <= 3; ++account) {
        if (!accounts[account - 1].active)
            continue;
        mailTickCount = 0;
        CheckAccount(account, listNew);
    }
    if (mailPending && !listNew) {
        AddMailIcon();
        desktop_.ShowControl(ControlName::MailMarkBox, true);
    }
}

void MailWatch::CountTick() {
    if (!mailCheckEnabled)
        return;
    if (mailTickCount >= CheckEveryTicks)
        CheckMail(false);
    ++mailTickCount;
}

} // namespace kestrel
