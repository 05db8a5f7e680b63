// A header block into the header list and the message's fields: no value, however broken,
// may raise, and the list line built from it is UTF-8 of at most 51 characters (23 of the
// sender, ": ", 22 of the subject, two isolates around each).
#include "mail/mail_entry.h"
#include "message/mail_message.h"
#include "text/utf8.h"

#include <string_view>

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view block(reinterpret_cast<const char*>(data), size);
    MailMessage message;
    while (!block.empty()) {
        const size_t lf = block.find('\n');
        std::string line(block.substr(0, lf));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            message.HeaderLines.Add(std::move(line));
        block.remove_prefix(lf == std::string_view::npos ? block.size() : lf + 1);
    }
    message.ApplyHeaderFields();
    const std::string line = DisplayText(message);
    if (!IsUtf8(line) || GroupCount(line) > 51)
        __builtin_trap();
    // A notice's names: whole characters, within their room (each isolated by two at most).
    const NewMail named = NoticeNames(message);
    if (!IsUtf8(named.sender) || !IsUtf8(named.subject) || GroupCount(named.sender) > 42 ||
        GroupCount(named.subject) > 124)
        __builtin_trap();
    return 0;
}
