#include "oauth/url_encoding.h"

#include "text/text_ops.h"

namespace kestrel {

namespace {

bool Unreserved(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

std::string Decode(std::string_view text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            decoded += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && text::HexDigit(text[i + 1]) >= 0 &&
                   text::HexDigit(text[i + 2]) >= 0) {
            decoded += static_cast<char>(text::HexDigit(text[i + 1]) * 16 + text::HexDigit(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

} // namespace

std::string PercentEncode(std::string_view text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        if (Unreserved(c)) {
            encoded += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            encoded += '%';
            encoded += Hex[byte >> 4];
            encoded += Hex[byte & 15];
        }
    }
    return encoded;
}

std::string FormBody(const FormFields& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty())
            body += '&';
        body += PercentEncode(name) + '=' + PercentEncode(value);
    }
    return body;
}

std::map<std::string, std::string> ReadQuery(std::string_view query) {
    std::map<std::string, std::string> fields;
    while (!query.empty()) {
        const size_t end = query.find('&');
        const std::string_view pair = query.substr(0, end);
        const size_t equals = pair.find('=');
        if (!pair.empty())
            fields.emplace(Decode(pair.substr(0, equals)),
                           equals == std::string_view::npos ? "" : Decode(pair.substr(equals + 1)));
        query = end == std::string_view::npos ? std::string_view{} : query.substr(end + 1);
    }
    return fields;
}

} // namespace kestrel
