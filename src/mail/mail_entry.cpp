#include "mail/mail_entry.h"

#include "text/sha256.h"
#include "text/text_ops.h"
#include "text/utf8.h"

#include <algorithm>

namespace kestrel {

std::string DisplayText(const MailMessage& message) {
    std::string sender = CutText(message.From.Text(), 23);
    sender = sender.substr(0, sender.find('<'));
    std::string subject = message.Subject;
    if (GroupCount(subject) > 22)
        subject = CutText(subject, 20) + "..";
    return IsolatedDirection(sender) + ": " + IsolatedDirection(subject);
}

std::string MessageIdentity(const MailMessage& message) {
    std::string block;
    for (const std::string& line : message.HeaderLines.Lines)
        block.append(line).append("\r\n");
    const auto digest = Sha256(block);
    return std::string(digest.begin(), digest.end());
}

std::string WithoutPlaceholderAndQuotes(const std::string& command) {
    std::string text = command;
    const size_t percent = text.find('%');
    if (percent != std::string::npos)
        text.erase(percent, 255);
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    return text;
}

ProgramStart MailClientStart(const std::string& command) {
    const std::string whole = WithoutPlaceholderAndQuotes(command);
    // The program is the quoted first part, or the text up to the first blank.
    const std::string trimmed = text::TrimLeft(command);
    std::string program;
    if (!trimmed.empty() && trimmed[0] == '"')
        program = trimmed.substr(1, trimmed.find('"', 1) - 1);
    else
        program = trimmed.substr(0, trimmed.find(' '));
    program = WithoutPlaceholderAndQuotes(program);
    const std::string rest = text::TrimLeft(whole);
    if (program.empty() || !rest.starts_with(program))
        return {text::Trim(whole), ""};
    return {program, text::Trim(rest.substr(program.size()))};
}

} // namespace kestrel
