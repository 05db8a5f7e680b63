// IMAP responses split the way the client reads them: lines at CRLF, and after a line that
// announces a literal the bytes of that literal. Whatever parses must come back the same when
// written out again (strings quoted, or as literals when they hold CR, LF or NUL) and parsed.
#include "imap/imap_response.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace kestrel::imap;

namespace {

RawResponse Split(std::string_view rest) {
    RawResponse raw;
    for (;;) {
        const size_t crlf = rest.find("\r\n");
        raw.lines.emplace_back(rest.substr(0, crlf));
        if (crlf == std::string_view::npos)
            break;
        rest.remove_prefix(crlf + 2);
        const std::optional<uint64_t> size = LiteralAnnounced(raw.lines.back());
        if (!size || *size > rest.size())
            break;
        raw.literals.emplace_back(rest.substr(0, *size));
        rest.remove_prefix(*size);
    }
    return raw;
}

class Writer {
  public:
    RawResponse Write(const Response& response) {
        if (response.kind == Response::Kind::Continuation) {
            line_ = "+";
            if (!response.text.empty())
                line_ += " " + response.text;
        } else {
            line_ = response.kind == Response::Kind::Tagged ? response.tag : "*";
            if (!response.status.empty()) {
                line_ += " " + response.status;
                // Empty brackets keep a text that starts with '[' from reading as the code.
                if (!response.code.empty() || response.text.starts_with('['))
                    line_ += " [" + response.code + "]";
                if (!response.text.empty())
                    line_ += " " + response.text;
            }
            for (const Item& item : response.items) {
                line_ += ' ';
                Put(item);
            }
        }
        raw_.lines.push_back(line_);
        return raw_;
    }

  private:
    void Put(const Item& item) {
        if (item.type == Item::Type::Atom) {
            line_ += item.text;
        } else if (item.type == Item::Type::List) {
            line_ += '(';
            for (size_t i = 0; i < item.items.size(); ++i) {
                if (i > 0)
                    line_ += ' ';
                Put(item.items[i]);
            }
            line_ += ')';
        } else if (item.text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            raw_.lines.push_back(line_ + "{" + std::to_string(item.text.size()) + "}");
            raw_.literals.push_back(item.text);
            line_.clear();
        } else {
            line_ += '"';
            for (const char c : item.text) {
                if (c == '"' || c == '\\')
                    line_ += '\\';
                line_ += c;
            }
            line_ += '"';
        }
    }

    RawResponse raw_;
    std::string line_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RawResponse raw = Split(std::string_view(reinterpret_cast<const char*>(data), size));
    Response parsed;
    try {
        parsed = ParseResponse(raw);
    } catch (const ResponseError&) {
        return 0;
    }
    try {
        if (ParseResponse(Writer().Write(parsed)) != parsed)
            std::abort();
    } catch (const ResponseError&) {
        std::abort(); // what the writer made of a good response must be good too
    }
    return 0;
}
