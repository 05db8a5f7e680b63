// Mail in many scripts and character sets, listed from Dovecot over POP3 and IMAP by a user
// whose name and password are Cyrillic.
#include "support/job_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kestrel {
namespace {

namespace fs = std::filesystem;

struct Row {
    std::string from, subject; // as the header has them
    std::string line;          // as the list shows them
};

// clang-format off
const Row Rows[] = {
    {"=?UTF-8?B?0JjQstCw0L0=?= <ivan@example.ru>", "=?UTF-8?B?0J/RgNC40LLQtdGCLCDQvNC40YA=?=",
     "\"Иван\" : Привет, мир"},
    {"a@example.ru", "=?ISO-8859-5?B?v+DY0tXi?=", "a@example.ru: Привет"},
    {"a@example.ru", "=?KOI8-R?B?896j1A==?=", "a@example.ru: Счёт"},
    {"=?ISO-8859-7?B?w+n+8ePv8g==?= <g@example.gr>", "=?UTF-8?B?zpjOrc68zrE=?=",
     "\"Γιώργος\" : Θέμα"},
    {"a@example.eg", "=?UTF-8?B?2YXYsdit2KjYpw==?=", "a@example.eg: \u2068مرحبا\u2069"},
    {"=?UTF-8?B?15PXldeT?= <d@example.il>", "=?ISO-8859-8?B?+ezl7Q==?=",
     "\u2068\"דוד\" \u2069: \u2068שלום\u2069"},
    {"=?UTF-8?B?5bGx55Sw?= <y@example.jp>", "=?SHIFT_JIS?B?k/qWe4zqgsyDgYFbg4s=?=",
     "\"山田\" : 日本語のメール"},
    {"a@example.jp", "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", "a@example.jp: 日本語"},
    {"=?UTF-8?B?546L5Lyf?= <w@example.cn>", "=?GB2312?B?xOO6w8rAvec=?=", "\"王伟\" : 你好世界"},
    {"a@example.cn", "=?GBK?B?6Ua7+Q==?=", "a@example.cn: 镕基"},
    {"a@example.tw", "=?BIG5?B?u0/GV7ZspfM=?=", "a@example.tw: 臺灣郵件"},
    {"a@example.org", "=?UTF-8?B?8J+RjfCfj70g8J+RqeKAjfCfkrsgR3LDvMOfZQ==?=",
     "a@example.org: 👍🏽 👩‍💻 Grüße"},
    {"=?ISO-8859-1?Q?J=F6rg?= <j@example.de>", "=?ISO-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=",
     "\"Jörg\" : Grüße aus Köln"},
    {"a@example.de", "Raw UTF-8: Grüße", "a@example.de: Raw UTF-8: Grüße"},
};
// clang-format on

std::string Pop3Server() {
    const char* server = std::getenv("KESTREL_DOVECOT");
    return server ? server : "";
}

// The messages as a mail delivery puts them into the mailbox, once for every test.
void Deliver() {
    const fs::path inbox = fs::path(KESTREL_DOVECOT_DIR) / u8"mail/иван/Maildir/new";
    for (size_t i = 0; i < std::size(Rows); ++i) {
        const fs::path file = inbox / ("30000000" + std::to_string(10 + i) + ".M.kestrel");
        if (!fs::exists(file))
            std::ofstream(file, std::ios::binary) << "From: " << Rows[i].from << "\r\nSubject: "
                                                  << Rows[i].subject << "\r\n\r\nBody.\r\n";
    }
}

TEST(ScriptsDovecotTest, EveryScriptShowsInTheListOverPop3AndImap) {
    if (Pop3Server().empty())
        GTEST_FAIL() << "KESTREL_DOVECOT is not set: run through ctest";
    Deliver();
    std::vector<std::string> want;
    for (const Row& row : Rows)
        want.push_back(row.line);
    std::ranges::sort(want);
    const std::string imap =
        "imap://" + Pop3Server().substr(0, Pop3Server().find(':')) + ":" + KESTREL_IMAP_PORT;
    for (const std::string& server : {Pop3Server(), imap}) {
        SCOPED_TRACE(server);
        const testing::JobListing listing =
            testing::CheckAccount({server, "иван", "пароль", true}, nullptr);
        ASSERT_TRUE(listing.last.outcome);
        EXPECT_TRUE(listing.last.outcome->IsOk()) << StatusText(*listing.last.outcome);
        std::vector<std::string> lines;
        for (const ListedMessage& message : listing.lines)
            lines.push_back(message.entry);
        std::ranges::sort(lines);
        EXPECT_EQ(lines, want);
    }
}

} // namespace
} // namespace kestrel
