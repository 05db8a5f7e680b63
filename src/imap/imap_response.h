#pragma once

// IMAP responses as the server sends them (RFC 9051, and what RFC 3501 servers answer): tagged
// and untagged status responses, untagged data, continuation requests. Parsing is pure: the
// client reads a response's lines and literals within its bounds, and this makes sense of them.

#include "net/exceptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::imap {

// A response that breaks the grammar where the client needs to understand it.
class ResponseError : public ClientError {
  public:
    explicit ResponseError(const std::string& why)
        : ClientError("unreadable IMAP response: " + why) {}
};

// One item of a response's data: an atom (NIL, numbers, flags such as \Seen and section names
// such as BODY[HEADER] are atoms), a string (quoted or literal, its bytes as meant), or a
// parenthesised list.
struct Item {
    enum class Type { Atom, String, List };
    Type type = Type::Atom;
    std::string text;        // an atom's or a string's bytes
    std::vector<Item> items; // a list's
    bool operator==(const Item&) const = default;

    // An atom of that name, whatever its case.
    bool IsAtom(std::string_view name) const;
    // An atom of decimal digits that fits 32 bits.
    std::optional<uint32_t> Number() const;
};

struct Response {
    enum class Kind { Untagged, Tagged, Continuation };
    Kind kind = Kind::Untagged;
    std::string tag;         // a tagged response's
    std::string status;      // OK, NO, BAD, BYE or PREAUTH, upper-cased; empty for data
    std::string code;        // a status response's code inside [ ], without them: "UIDVALIDITY 3"
    std::string text;        // the words after the code; a continuation's text
    std::vector<Item> items; // untagged data: "3" "EXISTS"; "CAPABILITY" "IMAP4rev1" …;
                             // "5" "FETCH" (…)
    bool operator==(const Response&) const = default;
};

// A response as read: its lines without their CRLF, each but the last ending in the
// announcement of a literal, and the bytes of each literal, in order.
struct RawResponse {
    std::vector<std::string> lines;
    std::vector<std::string> literals;
};

// The size of the literal a line announces at its end, "{12}" or "{12+}"; nothing when it
// announces none, or a size beyond 32 bits.
std::optional<uint64_t> LiteralAnnounced(std::string_view line);

// Raises ResponseError for a response it cannot make sense of, among them a status response or
// continuation request that comes with a literal. Lists nest at most this deep.
inline constexpr int MostListDepth = 32;
Response ParseResponse(const RawResponse& raw);

} // namespace kestrel::imap
