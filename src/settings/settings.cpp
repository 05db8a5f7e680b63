#include "settings/settings.h"

#include "net/conversion.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace kestrel {

namespace {

constexpr char FieldEnd = '\r';
constexpr char ActiveMarker = 2;
constexpr char InactiveMarker = 1;

void AppendNumber(std::string& out, int32_t value) {
    out += std::to_string(value);
    out += ',';
}

void AppendField(std::string& out, std::string_view plain) {
    out += ScrambleText(plain);
    out += FieldEnd;
}

} // namespace

std::string ScrambleText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return out;
}

int32_t ReadNumber(std::string_view& rest) {
    const size_t comma = rest.find(',');
    if (comma == std::string_view::npos)
        return 0;
    const int32_t value = LeadingInteger(rest.substr(0, comma));
    rest.remove_prefix(comma + 1);
    return value;
}

std::string ReadField(std::string_view& rest) {
    const size_t end = rest.find(FieldEnd);
    if (end == std::string_view::npos)
        return {};
    // No field is longer than the account form takes: a longer one comes from elsewhere and
    // would only cost time and memory in a field that cannot show it.
    const size_t kept = std::min(end, static_cast<size_t>(AccountTextLimit));
    std::string field = ScrambleText(rest.substr(0, kept));
    rest.remove_prefix(end + 1);
    return field;
}

std::string EncodeSettings(const SettingsValues& values) {
    std::string out;
    AppendNumber(out, values.windowLeft);
    AppendNumber(out, values.windowTop);
    AppendNumber(out, values.interfaceNumber);
    AppendNumber(out, values.speedStep);
    for (const AccountRecord& account : values.accounts) {
        AppendField(out, std::string(1, account.active ? ActiveMarker : InactiveMarker));
        AppendField(out, account.host);
        AppendField(out, account.user);
        AppendField(out, account.password);
    }
    return out;
}

SettingsValues DecodeSettings(std::string_view text, SettingsValues values) {
    text = text.substr(0, text.find('\0'));
    values.windowLeft = ReadNumber(text);
    values.windowTop = ReadNumber(text);
    values.interfaceNumber = ReadNumber(text);
    values.speedStep = ReadNumber(text);
    values.mailCheckEnabled = false;
    for (AccountRecord& account : values.accounts) {
        if (text.find(FieldEnd) == std::string_view::npos)
            continue;
        account.active = ReadField(text) == std::string(1, ActiveMarker);
        account.host = ReadField(text);
        account.user = ReadField(text);
        account.password = ReadField(text);
        if (account.active && !account.password.empty())
            values.mailCheckEnabled = true;
    }
    return values;
}

SettingsValues LoadSettings(SettingsFile& file, SettingsValues values) {
    if (const std::optional<std::string> text = file.Read())
        return DecodeSettings(*text, std::move(values));
    return values;
}

void WriteSettings(SettingsFile& file, const SettingsValues& values) {
    file.Write(EncodeSettings(values));
}

} // namespace kestrel
