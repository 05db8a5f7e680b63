// IMAP responses as servers send them, and the ones the client must refuse rather than misread.
#include "imap/imap_response.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kestrel::imap {

// Readable failures: atoms bare, strings quoted with their bytes escaped, lists in parentheses.
void PrintTo(const Item& item, std::ostream* out) {
    if (item.type == Item::Type::List) {
        *out << '(';
        for (size_t i = 0; i < item.items.size(); ++i) {
            *out << (i ? " " : "");
            PrintTo(item.items[i], out);
        }
        *out << ')';
    } else if (item.type == Item::Type::String) {
        *out << ::testing::PrintToString(item.text);
    } else {
        *out << item.text;
    }
}

void PrintTo(const Response& response, std::ostream* out) {
    *out << "kind " << static_cast<int>(response.kind) << " tag [" << response.tag << "] status ["
         << response.status << "] code [" << response.code << "] text [" << response.text
         << "] items ";
    PrintTo(Item{Item::Type::List, {}, response.items}, out);
}

namespace {

Item A(std::string text) {
    return {Item::Type::Atom, std::move(text), {}};
}
Item S(std::string text) {
    return {Item::Type::String, std::move(text), {}};
}
Item L(std::vector<Item> items) {
    return {Item::Type::List, {}, std::move(items)};
}

Response Data(std::vector<Item> items) {
    Response response;
    response.items = std::move(items);
    return response;
}

Response Status(std::string tag, std::string status, std::string code, std::string text) {
    Response response;
    response.kind = tag.empty() ? Response::Kind::Untagged : Response::Kind::Tagged;
    response.tag = std::move(tag);
    response.status = std::move(status);
    response.code = std::move(code);
    response.text = std::move(text);
    return response;
}

Response Continuation(std::string text) {
    Response response;
    response.kind = Response::Kind::Continuation;
    response.text = std::move(text);
    return response;
}

// Lists nested `depth` deep around the atom X.
std::pair<std::string, Item> Nested(int depth) {
    Item item = A("X");
    for (int i = 0; i < depth; ++i)
        item = L({item});
    return {"* " + std::string(depth, '(') + "X" + std::string(depth, ')'), item};
}

TEST(ImapResponseTest, ReadsWhatServersSend) {
    const auto [deepest, deepestItem] = Nested(MostListDepth);
    const std::pair<RawResponse, Response> rows[] = {
        {{{"* 12 FETCH (UID 5 FLAGS (\\Seen) BODY[HEADER] {5}", ")"}, {"ab\r\nc"}},
         Data({A("12"), A("FETCH"),
               L({A("UID"), A("5"), A("FLAGS"), L({A("\\Seen")}), A("BODY[HEADER]"),
                  S("ab\r\nc")})})},
        {{{"* 3 EXISTS"}, {}}, Data({A("3"), A("EXISTS")})},
        {{{"* CAPABILITY IMAP4rev1 IDLE AUTH=PLAIN"}, {}},
         Data({A("CAPABILITY"), A("IMAP4rev1"), A("IDLE"), A("AUTH=PLAIN")})},
        {{{"* SEARCH 2 84 882"}, {}}, Data({A("SEARCH"), A("2"), A("84"), A("882")})},
        {{{"* SEARCH"}, {}}, Data({A("SEARCH")})},
        {{{"* FLAGS (\\Answered \\Seen)"}, {}},
         Data({A("FLAGS"), L({A("\\Answered"), A("\\Seen")})})},
        {{{"*  5   RECENT  "}, {}}, Data({A("5"), A("RECENT")})},
        // Sections keep their spaces and parentheses; NIL is an atom like any other.
        {{{"* 4 FETCH (BODY[HEADER.FIELDS (FROM TO)] NIL BODY[]<0> \"\")"}, {}},
         Data({A("4"), A("FETCH"),
               L({A("BODY[HEADER.FIELDS (FROM TO)]"), A("NIL"), A("BODY[]<0>"), S("")})})},
        {{{"* LIST (\\Noselect) \"/\" \"a \\\"b\\\" \\\\c \\d\""}, {}},
         Data({A("LIST"), L({A("\\Noselect")}), S("/"), S("a \"b\" \\c d")})},
        {{{"* STATUS foo] (MESSAGES 2)"}, {}},
         Data({A("STATUS"), A("foo]"), L({A("MESSAGES"), A("2")})})},
        {{{"* X ((A) (B (C)))a(b)c"}, {}},
         Data({A("X"), L({L({A("A")}), L({A("B"), L({A("C")})})}), A("a"), L({A("b")}), A("c")})},
        {{{deepest}, {}}, Data({deepestItem})},
        // Literals: any bytes, {n+}, one after another, empty, and one that ends a line's atom.
        {{{"* 1 FETCH (BODY[] {8}", " UID 9)"}, {"(\")\r\n{1}"}},
         Data({A("1"), A("FETCH"), L({A("BODY[]"), S("(\")\r\n{1}"), A("UID"), A("9")})})},
        {{{"* 2 FETCH (BODY[TEXT] {3+}", ")"}, {"a b"}},
         Data({A("2"), A("FETCH"), L({A("BODY[TEXT]"), S("a b")})})},
        {{{"* LIST () {1}", "{0}", ""}, {"/", ""}}, Data({A("LIST"), L({}), S("/"), S("")})},
        {{{"* X a{2}", "b"}, {std::string("\0\n", 2)}},
         Data({A("X"), A("a"), S(std::string("\0\n", 2)), A("b")})},
        // Status responses, tagged and untagged; a code may hold parentheses.
        {{{"* OK [UIDVALIDITY 3857529045] UIDs valid"}, {}},
         Status("", "OK", "UIDVALIDITY 3857529045", "UIDs valid")},
        {{{"a1 OK [READ-WRITE] SELECT completed"}, {}},
         Status("a1", "OK", "READ-WRITE", "SELECT completed")},
        {{{"* ok [PERMANENTFLAGS (\\Answered \\*)] Limited"}, {}},
         Status("", "OK", "PERMANENTFLAGS (\\Answered \\*)", "Limited")},
        {{{"* BYE logging out"}, {}}, Status("", "BYE", "", "logging out")},
        {{{"* PREAUTH [CAPABILITY IMAP4rev1] hi"}, {}},
         Status("", "PREAUTH", "CAPABILITY IMAP4rev1", "hi")},
        {{{"A7 No"}, {}}, Status("A7", "NO", "", "")},
        {{{"a3 BAD [ALERT]"}, {}}, Status("a3", "BAD", "ALERT", "")},
        {{{"a4 bad  (x) {2}"}, {}}, Status("a4", "BAD", "", " (x) {2}")},
        {{{"+ idling"}, {}}, Continuation("idling")},
        {{{"+"}, {}}, Continuation("")},
    };
    for (const auto& [raw, expected] : rows) {
        try {
            EXPECT_EQ(ParseResponse(raw), expected) << raw.lines.front();
        } catch (const ResponseError& error) {
            ADD_FAILURE() << raw.lines.front() << ": " << error.what();
        }
    }
}

TEST(ImapResponseTest, RefusesWhatBreaksTheGrammar) {
    const RawResponse rows[] = {
        {{}, {}},
        {{""}, {}},
        {{"*"}, {}},
        {{"*   "}, {}},
        {{"*3 EXISTS"}, {}},
        {{"a1"}, {}},
        {{" OK done"}, {}},
        {{"a1 FETCH (UID 1)"}, {}},
        {{"a1 OK[READ-WRITE] done"}, {}},
        {{"* X \"abc"}, {}},
        {{"* X \"abc\\\""}, {}},
        {{"* X (A"}, {}},
        {{"* X A)"}, {}},
        {{"* X BODY[HEADER"}, {}},
        {{"* X BODY[HEADER {2}", "]"}, {"ab"}},
        {{"* OK [ALERT hi"}, {}},
        {{Nested(MostListDepth + 1).first}, {}},
        {{"* X {3}"}, {}},             // the literal is missing
        {{"* X {3}"}, {"abc"}},        // the line after it is
        {{"* X {3}", ""}, {"ab"}},     // its length is not the one announced
        {{"* X", ""}, {}},             // a line no literal announced
        {{"* X"}, {"abc"}},            // a literal no line announced
        {{"* X {5} Y"}, {}},           // a brace that ends no line
        {{"* OK hi {2}", ""}, {"ab"}}, // status text has no literals
        {{"+ {2}", ""}, {"ab"}},       // nor has a continuation request
        {{"* X \r"}, {}},
        {{"* X A\nB"}, {}},
        {{std::string("* X \0", 5)}, {}},
        {{"* X BODY[\r]"}, {}},
    };
    for (const RawResponse& raw : rows) {
        const std::string first = raw.lines.empty() ? "(no line)" : raw.lines.front();
        EXPECT_THROW(ParseResponse(raw), ResponseError) << first;
    }
}

TEST(ImapResponseTest, NumbersAndLiteralSizes) {
    const std::pair<Item, std::optional<uint32_t>> numbers[] = {
        {A("0"), 0},
        {A("0000000012"), 12},
        {A("4294967295"), 4294967295u},
        {A("4294967296"), std::nullopt},
        {A("00000000001"), std::nullopt},
        {A(""), std::nullopt},
        {A("12a"), std::nullopt},
        {A("-1"), std::nullopt},
        {S("5"), std::nullopt},
    };
    for (const auto& [item, number] : numbers)
        EXPECT_EQ(item.Number(), number) << item.text;

    const std::pair<std::string, std::optional<uint64_t>> lines[] = {
        {"{5}", 5},
        {"* 1 FETCH (BODY[] {12+}", 12},
        {"* OK hello {0}", 0},
        {"x {4294967295}", 4294967295u},
        {"x {4294967296}", std::nullopt},
        {"x {00000000001}", std::nullopt},
        {"x {}", std::nullopt},
        {"x {+}", std::nullopt},
        {"x {5} ", std::nullopt},
        {"x {5}y", std::nullopt},
        {"x {-1}", std::nullopt},
        {"x {5+5}", std::nullopt},
        {"x { 5}", std::nullopt},
        {"x 5}", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [line, size] : lines)
        EXPECT_EQ(LiteralAnnounced(line), size) << line;
}

} // namespace
} // namespace kestrel::imap
