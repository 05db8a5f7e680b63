#include "imap/imap_response.h"

#include "text/conversion.h"
#include "text/text_ops.h"

#include <array>
#include <limits>

namespace kestrel::imap {

namespace {

constexpr std::array<std::string_view, 5> StatusWords = {"OK", "NO", "BAD", "BYE", "PREAUTH"};

// Never between items: a server that sends them there is out of step with its own lines.
bool IsBreaking(char c) {
    return c == '\r' || c == '\n' || c == '\0';
}

// Where an atom stops outside brackets.
bool EndsAtom(char c) {
    return c == ' ' || c == '(' || c == ')' || c == '"' || IsBreaking(c);
}

// A number as IMAP writes one: 1 to 10 digits that fit 32 bits.
std::optional<uint32_t> NumberOf(std::string_view digits) {
    return digits.size() <= 10 ? DecimalOf<uint32_t>(digits) : std::nullopt;
}

// The announcement at the line's end and where its brace stands.
std::optional<uint32_t> Announcement(std::string_view line, size_t& start) {
    if (line.size() < 3 || line.back() != '}')
        return std::nullopt;
    size_t end = line.size() - 1;
    if (line[end - 1] == '+')
        --end;
    const size_t brace = line.rfind('{', end);
    if (brace == std::string_view::npos)
        return std::nullopt;
    const std::optional<uint32_t> size = NumberOf(line.substr(brace + 1, end - brace - 1));
    if (size)
        start = brace;
    return size;
}

// The first word where the data's first atom would end; a status response's when it names one.
std::string StatusWordAt(std::string_view line, size_t at) {
    size_t end = at;
    while (end < line.size() && !EndsAtom(line[end]) && line[end] != '[' && line[end] != '{')
        ++end;
    if (end < line.size() && line[end] == '[')
        return {}; // "OK[" starts an atom with a section
    const std::string word = text::Upper(line.substr(at, end - at));
    for (const std::string_view status : StatusWords) {
        if (word == status)
            return word;
    }
    return {};
}

// The code and the text behind a status word that ends at `at`.
void ReadStatus(std::string_view line, size_t at, Response& response) {
    if (at < line.size() && line[at] == ' ')
        ++at;
    if (at < line.size() && line[at] == '[') {
        int depth = 0;
        size_t end = at;
        for (; end < line.size(); ++end) {
            if (line[end] == '[')
                ++depth;
            else if (line[end] == ']' && --depth == 0)
                break;
        }
        if (end == line.size())
            throw ResponseError("a response code without its ']'");
        response.code = line.substr(at + 1, end - at - 1);
        at = end + 1;
        if (at < line.size() && line[at] == ' ')
            ++at;
    }
    response.text = line.substr(std::min(at, line.size()));
}

class DataReader {
  public:
    explicit DataReader(const RawResponse& raw) : raw_(raw) { EnterLine(0); }

    std::vector<Item> Read(size_t at) {
        pos_ = at;
        std::vector<std::vector<Item>> open(1); // the lists not yet closed; the response's own
        for (;;) {
            while (pos_ < end_ && line_[pos_] == ' ')
                ++pos_;
            if (pos_ == end_) {
                if (!announced_)
                    break;
                open.back().push_back(Literal());
                continue;
            }
            const char c = line_[pos_];
            if (c == '(') {
                if (open.size() > static_cast<size_t>(MostListDepth))
                    throw ResponseError("lists nested too deep");
                open.emplace_back();
                ++pos_;
            } else if (c == ')') {
                if (open.size() == 1)
                    throw ResponseError("a ')' without its '('");
                Item list{Item::Type::List, {}, std::move(open.back())};
                open.pop_back();
                open.back().push_back(std::move(list));
                ++pos_;
            } else if (c == '"') {
                open.back().push_back(Quoted());
            } else if (c == '{') {
                throw ResponseError("a '{' that announces no literal");
            } else if (IsBreaking(c)) {
                throw ResponseError("a control character where an item belongs");
            } else {
                open.back().push_back(Atom());
            }
        }
        if (open.size() > 1)
            throw ResponseError("a '(' without its ')'");
        if (line_index_ + 1 < raw_.lines.size())
            throw ResponseError("lines after the response's end");
        if (literal_index_ < raw_.literals.size())
            throw ResponseError("more literals than announced");
        return std::move(open.front());
    }

