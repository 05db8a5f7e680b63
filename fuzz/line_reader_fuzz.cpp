// ReadLine over bytes that arrive in chunks of any size: the lines must be the input split at
// each LF with one CR before it dropped, whatever the chunking, and exactly the lines longer
// than the limit (counted with their CR) must raise.
#include "memory_peer.h"

#include "net/exceptions.h"

#include <cstdlib>
#include <string>

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = fuzzing::BytesOf(data, size);
    fuzzing::OnMemory<TcpConnection> connection(bytes, fuzzing::SeedOf(data, size));
    connection.MaxLineLength = 64;
    std::string_view rest = bytes;
    try {
        for (;;) {
            const std::string line = connection.ReadLine();
            if (line.empty() && connection.LineTimedOut)
                continue; // the peer closed behind a partial line: the next read raises
            const size_t lf = rest.find('\n');
            if (lf == std::string_view::npos)
                std::abort(); // a line without its LF must never come back
            std::string_view expected = rest.substr(0, lf);
            if (!expected.empty() && expected.back() == '\r')
                expected.remove_suffix(1);
            if (line != expected || lf > 64)
                std::abort();
            rest.remove_prefix(lf + 1);
        }
    } catch (const LineTooLong&) {
        const size_t lf = rest.find('\n');
        const size_t length = lf == std::string_view::npos ? rest.size() : lf;
        if (length <= 64)
            std::abort();
    } catch (const ClosedGracefully&) {
        if (rest.find('\n') != std::string_view::npos)
            std::abort(); // a whole line was left unread
    }
    return 0;
}
