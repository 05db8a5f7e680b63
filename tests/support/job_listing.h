#pragma once

// One account's check run as the mail thread runs it, its reports gathered.

#include "mail/mail_jobs.h"
#include "pop3/pop3_client.h"

#include <memory>
#include <vector>

namespace kestrel::testing {

struct JobListing {
    std::vector<ListedMessage> lines;
    CheckReport last{.account = 0, .seenBefore = 0, .seenAfter = 0}; // the one with the outcome
};

inline JobListing CheckAccount(const AccountRecord& account, const ListedIdsValue& listed,
                               bool listNew = true) {
    JobListing listing;
    RunningClient running;
    CheckAccounts({{1, account, 0, listed, 0}}, listNew, {3000, 15000}, 1000, running,
                  [&](CheckReport report) {
                      for (ListedMessage& line : report.listed)
                          listing.lines.push_back(std::move(line));
                      listing.last = std::move(report);
                  });
    return listing;
}

} // namespace kestrel::testing
