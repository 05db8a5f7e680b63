#pragma once

// The mail watch through the shell: accounts on servers of the test's own, and the mail list.

#include "mail/mail_watch.h"
#include "support/pop3_mailbox.h"
#include "support/shell_fixture.h"

#include <string>
#include <vector>

namespace kestrel::testing {

inline Pop3Mailbox::Message Mail(const std::string& from, const std::string& subject,
                                 const std::string& id = "") {
    Pop3Mailbox::Message m{"From: " + from, "Subject: " + subject};
    if (!id.empty())
        m.push_back("Message-Id: " + id);
    return m;
}

class MailTest : public ShellTest {
  protected:
    // Account n (1 to 3) on a server of the test's own.
    void Account(int n, uint16_t port, bool active = true) {
        mail().StoreAccount(n, {"127.0.0.1:" + std::to_string(port), "user", "pw", active});
    }
    MailWatch& mail() { return app->Mail(); }
    std::vector<std::string>& Lines() { return desk.control(ControlName::MailListBox).items; }
    void OpenList() { Tray(1035, TrayMouse::LeftButtonUp); }
};

} // namespace kestrel::testing
