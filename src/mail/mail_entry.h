#pragma once

#include "mail/account_outcome.h"
#include "message/mail_message.h"

#include <string>

namespace kestrel {

// Sender and subject as a list line shows them: the sender's first 23 characters cut before a
// "<", ": ", and the subject, cut to 20 characters and ".." when it is longer than 22. A
// character is one with its marks and modifiers; each part is isolated where its direction
// could reorder the rest. The line is only text: its account and number stay beside it in the
// mail watch's lines.
std::string DisplayText(const MailMessage& message);

// Sender and subject as a notification names them, with the room it has: the sender's name,
// or its address where it has none, cut to 40 characters; the subject cut to 120 and ".." where
// it is longer than 122. Each part is isolated as a list line's is.
NewMail NoticeNames(const MailMessage& message);

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
