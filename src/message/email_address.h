#pragma once

#include "net/exceptions.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class AddressParseError : public ClientError {
  public:
    AddressParseError() : ClientError("@ Outside-Adresse") {}
};

// One e-mail address with its display name.
class EmailAddress {
  public:
    std::string Address; // without angle brackets
    std::string Name;    // without enclosing quotes

    // The display text: the name (quoted where it needs it), a blank and the address in angle
    // brackets, or the address alone.
    std::string Text() const;
    // Parses a header value into Name and Address; raises AddressParseError for an "@" after
    // a closed angle-bracket address.
    void SetText(std::string_view value);
    std::string AddressText() const;
};

using EmailAddressList = std::vector<EmailAddress>;

// Splits a list value into items; group names are dropped, empty pieces removed. An exception
// from one item leaves the items before it in the list.
void ParseAddressList(std::string_view value, EmailAddressList& list);

} // namespace kestrel