  private:
    void EnterLine(size_t index) {
        line_index_ = index;
        line_ = raw_.lines[index];
        size_t start = 0;
        announced_ = Announcement(line_, start);
        end_ = announced_ ? start : line_.size();
        pos_ = 0;
    }

    // The literal announced at the line's end; reading goes on at the next line's start.
    Item Literal() {
        if (literal_index_ == raw_.literals.size())
            throw ResponseError("an announced literal is missing");
        const std::string& bytes = raw_.literals[literal_index_++];
        if (bytes.size() != *announced_)
            throw ResponseError("a literal of another length than announced");
        if (line_index_ + 1 == raw_.lines.size())
            throw ResponseError("the line after a literal is missing");
        EnterLine(line_index_ + 1);
        return Item{Item::Type::String, bytes, {}};
    }

    Item Quoted() {
        Item item{Item::Type::String, {}, {}};
        for (++pos_; pos_ < end_; ++pos_) {
            char c = line_[pos_];
            if (c == '"') {
                ++pos_;
                return item;
            }
            // Only \" and \\ are escapes; any other escaped byte is kept as it is.
            if (c == '\\' && pos_ + 1 < end_)
                c = line_[++pos_];
            item.text += c;
        }
        throw ResponseError("a quoted string without its end");
    }

    // Brackets hold a section, spaces and parentheses included: BODY[HEADER.FIELDS (FROM)].
    Item Atom() {
        const size_t start = pos_;
        int depth = 0;
        for (; pos_ < end_; ++pos_) {
            const char c = line_[pos_];
            if (IsBreaking(c))
                throw ResponseError("a control character in an atom");
            if (c == '[') {
                ++depth;
            } else if (c == ']') {
                if (depth > 0) // a ']' of its own is a mailbox name's byte
                    --depth;
            } else if (depth == 0 && (EndsAtom(c) || c == '{')) {
                break;
            }
        }
        if (depth > 0)
            throw ResponseError("a '[' without its ']'");
        return Item{Item::Type::Atom, std::string(line_.substr(start, pos_ - start)), {}};
    }

    const RawResponse& raw_;
    size_t line_index_ = 0;
    size_t literal_index_ = 0;
    std::string_view line_;
    std::optional<uint32_t> announced_;
    size_t end_ = 0; // where the line's items end: its end or its announcement's brace
    size_t pos_ = 0;
};

} // namespace

bool Item::IsAtom(std::string_view name) const {
    return type == Type::Atom && text::EqualsIgnoringCase(text, name);
}

std::optional<uint32_t> Item::Number() const {
    if (type != Type::Atom)
        return std::nullopt;
    return NumberOf(text);
}

std::optional<uint64_t> LiteralAnnounced(std::string_view line) {
    size_t start = 0;
    return Announcement(line, start);
}

Response ParseResponse(const RawResponse& raw) {
    if (raw.lines.empty() || raw.lines.front().empty())
        throw ResponseError("an empty line");
    const std::string_view line = raw.lines.front();
    const bool single = raw.lines.size() == 1 && raw.literals.empty();
    Response response;

    if (line.front() == '+') {
        if (!single)
            throw ResponseError("a continuation request with a literal");
        response.kind = Response::Kind::Continuation;
        response.text = line.substr(line.size() > 1 && line[1] == ' ' ? 2 : 1);
        return response;
    }

    size_t at = 0;
    if (line.front() == '*') {
        if (line.size() > 1 && line[1] != ' ')
            throw ResponseError("no space after '*'");
        at = 1;
    } else {
        at = line.find(' ');
        response.kind = Response::Kind::Tagged;
        response.tag = line.substr(0, at);
        if (at == 0)
            throw ResponseError("a line that starts with a space");
        if (at == std::string_view::npos)
            throw ResponseError("a tagged response without a status");
    }
    while (at < line.size() && line[at] == ' ')
        ++at;
    if (at == line.size()) {
        if (response.kind == Response::Kind::Untagged)
            throw ResponseError("nothing after '*'");
        throw ResponseError("a tagged response without a status");
    }

    response.status = StatusWordAt(line, at);
    if (response.status.empty()) {
        if (response.kind == Response::Kind::Tagged)
            throw ResponseError("a tagged response that is no status response");
        response.items = DataReader(raw).Read(at);
        return response;
    }
    // Status text is TEXT-CHARs only: an announcement in it had the reader take bytes the
    // server never meant as a literal.
    if (!single)
        throw ResponseError("a status response with a literal");
    ReadStatus(line, at + response.status.size(), response);
    return response;
}

} // namespace kestrel::imap
