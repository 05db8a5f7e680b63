// A whole POP3 session against a server made of the fuzz input: greeting, login, STAT, three
// headers, a deletion and QUIT, over replies cut into chunks of any size. Every failure must be
// one of the client's own, and every header's fields must come out.
#include "memory_peer.h"

#include "mail/mail_entry.h"
#include "net/exceptions.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::OnMemory<Pop3Client> pop(fuzzing::BytesOf(data, size), fuzzing::SeedOf(data, size));
    pop.SessionLimitMs = 2000;
    try {
        pop.OpenConnection(1000);
        pop.CountMessages();
        MailMessage message;
        for (int n = 1; n <= 3; ++n) {
            pop.FetchHeader(n, message);
            if (DisplayText(message).size() > 23 + 2 + 22)
                __builtin_trap();
            message.ResetMessage();
        }
        pop.DeleteMessage(1);
        pop.CloseConnection();
    } catch (const ClientError&) {
    } catch (const ConvertError&) { // STAT's count that is no number
    }
    return 0;
}
