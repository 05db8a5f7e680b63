#pragma once

#include "mail/mail_jobs.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

// The new messages of a mailbox: how many, and the numbers (1-based places in the server's
// list) of the first of them that one listing lists, in ascending order.
struct NewMessages {
    int32_t count = 0;
    std::vector<int32_t> first;
};

// By id: what was not listed yet is new. Of the listed ids only those the server still has
// stay.
inline NewMessages NotListed(const std::vector<std::string>& ids, const ListedIds& listed,
                             int32_t most, ListedIds& stillThere) {
    NewMessages fresh;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (listed.contains(ids[i])) {
            stillThere.insert(ids[i]);
        } else if (fresh.count++ < most) {
            fresh.first.push_back(static_cast<int32_t>(i + 1));
        }
    }
    return fresh;
}

// Of those, the ones whose headers name them in a notice.
inline std::vector<int32_t> FirstNamed(const std::vector<int32_t>& first) {
    return {first.begin(), first.begin() + static_cast<std::ptrdiff_t>(
                                               std::min(first.size(), MostNamed))};
}

} // namespace kestrel
