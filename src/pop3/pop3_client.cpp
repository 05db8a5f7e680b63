#include "pop3/pop3_client.h"

#include "net/exceptions.h"
#include "text/conversion.h"
#include "text/text_ops.h"

#include <algorithm>

namespace kestrel {

namespace {
constexpr int Positive = 1, Negative = 2;
} // namespace

std::string MessageClient::ReadReplyLine() {
    std::string line;
    do {
        reader_.Read(line);
        text::TrimInPlace(line);
        if (!reader_.Charge(line))
            throw ReplyTooLong();
    } while (line.empty());
    return line;
}

int MessageClient::SendCommand(const std::string& line, std::initializer_list<int> allowed) {
    WriteLine(line);
    return ReadReply(allowed);
}

int MessageClient::ReadReply(std::initializer_list<int> allowed) {
    CollectReplyLines();
    return CheckReplyCode(LastReply.NumericCode(), allowed);
}

void MessageClient::CollectReplyLines() {
    reader_.StartAnswer(ReplyLimitMs, ReplyByteLimit, BoundedReader::TerminatorCost);
    std::vector<std::string> lines{ReadReplyLine()};
    const std::string& first = lines.front();
    if (first.size() > 3 && first[3] == '-') {
        const std::string end = first.substr(0, 3) + " ";
        for (;;) {
            lines.push_back(ReadReplyLine());
            const std::string& line = lines.back();
            if (line.size() < 4 || text::EqualsIgnoringCase(line.substr(0, 4), end))
                break;
        }
    }
    ParseReplyLines(lines, LastReply);
}

int MessageClient::CheckReplyCode(int code, std::initializer_list<int> allowed) {
    if (allowed.size() != 0 && std::find(allowed.begin(), allowed.end(), code) == allowed.end())
        RaiseReplyError();
    return code;
}

void MessageClient::RaiseReplyError() {
    throw ReplyError(LastReply.NumericCode(), LastReply.JoinedText());
}

std::string MessageClient::ReadHeaderBlock(MailMessage& message, const std::string& terminator) {
    StartWork(WorkMode::Read, 0);
    reader_.StartAnswer(ReplyLimitMs, HeaderByteLimit, BoundedReader::KeptLineCost);
    std::string line;
    try {
        for (;;) {
            if (!reader_.Line(line))
                throw HeaderTooLong();
            if ((terminator.empty() && line == ".") || line == terminator)
                break;
            if (!line.empty())
                message.HeaderLines.Add(line);
        }
        message.ApplyHeaderFields();
    } catch (...) {
        FinishWork(WorkMode::Read);
        throw;
    }
    FinishWork(WorkMode::Read);
    return line;
}

// Read on to the end of the reply, within its time, once it broke a bound.
MessageClient::Listing MessageClient::ReadListing(size_t byteLimit, size_t lineLimit, int limitMs) {
    reader_.StartAnswer(limitMs, byteLimit, BoundedReader::KeptLineCost);
    Listing listing;
    std::string line;
    for (;;) {
        const bool within = reader_.Line(line);
        if (line == ".")
            return listing;
        if (!within || listing.lines.size() >= lineLimit)
            listing.overflowed = true;
        if (!listing.overflowed)
            listing.lines.push_back(line.starts_with('.') ? line.substr(1) : line);
    }
}

int Pop3Client::ReadReply(std::initializer_list<int> allowed) {
    CollectReplyLines();
    return ClassifyReply(allowed);
}

int Pop3Client::ClassifyReply(std::initializer_list<int> allowed) {
    if (text::EqualsIgnoringCase(LastReply.TextCode(), "+OK"))
        LastReply.SetNumericCode(Positive);
    else if (text::EqualsIgnoringCase(LastReply.TextCode(), "-ERR"))
        LastReply.SetNumericCode(Negative);
    else
        throw ClientError("Nicht erkannter POP3-Response-Header:\n\"" + LastReply.JoinedText() +
                          "\"");
    return CheckReplyCode(LastReply.NumericCode(), allowed);
}

void Pop3Client::OpenConnection(int limitMs) {
    TcpClient::OpenConnection(limitMs);
    StartSessionClock();
    try {
        if (UseStartTls)
            BeginTls();
        else
            ReadReply({Positive});
        AskCapabilities();
        if (sasl::UsesToken(Mechanism)) {
            Authenticate();
        } else {
            SendCommand("USER " + Username, {Positive});
            SendCommand("PASS " + Password, {Positive});
        }
    } catch (...) {
        CloseConnection();
        throw;
    }
}

// A command line may be 255 bytes: a longer first message (a token is about 2 KB) waits for
// the server's empty challenge. A server that challenges again after its error challenge was
// answered gets "*", which ends the exchange.
void Pop3Client::Authenticate() {
    const std::string name(sasl::Name(Mechanism));
    if (!IsSecure())
        throw NoLoginOffered("a sign-in token is sent only over TLS: use pop3s:// or "
                             "pop3+starttls://");
    if (!Capabilities.Offers(name))
        throw NoLoginOffered("the server does not offer " + name);
    const std::string first =
        sasl::EncodeBase64(sasl::FirstMessage(Mechanism, {Username, Password, Host, Port}));
    const bool initial = 5 + name.size() + 1 + first.size() <= 255;
    WriteLine("AUTH " + name + (initial ? " " + first : ""));
    for (int challenges = initial ? 1 : 0;; ++challenges) {
        CollectReplyLines();
        const std::string& code = LastReply.TextCode();
        if (code.empty() || code[0] != '+' || text::EqualsIgnoringCase(code.substr(0, 3), "+OK"))
            break;
        WriteLine(challenges == 0   ? first
                  : challenges == 1 ? sasl::EncodeBase64(sasl::ChallengeAnswer(Mechanism))
                                    : "*");
    }
    ClassifyReply({Positive});
}

void Pop3Client::AskCapabilities() {
    Capabilities = {};
    if (SendCommand("CAPA", {}) == Positive) {
        const Listing names = ReadListing(ReplyByteLimit, 1000, ReplyLimitMs);
        if (!names.overflowed)
            Capabilities = ParseCapabilities(names.lines);
    }
}

// What the server says before TLS is unprotected: its words are never kept, and only its
// go-ahead, alone, lets the session on.
void Pop3Client::BeginTls() {
    try {
        ReadReply({Positive});
        AskCapabilities();
        if (!Capabilities.stls)
            throw StartTlsError(StartTlsFailure::NotOffered);
        SendCommand("STLS", {Positive});
    } catch (const ClientError& failure) {
        RaiseBeforeTls(failure);
    }
    StartTls();
}

int Pop3Client::CountMessages() {
    SendCommand("STAT", {Positive});
    const std::string line = LastReply.Text.empty() ? "" : LastReply.Text.front();
    if (line.empty())
        return 0;
    const size_t space = line.find(' ');
    return StrToInt(space == std::string::npos ? std::string() : line.substr(0, space));
}

// Room for a line of the longest number and id for each message: more means broken.
UniqueIds Pop3Client::ListUniqueIds(int32_t count) {
    UniqueIds broken;
    broken.state = UniqueIds::State::Broken;
    if (count > MostIds) {
        broken.fault = "more than " + std::to_string(MostIds) + " messages for UIDL";
        return broken;
    }
    if (SendCommand("UIDL", {}) != Positive)
        return {};
    const size_t lines = static_cast<size_t>(std::max(count, 0));
    const size_t lineBytes = 11 + 1 + MostIdBytes + sizeof(std::string);
    const Listing ids = ReadListing(lines * lineBytes + 1024, lines,
                                    ReplyLimitMs + count / 1000 * UidlMsPerThousand);
    if (ids.overflowed) {
        broken.fault = "UIDL gave more than " + std::to_string(count) + " ids or ids too long";
        return broken;
    }
    return ParseUniqueIds(ids.lines, count);
}

void Pop3Client::FetchHeader(int number, MailMessage& message) {
    const int32_t numbers[] = {number};
    AskForHeaders(numbers);
    ReadHeader(message);
}

void Pop3Client::AskForHeaders(std::span<const int32_t> numbers) {
    std::string commands;
    for (const int32_t number : numbers)
        commands += "TOP " + std::to_string(number) + " 0\r\n";
    WriteText(commands);
}

void Pop3Client::ReadHeader(MailMessage& message) {
    ReadReply({Positive});
    ReadHeaderBlock(message, ".");
}

void Pop3Client::DeleteMessage(int number) {
    SendCommand("DELE " + std::to_string(number), {Positive});
}

void Pop3Client::CloseConnection() {
    EndSession(false);
}

bool Pop3Client::Quit() {
    return EndSession(true);
}

// The socket is closed whatever the QUIT did; a failure of it goes on to the caller after.
bool Pop3Client::EndSession(bool readReply) {
    bool committed = false;
    try {
        if (IsConnected()) {
            if (readReply)
                committed = SendCommand("QUIT", {}) == Positive;
            else
                WriteLine("QUIT");
        }
    } catch (...) {
        TcpConnection::CloseConnection();
        throw;
    }
    TcpConnection::CloseConnection();
    return committed;
}

} // namespace kestrel
