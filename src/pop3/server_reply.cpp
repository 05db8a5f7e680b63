#include "pop3/server_reply.h"

#include "text/conversion.h"
#include "text/text_ops.h"

namespace kestrel {

void ServerReply::SetNumericCode(int code) {
    numericCode_ = code;
    if (code > 0)
        textCode_ = std::to_string(code);
}

void ServerReply::SetTextCode(const std::string& code) {
    textCode_ = code;
    if (!code.empty())
        numericCode_ = TryStrToInt(code).value_or(0);
}

void ServerReply::Clear() {
    numericCode_ = 0;
    textCode_.clear();
    Text.clear();
}

std::string ServerReply::JoinedText() const {
    std::string joined;
    for (const std::string& line : Text)
        joined += line + "\r\n";
    return joined;
}

void ParseReplyLines(const std::vector<std::string>& lines, ServerReply& reply) {
    reply.Clear();
    if (lines.empty())
        return;
    std::string code = text::Trim(lines.front().substr(0, 4));
    if (code.size() == 4 && code[3] == '-')
        code.resize(3);
    reply.SetTextCode(code);
    for (const std::string& line : lines)
        reply.Text.push_back(text::After(line, 4));
}

} // namespace kestrel
