#pragma once

// The multi-line lists a POP3 server answers with: CAPA's capabilities and UIDL's unique ids.
// Pure, so that any reply a server can send is tried by the fuzzer.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

struct Capabilities {
    bool pipelining = false;       // commands may be sent before the replies to earlier ones
    bool stls = false;             // STARTTLS is offered
    std::vector<std::string> sasl; // the AUTH mechanisms offered, upper-cased
    bool Offers(const std::string& mechanism) const;
};

// The lines of a positive CAPA reply, between its first line and the ".".
Capabilities ParseCapabilities(const std::vector<std::string>& lines);

// What a UIDL reply says of a mailbox of some count of messages.
struct UniqueIds {
    enum class State {
        Unsupported, // the server answered -ERR: new mail is counted
        Broken,      // the reply broke the rules: new mail is counted, and the user told
        Listed,
    };
    State state = State::Unsupported;
    std::vector<std::string> ids; // Listed: ids[n - 1] is message n's
    std::string fault;            // Broken: what broke the rules

    bool Listed() const { return state == State::Listed; }
    // The number of the message with that id, 0 when none has it.
    int32_t NumberOf(const std::string& id) const;
};

// At most this long, and only of the characters 0x21 to 0x7E.
constexpr size_t MostIdBytes = 70;

// The lines of a positive UIDL reply, between its first line and the ".". Each message from 1 to
// count has exactly one line "number id"; ids differ from each other.
UniqueIds ParseUniqueIds(const std::vector<std::string>& lines, int32_t count);

} // namespace kestrel
