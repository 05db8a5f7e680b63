// A whole POP3 session against a server made of the fuzz input (with STARTTLS on half the
// seeds): greeting, CAPA, login, STAT,
// UIDL, three headers (pipelined where CAPA allows it), a deletion and QUIT, over replies cut
// into chunks of any size. Every failure must be one of the client's own, every header's fields
// must come out, and ids taken as listed must keep the rules.
#include "memory_peer.h"

#include "mail/mail_entry.h"
#include "net/exceptions.h"
#include "pop3/header_fetches.h"
#include "text/conversion.h"
#include "text/utf8.h"

#include <set>

using namespace kestrel;

namespace {

void CheckIds(const UniqueIds& ids, int count) {
    if (!ids.Listed())
        return;
    if (ids.ids.size() != static_cast<size_t>(count))
        __builtin_trap();
    std::set<std::string> distinct;
    for (const std::string& id : ids.ids) {
        if (id.empty() || id.size() > MostIdBytes || !distinct.insert(id).second)
            __builtin_trap();
        for (const char c : id) {
            if (c < 0x21 || c > 0x7E)
                __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::OnMemory<Pop3Client> pop(fuzzing::BytesOf(data, size), fuzzing::SeedOf(data, size));
    pop.SessionLimitMs = 2000;
    // the memory peer can never complete STARTTLS: no login may reach it
    pop.UseStartTls = (fuzzing::SeedOf(data, size) & 0x80) != 0;
    try {
        pop.OpenConnection(1000);
        const int count = pop.CountMessages();
        CheckIds(pop.ListUniqueIds(count), count);
        MailMessage message;
        HeaderFetches fetches(pop, {1, 2, 3});
        while (!fetches.Done()) {
            fetches.Next(message);
            const std::string line = DisplayText(message);
            if (!IsUtf8(line) || GroupCount(line) > 51)
                __builtin_trap();
            message.ResetMessage();
        }
        pop.DeleteMessage(1);
        pop.CloseConnection();
    } catch (const ClientError&) {
    } catch (const ConvertError&) { // STAT's count that is no number
    }
    if (pop.UseStartTls && pop.Sent.find("PASS") != std::string::npos)
        __builtin_trap();
    return 0;
}
