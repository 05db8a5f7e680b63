// What is new, and what a deletion deletes, where the server tells its messages apart by
// unique id: against mailboxes that other clients change between two checks, on servers with
// UIDL, with and without PIPELINING; and servers whose UIDL breaks the rules.
#include "mail/account_outcome.h"
#include "pop3/header_fetches.h"
#include "pop3/pop3_client.h"
#include "support/mail_fixture.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::testing {
namespace {

using enum ControlName;

std::vector<Pop3Mailbox::Message> Numbered(std::vector<int> numbers) {
    std::vector<Pop3Mailbox::Message> messages;
    for (int n : numbers)
        messages.push_back(Mail("a@b.c", std::to_string(n)));
    return messages;
}

// "a@b.c: 4" and the like: the text each line shows, without the account and number behind it.
std::vector<std::string> Shown(const std::vector<std::string>& lines) {
    std::vector<std::string> shown;
    for (const std::string& line : lines) {
        const std::string text = line.substr(0, 47);
        shown.push_back(text.substr(0, text.find_last_not_of(' ') + 1));
    }
    return shown;
}

std::vector<std::string> ShownOf(std::vector<int> numbers) {
    std::vector<std::string> shown;
    for (int n : numbers)
        shown.push_back("a@b.c: " + std::to_string(n));
    return shown;
}

struct ServerKind {
    const char* name;
    MailboxFeatures features;
};

void PrintTo(const ServerKind& kind, std::ostream* out) {
    *out << kind.name;
}

class UniqueIdTest : public MailTest, public ::testing::WithParamInterface<ServerKind> {
  protected:
    Pop3Mailbox Box(std::vector<int> numbers) {
        return Pop3Mailbox(Numbered(std::move(numbers)), 8, GetParam().features);
    }
    void CloseList() { Tray(1035, TrayMouse::LeftButtonUp); }
    std::vector<std::string> Sent(const Pop3Mailbox& box, const std::string& prefix) {
        std::vector<std::string> sent;
        for (const std::string& command : box.Commands()) {
            if (command.starts_with(prefix))
                sent.push_back(command);
        }
        return sent;
    }
};

// One message went elsewhere and one came: the count is the same, the new one is still new.
TEST_P(UniqueIdTest, ARemovedAndAnAddedMessageShowOnlyTheNewOne) {
    Pop3Mailbox box = Box({1, 2, 3});
    StartCompact();
    Account(1, box.port());
    OpenList();
    EXPECT_EQ(Shown(Lines()), ShownOf({1, 2, 3}));
    Click(OkButtonId); // clear and close
    box.Replace(Numbered({2, 3, 4}));
    Check();
    EXPECT_TRUE(mail().MailPending());
    EXPECT_EQ(mail().States().Newest(1)->fresh, 1);
    OpenList();
    EXPECT_EQ(Shown(Lines()), ShownOf({4}));
}

// The mailbox shrank below what was listed, then grew: nothing listed is listed again, and of
// the ids only those still on the server are kept.
TEST_P(UniqueIdTest, AShrunkMailboxListsNothingTwice) {
    Pop3Mailbox box = Box({1, 2, 3});
    StartCompact();
    Account(1, box.port());
    OpenList();
    CloseList();
    box.Replace(Numbered({3, 5}));
    OpenList();
    EXPECT_EQ(Shown(Lines()), ShownOf({1, 2, 3, 5}));
    EXPECT_EQ(mail().ListedIdsOf(1), (ListedIds{Pop3Mailbox::IdOf(Numbered({3})[0]),
                                                Pop3Mailbox::IdOf(Numbered({5})[0])}));
    EXPECT_EQ(mail().SeenCounts()[0], 2);
    Click(MailMarkBoxId); // lists everything again
    EXPECT_EQ(Shown(Lines()), ShownOf({1, 2, 3, 5, 3, 5}));

    // Message 3 shows twice: deleting one line deletes it once, and both lines go.
    desk.control(MailListBox).selection = 2;
    Menu(CmdDeleteMail);
    EXPECT_EQ(box.Messages(), Numbered({5}));
    EXPECT_EQ(Shown(Lines()), ShownOf({1, 2, 5, 5}));
}

// The mark is clicked while a listing's results are on their way: what that listing hands back
// is not taken, so the listing the mark asked for lists every message again.
TEST_P(UniqueIdTest, WhatTheMarkForgotStaysForgotten) {
    Pop3Mailbox box = Box({1, 2, 3});
    StartCompact();
    Account(1, box.port());
    app->OnTrayCallback(1035, TrayMouse::LeftButtonUp);          // the listing starts
    box.Commands();                                              // and its session ends
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // its results are posted
    app->OnCommand(MailMarkBoxId, Clicked, true);                // before the window took them
    Settle();
    EXPECT_EQ(Shown(Lines()), ShownOf({1, 2, 3, 1, 2, 3}));
}

// The account is changed to another mailbox whose server numbers its ids alike: nothing of the
// old mailbox counts there, and a line of the old one deletes nothing on the new.
TEST_P(UniqueIdTest, AnotherMailboxStartsAfreshAndItsTwinIdsDeleteNothing) {
    const MailboxFeatures byNumber{[](const std::vector<Pop3Mailbox::Message>& messages) {
                                       std::string lines;
                                       for (size_t n = 1; n <= messages.size(); ++n)
                                           lines += std::to_string(n) + " same" +
                                                    std::to_string(n) + "\r\n";
                                       return lines;
                                   },
                                   GetParam().features.pipelining};
    Pop3Mailbox first(Numbered({1, 2}), 4, byNumber), second(Numbered({7, 8}), 4, byNumber);
    StartCompact();
    Account(1, first.port());
    OpenList();
    CloseList();
    Account(1, second.port());
    desk.control(MailListBox).selection = 0; // "1", of the first mailbox
    Menu(CmdDeleteMail);
    EXPECT_EQ(second.Messages(), Numbered({7, 8}));
    EXPECT_TRUE(Sent(second, "DELE").empty());
    OpenList();
    EXPECT_EQ(Shown(Lines()), ShownOf({1, 2, 7, 8}));
}

// Message 1 went elsewhere: line 3 is deleted where its message stands now, and nothing else;
// line 1's message is gone, so its deletion deletes nothing and says so.
TEST_P(UniqueIdTest, ADeletionFindsItsMessageWhereverItStands) {
    Pop3Mailbox box = Box({1, 2, 3});
    StartCompact();
    Account(1, box.port());
    OpenList();
    box.Replace(Numbered({2, 3}));
    desk.control(MailListBox).selection = 2;
    Menu(CmdDeleteMail);
    EXPECT_EQ(box.Messages(), Numbered({2}));
    EXPECT_EQ(Sent(box, "DELE"), (std::vector<std::string>{"DELE 2"}));
    EXPECT_EQ(Shown(Lines()), ShownOf({1, 2}));

    desk.control(MailListBox).selection = 0;
    Menu(CmdDeleteMail);
    EXPECT_EQ(box.Messages(), Numbered({2}));
    EXPECT_EQ(Sent(box, "DELE"), (std::vector<std::string>{"DELE 2"}));
    EXPECT_EQ(Shown(Lines()), ShownOf({2})) << "the line goes with the answer";
    EXPECT_EQ(StatusText(*mail().States().Newest(1)), "the message is no longer on the server");
    EXPECT_EQ(Sent(box, "TOP"),
              (std::vector<std::string>{"TOP 1 0", "TOP 2 0", "TOP 3 0", "TOP 2 0"}))
        << "line 3's message found by its id at 2, and its header checked there; line 1's id "
           "is gone, so nothing is fetched for it";
}

INSTANTIATE_TEST_SUITE_P(Servers, UniqueIdTest,
                         ::testing::Values(ServerKind{"Uidl", {Pop3Mailbox::GoodUidl, false}},
                                           ServerKind{"UidlPipelining",
                                                      {Pop3Mailbox::GoodUidl, true}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Every header of a listing, in order, on each kind of server; where it allows pipelining,
// the commands run a window ahead of the replies, and no further.
TEST_F(MailTest, PipeliningSendsAWindowOfCommandsAheadAndNoMore) {
    const struct {
        const char* name;
        MailboxFeatures features;
        size_t ahead; // bytes of TOP commands sent before the first reply
    } rows[] = {
        {"neither", {}, 0},
        {"UIDL", {Pop3Mailbox::GoodUidl, false}, 0},
        // TOP 2 0 to TOP 9 0, then TOP 10 0 to TOP 32 0
        {"PIPELINING", {nullptr, true}, 8 * 9 + 23 * 10},
        {"both", {Pop3Mailbox::GoodUidl, true}, 8 * 9 + 23 * 10},
    };
    static_assert(HeaderFetches::MostAhead == 32);
    std::vector<int> numbers;
    for (int n = 1; n <= 40; ++n)
        numbers.push_back(n);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Pop3Mailbox box(Numbered(numbers), 4, row.features);
        StartCompact();
        Lines().clear(); // the desktop outlives each row's application
        Account(1, box.port());
        OpenList();
        EXPECT_EQ(Shown(Lines()), ShownOf(numbers));
        EXPECT_EQ(box.AheadAtFirstTop(), row.ahead);
        EXPECT_EQ(mail().SeenCounts()[0], 40);
    }
}

// A UIDL reply that breaks the rules: the session counts, as servers without UIDL are checked,
// and the account's status says why.
TEST_F(MailTest, AUidlThatBreaksTheRulesFallsBackToCounting) {
    const auto lines = [](std::vector<std::string> lines) {
        return [lines](const std::vector<Pop3Mailbox::Message>&) {
            std::string all;
            for (const std::string& line : lines)
                all += line + "\r\n";
            return all;
        };
    };
    const struct {
        const char* name;
        MailboxFeatures::UidList uidl;
        const char* fault;
    } rows[] = {
        {"an id of 71 characters", lines({"1 a", "2 " + std::string(71, 'x')}),
         "UIDL gave an id that is no id"},
        {"a space in an id", lines({"1 a", "2 b c"}), "UIDL gave an id that is no id"},
        {"the same id twice", lines({"1 a", "2 a"}), "UIDL gave one id to two messages"},
        {"a number out of range", lines({"1 a", "3 b"}), "UIDL gave a message number out of range"},
        {"one message twice", lines({"1 a", "1 b"}), "UIDL gave two ids for one message"},
        {"a message left out", lines({"1 a"}), "UIDL gave 1 ids for 2 messages"},
        {"more ids than messages", lines({"1 a", "2 b", "3 c"}),
         "UIDL gave more than 2 ids or ids too long"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Pop3Mailbox box(Numbered({1, 2}), 4, {row.uidl, false});
        StartCompact();
        Lines().clear();
        Account(1, box.port());
        OpenList();
        EXPECT_EQ(Shown(Lines()), ShownOf({1, 2}));
        EXPECT_EQ(mail().SeenCounts()[0], 2);
        EXPECT_TRUE(mail().ListedIdsOf(1).empty());
        EXPECT_EQ(StatusText(*mail().States().Newest(1)),
                  "ok: 2 messages, 2 new; " + std::string(row.fault) + ": new mail counted");
    }
}

// A UIDL that runs out of time fails that check; the account's next checks count instead of
// failing the same way every five minutes, until the mark forgets what was listed.
TEST_F(MailTest, AUidlThatRanOutOfTimeIsNotAskedAgain) {
    MailboxFeatures slow{[](const std::vector<Pop3Mailbox::Message>& messages) {
                             std::this_thread::sleep_for(
                                 std::chrono::milliseconds(MessageClient::ReplyLimitMs + 500));
                             return Pop3Mailbox::GoodUidl(messages);
                         },
                         false};
    Pop3Mailbox box(Numbered({1, 2}), 6, slow);
    StartCompact();
    Account(1, box.port());
    Check();
    EXPECT_EQ(StatusText(*mail().States().Newest(1)), "timed out: UIDL");
    const size_t asked = box.Commands().size();
    OpenList();
    EXPECT_EQ(Shown(Lines()), ShownOf({1, 2}));
    EXPECT_EQ(StatusText(*mail().States().Newest(1)),
              "ok: 2 messages, 2 new; UIDL failed before: new mail counted");
    const std::vector<std::string> commands = box.Commands();
    EXPECT_EQ(
        std::count(commands.begin() + static_cast<std::ptrdiff_t>(asked), commands.end(), "UIDL"),
        0);
}

} // namespace
} // namespace kestrel::testing
