// What an account's server field says about where and how to connect.
#include "mail/server_field.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(ServerFieldTest, FormsOfTheField) {
    using E = ServerEndpoint;
    constexpr MailProtocol I = MailProtocol::Imap;
    const std::pair<std::string, std::optional<E>> rows[] = {
        {"pop.example.org", E{"pop.example.org", 110, false}},
        {"192.0.2.7", E{"192.0.2.7", 110, false}},
        {"", E{"", 110, false}}, // as today: the lookup of nothing fails
        {"pop.example.org:1110", E{"pop.example.org", 1110, false}},
        {"pop.example.org:995", E{"pop.example.org", 995, true}},
        {"pop.example.org:65535", E{"pop.example.org", 65535, false}},
        {"pop3s://pop.example.org", E{"pop.example.org", 995, true}},
        {"POP3S://pop.example.org:1995", E{"pop.example.org", 1995, true}},
        {"pop3s://localhost:110", E{"localhost", 110, true}},
        {"pop3://pop.example.org", E{"pop.example.org", 110, false}},
        {"pop3://pop.example.org:995", E{"pop.example.org", 995, true}},
        {"pop.example.org:", std::nullopt},
        {"pop.example.org:0", std::nullopt},
        {"pop.example.org:65536", std::nullopt},
        {"pop.example.org:99999999999", std::nullopt},
        {"pop.example.org:11o", std::nullopt},
        {"pop.example.org:-1", std::nullopt},
        {"pop.example.org: 110", std::nullopt},
        {"a:1:2", std::nullopt},
        {"imaps://mail.example.org", E{"mail.example.org", 993, true, I}},
        {"IMAPS://mail.example.org:1993", E{"mail.example.org", 1993, true, I}},
        {"mail.example.org:993", E{"mail.example.org", 993, true, I}},
        {"imap://mail.example.org", E{"mail.example.org", 143, false, I}},
        {"imap://mail.example.org:993", E{"mail.example.org", 993, true, I}},
        {"imap://mail.example.org:995", E{"mail.example.org", 995, false, I}},
        {"pop3://mail.example.org:993", E{"mail.example.org", 993, false}},
        {"mail.example.org:143", E{"mail.example.org", 143, false}}, // a port alone names no IMAP
        {"imaps://", std::nullopt},
        {"imap4://mail.example.org", std::nullopt},
        {"pop3s://", std::nullopt},
        {"pop3s://:995", std::nullopt},
        // a TLS port never turns STARTTLS into TLS from the first byte
        {"imap+starttls://mail.example.org:993", E{"mail.example.org", 993, false, I, true}},
    };
    for (const auto& [field, endpoint] : rows)
        EXPECT_EQ(ParseServerField(field), endpoint) << field;
}

} // namespace
} // namespace kestrel
