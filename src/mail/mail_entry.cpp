#include "mail/mail_entry.h"

#include "text/sha256.h"
#include "text/text_ops.h"
#include "text/utf8.h"

#include <algorithm>

namespace kestrel {

namespace {

// The first most characters, and ".." for the rest where it is more than two.
std::string Shortened(const std::string& text, size_t most) {
    return GroupCount(text) > most + 2 ? CutText(text, most) + ".." : text;
}

} // namespace

std::string DisplayText(const MailMessage& message) {
    std::string sender = CutText(message.From.Text(), 23);
    sender = sender.substr(0, sender.find('<'));
    return IsolatedDirection(sender) + ": " + IsolatedDirection(Shortened(message.Subject, 20));
}

NewMail NoticeNames(const MailMessage& message) {
    const EmailAddress& from = message.From;
    const std::string sender = text::Trim(from.Name.empty() ? from.Address : from.Name);
    return {IsolatedDirection(CutText(sender, 40)),
            IsolatedDirection(Shortened(message.Subject, 120))};
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
