#include "imap/imap_client.h"

#include "net/sasl.h"
#include "text/text_ops.h"

#include <algorithm>

namespace kestrel {

namespace {

using imap::Item;
using imap::Response;

// Quoting carries 7-bit text without CR, LF and NUL; anything else goes as a literal.
bool Quotable(const std::string& text) {
    return std::ranges::all_of(text, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x7F;
    });
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// "CAPABILITY IMAP4rev1 IDLE" as in a response code.
std::set<std::string> WordsAfterFirst(const std::string& code) {
    std::set<std::string> words;
    size_t at = code.find(' ');
    while (at != std::string::npos) {
        const size_t start = at + 1;
        at = code.find(' ', start);
        const std::string word = code.substr(start, at == std::string::npos ? at : at - start);
        if (!word.empty())
            words.insert(text::Upper(word));
    }
    return words;
}

bool CodeIs(const Response& response, std::string_view name) {
    const std::string_view code(response.code);
    return code.size() >= name.size() &&
           text::EqualsIgnoringCase(code.substr(0, name.size()), name) &&
           (code.size() == name.size() || code[name.size()] == ' ');
}

std::string LineOf(const Response& response) {
    std::string line = response.status;
    if (!response.code.empty())
        line += " [" + response.code + "]";
    if (!response.text.empty())
        line += " " + response.text;
    return line;
}

// The value after name in a FETCH's list of pairs.
const Item* FetchValue(const Item& list, std::string_view name) {
    for (size_t i = 0; i + 1 < list.items.size(); i += 2) {
        if (list.items[i].IsAtom(name))
            return &list.items[i + 1];
    }
    return nullptr;
}

// "3:7,9" for 3 to 7 and 9.
std::string UidSet(const std::set<uint32_t>& uids) {
    std::string set;
    for (auto it = uids.begin(); it != uids.end();) {
        const uint32_t first = *it;
        uint32_t last = first;
        while (++it != uids.end() && *it == last + 1)
            ++last;
        set += (set.empty() ? "" : ",") + std::to_string(first);
        if (last != first)
            set += ":" + std::to_string(last);
    }
    return set;
}

// The ids of a set such as "2:4,7" added to ids; a set of more ids than a response could list
// one by one breaks the response's bound.
void AddIdsOf(std::string_view set, std::vector<uint32_t>& ids) {
    constexpr size_t MostIds = ImapClient::MostUnread;
    while (!set.empty()) {
        const std::string_view part = set.substr(0, set.find(','));
        set.remove_prefix(std::min(set.size(), part.size() + 1));
        const size_t colon = part.find(':');
        const Item first{Item::Type::Atom, std::string(part.substr(0, colon)), {}};
        const Item last{Item::Type::Atom,
                        std::string(colon == std::string_view::npos ? part.substr(0, colon)
                                                                    : part.substr(colon + 1)),
                        {}};
        if (!first.Number() || !last.Number())
            throw imap::ResponseError("a set of ids that is none");
        const uint32_t low = std::min(*first.Number(), *last.Number());
        const uint32_t high = std::max(*first.Number(), *last.Number());
        if (high - low >= MostIds - std::min(MostIds, ids.size()))
            throw ReplyTooLong();
        for (uint64_t id = low; id <= high; ++id)
            ids.push_back(static_cast<uint32_t>(id));
    }
}

// The fields a listing reads: the line shows From and Subject; Message-ID keeps two messages
// whose lines look alike apart in the identity a deletion compares, which hashes what came.
// Decoding reads nothing else: raw 8-bit bytes stand as they are, whatever Content-Type says.
constexpr std::string_view ListedFields = "FROM SUBJECT MESSAGE-ID";

// The section of a header's answer: BODY[HEADER.FIELDS (…)], its list as the server echoes it
// (any case or spacing, names quoted or not, never HEADER.FIELDS.NOT), or a whole BODY[HEADER].
bool IsHeaderSection(const Item& item) {
    constexpr std::string_view Fields = "BODY[HEADER.FIELDS";
    constexpr size_t LongestEcho = 256; // far beyond a few names, quoted and spaced
    if (item.type != Item::Type::Atom || item.text.size() > LongestEcho)
        return false;
    if (item.IsAtom("BODY[HEADER]"))
        return true;
    std::string_view rest = item.text;
    if (!text::EqualsIgnoringCase(rest.substr(0, Fields.size()), Fields))
        return false;
    const auto skipBlanks = [&rest] {
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    };
    rest.remove_prefix(Fields.size());
    skipBlanks();
    const size_t close = rest.find(')');
    if (!rest.starts_with('(') || close == std::string_view::npos)
        return false;
    rest.remove_prefix(close + 1);
    skipBlanks();
    return rest == "]";
}

// A FETCH's message id and header.
std::optional<std::pair<uint32_t, std::string>> HeaderIn(const Response& response) {
    const std::vector<Item>& items = response.items;
    if (items.size() < 3 || !items[1].IsAtom("FETCH"))
        return std::nullopt;
    const Item* uid = FetchValue(items[2], "UID");
    const Item* header = nullptr;
    for (size_t i = 0; i + 1 < items[2].items.size() && !header; i += 2) {
        if (IsHeaderSection(items[2].items[i]))
            header = &items[2].items[i + 1];
    }
    if (!uid || !header || !uid->Number())
        return std::nullopt;
    return std::make_pair(*uid->Number(), header->text);
}

// The id a FETCH line names before its literal:
// "* 5 FETCH (UID 12 BODY[HEADER.FIELDS (FROM SUBJECT MESSAGE-ID)] {…}".
std::optional<uint32_t> UidBefore(std::string_view line) {
    const std::string upper = text::Upper(std::string(line));
    size_t at = upper.find("(UID ");
    if (at == std::string::npos)
        at = upper.find(" UID ");
    if (at == std::string::npos)
        return std::nullopt;
    std::string_view digits = line.substr(at + 5);
    digits = digits.substr(0, digits.find_first_not_of("0123456789"));
    const Item number{Item::Type::Atom, std::string(digits), {}};
    return number.Number();
}

void HeaderInto(const std::string& block, MailMessage& message) {
    size_t start = 0;
    while (start < block.size()) {
        size_t end = block.find('\n', start);
        if (end == std::string::npos)
            end = block.size();
        std::string line = block.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            message.HeaderLines.Add(line);
        start = end + 1;
    }
    message.ApplyHeaderFields();
}

} // namespace

ImapClient::ImapClient() {
    Port = 143;
    MaxLineLength = LineByteLimit;
}

bool ImapClient::Has(std::string_view capability) const {
    return Capabilities.contains(text::Upper(std::string(capability)));
}

std::string ImapClient::NextTag() {
    return "k" + std::to_string(++nextTag_);
}

Response ImapClient::ReadResponse() {
    reader_.StartAnswer(ReplyLimitMs, ResponseByteLimit, BoundedReader::TerminatorCost);
    imap::RawResponse raw;
    std::string& first = raw.lines.emplace_back();
    if (!reader_.Line(first))
        throw ReplyTooLong();
    responseStart_ = first.substr(0, 128);
    while (const std::optional<uint64_t> size = imap::LiteralAnnounced(raw.lines.back())) {
        if (*size > LiteralByteLimit)
            throw HeaderTooLong();
        if (!reader_.Bytes(raw.literals.emplace_back(), static_cast<size_t>(*size)))
            throw ReplyTooLong();
        if (!reader_.Line(raw.lines.emplace_back()))
            throw ReplyTooLong();
    }
    idleBytes_ += reader_.Spent();
    return imap::ParseResponse(raw);
}

void ImapClient::Note(const Response& response) {
    if (response.status == "BYE") {
        if (!loggingOut_)
            throw ServerBye(LineOf(response));
        return;
    }
    if (CodeIs(response, "CAPABILITY"))
        Capabilities = WordsAfterFirst(response.code);
    if (CodeIs(response, "UIDVALIDITY")) {
        const std::set<std::string> words = WordsAfterFirst(response.code);
        const Item code{Item::Type::Atom, words.size() == 1 ? *words.begin() : "", {}};
        mailbox_.uidValidity = code.Number().value_or(0);
    }
    const std::vector<Item>& items = response.items;
    if (items.empty())
        return;
    if (items[0].IsAtom("CAPABILITY")) {
        Capabilities.clear();
        for (size_t i = 1; i < items.size(); ++i)
            Capabilities.insert(text::Upper(items[i].text));
    } else if (items[0].IsAtom("ESEARCH") && searching_) { // IMAP4rev2's: ids as a set
        for (size_t i = 1; i + 1 < items.size(); ++i) {
            if (items[i].IsAtom("ALL"))
                AddIdsOf(items[i + 1].text, searched_);
        }
    } else if (items[0].IsAtom("SEARCH") && searching_) {
        for (size_t i = 1; i < items.size(); ++i) {
            if (const std::optional<uint32_t> uid = items[i].Number())
                searched_.push_back(*uid);
        }
        if (searched_.size() > MostUnread)
            throw ReplyTooLong();
    } else if (items.size() >= 2 && items[0].Number()) {
        if (items[1].IsAtom("EXISTS")) {
            // A count that did not rise is no news: some servers repeat it on and on.
            const uint32_t messages = *items[0].Number();
            changed_ = changed_ || messages > mailbox_.messages;
            mailbox_.messages = messages;
        } else if (items[1].IsAtom("EXPUNGE")) {
            mailbox_.messages -= std::min<uint32_t>(mailbox_.messages, 1);
        } else if (items[1].IsAtom("FETCH") && items.size() >= 3 && FetchValue(items[2], "FLAGS")) {
            changed_ = true;
        }
    }
}

Response ImapClient::Complete(const std::string& tag) {
    for (;;) {
        Response response = ReadResponse();
        if (response.kind == Response::Kind::Tagged && response.tag == tag) {
            Note(response);
            if (response.status != "OK")
                throw ImapRefusal(LineOf(response));
            return response;
        }
        Note(response);
    }
}

Response ImapClient::Command(const std::string& command) {
    const std::string tag = NextTag();
    WriteLine(tag + " " + command);
    return Complete(tag);
}

void ImapClient::SendWithString(const std::string& tag, const std::string& before,
                                const std::vector<std::string>& strings) {
    const bool nonSynchronizing = Has("LITERAL+") || Has("LITERAL-");
    std::string line = tag + " " + before;
    for (const std::string& text : strings) {
        if (Quotable(text)) {
            line += " " + Quoted(text);
            continue;
        }
        line += " {" + std::to_string(text.size()) + (nonSynchronizing ? "+}" : "}");
        WriteLine(line);
        if (!nonSynchronizing)
            AwaitContinuation(tag);
        line = text;
    }
    WriteLine(line);
}

void ImapClient::AwaitContinuation(const std::string& tag) {
    for (;;) {
        const Response response = ReadResponse();
        if (response.kind == Response::Kind::Continuation)
            return;
        Note(response);
        if (response.kind == Response::Kind::Tagged && response.tag == tag)
            throw ImapRefusal(LineOf(response));
    }
}

ImapClient::Response ImapClient::Login() {
    if (sasl::UsesToken(Mechanism))
        return Authenticate(Mechanism);
    if (!Has("LOGINDISABLED")) {
        const std::string tag = NextTag();
        SendWithString(tag, "LOGIN", {Username, Password});
        return Complete(tag);
    } else if (!IsSecure()) {
        throw NoLoginOffered("the server takes passwords only over TLS: use imaps://");
    } else if (!Has("AUTH=PLAIN")) {
        throw NoLoginOffered("the server offers no login but LOGIN, which it disabled");
    }
    return Authenticate(sasl::Mechanism::Plain);
}

// A server that challenges again after its error challenge was answered gets "*", which ends
// the exchange (RFC 9051): no loop whatever it sends.
ImapClient::Response ImapClient::Authenticate(sasl::Mechanism mechanism) {
    const std::string name(sasl::Name(mechanism));
    if (sasl::UsesToken(mechanism) && !IsSecure())
        throw NoLoginOffered("a sign-in token is sent only over TLS: use imaps:// or "
                             "imap+starttls://");
    if (!Has("AUTH=" + name))
        throw NoLoginOffered("the server does not offer " + name);
    const std::string first =
        sasl::EncodeBase64(sasl::FirstMessage(mechanism, {Username, Password, Host, Port}));
    const std::string tag = NextTag();
    const bool initial = Has("SASL-IR");
    WriteLine(tag + " AUTHENTICATE " + name + (initial ? " " + first : ""));
    int challenges = initial ? 1 : 0;
    for (;;) {
        Response response = ReadResponse();
        if (response.kind == Response::Kind::Continuation) {
            WriteLine(challenges == 0   ? first
                      : challenges == 1 ? sasl::EncodeBase64(sasl::ChallengeAnswer(mechanism))
                                        : "*");
            ++challenges;
            continue;
        }
        Note(response);
        if (response.kind == Response::Kind::Tagged && response.tag == tag) {
            if (response.status != "OK")
                throw ImapRefusal(LineOf(response));
            return response;
        }
    }
}

void ImapClient::OpenConnection(int limitMs) {
    TcpClient::OpenConnection(limitMs);
    reader_.StartSession(SessionLimitMs);
    nextTag_ = 0;
    loggingOut_ = false;
    fetchTag_.clear();
    fetching_.clear();
    brokenHeader_.reset();
    idleTag_.reset();
    Capabilities.clear();
    try {
        bool preauthorized = false;
        if (UseStartTls)
            BeginTls();
        else
            preauthorized = Greeting().status == "PREAUTH";
        if (Capabilities.empty())
            Command("CAPABILITY");
        if (preauthorized)
            return;
        // Servers may name other capabilities after the login; most say so in its completion.
        if (!CodeIs(Login(), "CAPABILITY"))
            Command("CAPABILITY");
    } catch (...) {
        TcpConnection::CloseConnection();
        throw;
    }
}

Response ImapClient::Greeting() {
    const Response greeting = ReadResponse();
    if (greeting.kind != Response::Kind::Untagged ||
        (greeting.status != "OK" && greeting.status != "PREAUTH")) {
        Note(greeting); // a BYE says why
        throw ImapRefusal(LineOf(greeting));
    }
    Note(greeting);
    return greeting;
}

// Nothing heard before TLS is kept: not the server's words, not its capabilities. A PREAUTH
// greeting would leave the whole session unencrypted, so it ends it.
void ImapClient::BeginTls() {
    try {
        if (Greeting().status == "PREAUTH")
            throw StartTlsError(StartTlsFailure::Preauth);
        if (Capabilities.empty())
            Command("CAPABILITY");
        if (!Has("STARTTLS"))
            throw StartTlsError(StartTlsFailure::NotOffered);
        Command("STARTTLS");
    } catch (const ClientError& failure) {
        RaiseBeforeTls(failure);
    }
    StartTls();
    Capabilities.clear();
}

ImapClient::Mailbox ImapClient::OpenInbox(bool readOnly) {
    mailbox_ = {};
    Command(readOnly ? "EXAMINE INBOX" : "SELECT INBOX");
    changed_ = false; // what the mailbox holds now is no news
    return mailbox_;
}

std::vector<uint32_t> ImapClient::UnseenIds() {
    searched_.clear();
    searching_ = true;
    // One line holds every id: a mailbox of many thousand unread messages needs more than the
    // line bound, though not more than the response's.
    MaxLineLength = static_cast<int>(ResponseByteLimit);
    try {
        // Flagged for deletion is as good as gone, here or in another client.
        Command("UID SEARCH UNSEEN UNDELETED");
    } catch (...) {
        MaxLineLength = LineByteLimit;
        searching_ = false;
        throw;
    }
    MaxLineLength = LineByteLimit;
    searching_ = false;
    std::vector<uint32_t> ids = std::move(searched_);
    searched_.clear();
    std::ranges::sort(ids);
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

void ImapClient::AskForHeaders(std::span<const uint32_t> uids) {
    fetching_ = std::set<uint32_t>(uids.begin(), uids.end());
    brokenHeader_.reset();
    fetchTag_ = NextTag();
    WriteLine(fetchTag_ + " UID FETCH " + UidSet(fetching_) + " (UID BODY.PEEK[HEADER.FIELDS (" +
              std::string(ListedFields) + ")])");
}

std::optional<uint32_t> ImapClient::NextHeader(MailMessage& message) {
    while (!fetchTag_.empty()) {
        Response response;
        try {
            response = ReadResponse();
        } catch (const ReplyTooLong&) {
            brokenHeader_ = UidBefore(responseStart_);
            throw;
        }
        if (response.kind == Response::Kind::Tagged && response.tag == fetchTag_) {
            fetchTag_.clear();
            Note(response);
            if (response.status != "OK")
                throw ImapRefusal(LineOf(response));
            break;
        }
        if (const std::optional<std::pair<uint32_t, std::string>> header = HeaderIn(response);
            header && fetching_.erase(header->first) > 0) {
            HeaderInto(header->second, message);
            return header->first;
        }
        Note(response);
    }
    return std::nullopt;
}

void ImapClient::FlagDeleted(uint32_t uid) {
    Command("UID STORE " + std::to_string(uid) + " +FLAGS.SILENT (\\Deleted)");
}

void ImapClient::ExpungeOnly(uint32_t uid) {
    Command("UID EXPUNGE " + std::to_string(uid));
}

void ImapClient::StartIdle() {
    const std::string tag = NextTag();
    WriteLine(tag + " IDLE");
    AwaitContinuation(tag);
    idleTag_ = tag;
    idleBytes_ = 0;
}

bool ImapClient::WaitForChange(int limitMs) {
    if (PendingInput.Size() > 0 || FillPendingInput(true, limitMs, false) >= 0) {
        // What arrived, and the rest of a response it began.
        do {
            const Response response = ReadResponse();
            if (response.kind == Response::Kind::Tagged && idleTag_ && response.tag == *idleTag_)
                throw ImapRefusal("the server ended the idle: " + LineOf(response));
            Note(response);
            if (idleBytes_ > IdleByteLimit)
                throw ReplyTooLong(); // no mailbox changes that much: a server gone wild
        } while (PendingInput.Size() > 0);
    }
    const bool news = changed_; // news during a renewal counts too
    changed_ = false;
    return news;
}

void ImapClient::EndIdle() {
    if (!idleTag_)
        return;
    const std::string tag = *idleTag_;
    idleTag_.reset();
    WriteLine("DONE");
    Complete(tag);
}

void ImapClient::Logout(int limitMs) {
    LimitNextSteps(limitMs);
    try {
        if (IsConnected()) {
            loggingOut_ = true;
            if (idleTag_) {
                WriteLine("DONE");
                idleTag_.reset();
            }
            Command("LOGOUT");
        }
    } catch (...) {
        TcpConnection::CloseConnection();
        throw;
    }
    TcpConnection::CloseConnection();
}

void ImapClient::CloseConnection() {
    try {
        if (IsConnected())
            WriteText(std::string(idleTag_ ? "DONE\r\n" : "") + NextTag() + " LOGOUT\r\n");
    } catch (...) {
        TcpConnection::CloseConnection();
        throw;
    }
    idleTag_.reset();
    TcpConnection::CloseConnection();
}

} // namespace kestrel
