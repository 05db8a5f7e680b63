#include "pop3/pop3.h"

#include "net/conversion.h"
#include "net/exceptions.h"
#include "pop3/text_ops.h"

#include <algorithm>

namespace kestrel {

namespace {
constexpr int Positive = 1, Negative = 2;
constexpr int SkipBlankLinesWithoutEnd = 2147483647;
} // namespace

std::string TIdMessageClient::ReadBoundedLine() {
    std::string line = ReadNonEmptyLine(SkipBlankLinesWithoutEnd, ReplyLimitMs);
    if (line.empty() && LineTimedOut)
        throw EIdReadTimeout();
    return line;
}

int TIdMessageClient::SendCommand(const std::string& line, std::initializer_list<int> allowed) {
    WriteLine(line);
    return ReadReply(allowed);
}

int TIdMessageClient::ReadReply(std::initializer_list<int> allowed) {
    CollectReplyLines();
    return CheckReplyCode(LastReply.NumericCode(), allowed);
}

void TIdMessageClient::CollectReplyLines() {
    std::vector<std::string> lines{ReadBoundedLine()};
    const std::string& first = lines.front();
    if (first.size() > 3 && first[3] == '-') {
        const std::string end = first.substr(0, 3) + " ";
        for (;;) {
            lines.push_back(ReadBoundedLine());
            const std::string& line = lines.back();
            if (line.size() < 4 || text::EqualsIgnoringCase(line.substr(0, 4), end))
                break;
        }
    }
    ParseReplyLines(lines, LastReply);
}

int TIdMessageClient::CheckReplyCode(int code, std::initializer_list<int> allowed) {
    if (allowed.size() != 0 && std::find(allowed.begin(), allowed.end(), code) == allowed.end())
        RaiseReplyError();
    return code;
}

void TIdMessageClient::RaiseReplyError() {
    throw EIdProtocolReplyError(LastReply.NumericCode(), LastReply.JoinedText());
}

std::string TIdMessageClient::ReadHeaderBlock(TIdMessage& message, const std::string& terminator) {
    StartWork(TWorkMode::wmRead, 0);
    std::string line;
    try {
        for (;;) {
            line = ReadLine("\n", ReplyLimitMs);
            if (LineTimedOut)
                throw EIdReadTimeout();
            if ((terminator.empty() && line == ".") || line == terminator)
                break;
            if (!line.empty())
                message.HeaderLines.Add(line);
        }
        message.ApplyHeaderFields();
    } catch (...) {
        FinishWork(TWorkMode::wmRead);
        throw;
    }
    FinishWork(TWorkMode::wmRead);
    return line;
}

int TIdPOP3::ReadReply(std::initializer_list<int> allowed) {
    CollectReplyLines();
    if (text::EqualsIgnoringCase(LastReply.TextCode(), "+OK"))
        LastReply.SetNumericCode(Positive);
    else if (text::EqualsIgnoringCase(LastReply.TextCode(), "-ERR"))
        LastReply.SetNumericCode(Negative);
    else
        throw EIdException("Nicht erkannter POP3-Response-Header:\n\"" + LastReply.JoinedText() +
                           "\"");
    return CheckReplyCode(LastReply.NumericCode(), allowed);
}

void TIdPOP3::OpenConnection(int limitMs) {
    TIdTCPClient::OpenConnection(limitMs);
    try {
        ReadReply({Positive});
        SendCommand("USER " + Username, {Positive});
        SendCommand("PASS " + Password, {Positive});
    } catch (...) {
        CloseConnection();
        throw;
    }
}

int TIdPOP3::CountMessages() {
    SendCommand("STAT", {Positive});
    const std::string line = LastReply.Text.empty() ? "" : LastReply.Text.front();
    if (line.empty())
        return 0;
    const size_t space = line.find(' ');
    return StrToInt(space == std::string::npos ? std::string() : line.substr(0, space));
}

bool TIdPOP3::FetchHeader(int number, TIdMessage& message) {
    SendCommand("TOP " + std::to_string(number) + " 0", {Positive});
    ReadHeaderBlock(message, ".");
    return true;
}

bool TIdPOP3::DeleteMessage(int number) {
    SendCommand("DELE " + std::to_string(number), {Positive});
    return LastReply.NumericCode() == Positive;
}

void TIdPOP3::CloseConnection() {
    try {
        if (IsConnected())
            WriteLine("QUIT");
    } catch (...) {
        TIdTCPConnection::CloseConnection();
        throw;
    }
    TIdTCPConnection::CloseConnection();
}

} // namespace kestrel
