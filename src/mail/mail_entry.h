#pragma once

#include "message/mail_message.h"

#include <string>

namespace kestrel {

inline constexpr size_t MailEntrySize = 51;

// Sender and subject as a list line shows them: the sender's first 23 characters cut before a
// "<", ": ", and the subject, cut to 20 characters and ".." when it is longer than 22.
std::string DisplayText(const MailMessage& message);

// The 51-byte MailListEntry: the display text padded with blanks to 48 bytes, the account, the
// message number's low byte (a blank for 0, which would end the line) and the terminating 0.
std::string MailListEntry(const std::string& displayText, int account, int number);

// What tells one message from another: a digest of its whole header block as the server sent
// it, so that two messages differ in it unless their headers are the same to the byte.
std::string MessageIdentity(const MailMessage& message);

// The mailto handler's command as the e-mail client is started from it: the text from the first
// "%" is dropped and double quotes removed; the program is the file, what follows it the
// parameters.
struct ProgramStart {
    std::string file;
    std::string parameters;
    bool operator==(const ProgramStart&) const = default;
};
std::string WithoutPlaceholderAndQuotes(const std::string& command);
ProgramStart MailClientStart(const std::string& command);

} // namespace kestrel
