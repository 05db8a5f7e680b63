#include "settings/settings.h"

#include "text/conversion.h"

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

// The accounts whose password is in the store, as their digits: "13".
std::string StoredAccounts(const std::array<bool, 3>& inStore) {
    std::string digits;
    for (size_t i = 0; i < inStore.size(); ++i) {
        if (inStore[i])
            digits += static_cast<char>('1' + i);
    }
    return digits;
}

std::array<bool, 3> StoredAccountsOf(std::string_view digits) {
    std::array<bool, 3> inStore{};
    for (char digit : digits) {
        if (digit >= '1' && digit <= '3')
            inStore[static_cast<size_t>(digit - '1')] = true;
    }
    return inStore;
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
        AppendField(out, account.server.Text());
        AppendField(out, account.user);
        AppendField(out, account.password);
    }
    const std::string inStore = StoredAccounts(values.passwordsInStore);
    if (!values.interfaceIdentity.empty() || !inStore.empty()) {
        AppendField(out, values.interfaceIdentity);
        AppendField(out, values.interfaceName);
    }
    if (!inStore.empty())
        AppendField(out, inStore);
    return out;
}

// Editors change line ends: fields ended by line feeds alone, with no carriage return anywhere,
// and a line break after the header, read as kestrel wrote them. No file kestrel writes has
// either: each holds twelve carriage returns, and its first field is never empty.
SettingsValues DecodeSettings(std::string_view bytes, SettingsValues values) {
    std::string fields(bytes.substr(0, bytes.find('\0')));
    const bool lineFeedsOnly = fields.find(FieldEnd) == std::string::npos;
    if (lineFeedsOnly)
        std::replace(fields.begin(), fields.end(), '\n', FieldEnd);
    std::string_view text = fields;
    values.windowLeft = ReadNumber(text);
    values.windowTop = ReadNumber(text);
    values.interfaceNumber = ReadNumber(text);
    values.speedStep = ReadNumber(text);
    if (text.starts_with("\r\n"))
        text.remove_prefix(2);
    else if (text.starts_with(lineFeedsOnly ? FieldEnd : '\n'))
        text.remove_prefix(1);
    values.mailCheckEnabled = false;
    for (AccountRecord& account : values.accounts) {
        if (text.find(FieldEnd) == std::string_view::npos)
            continue;
        account.active = ReadField(text) == std::string(1, ActiveMarker);
        account.server = ReadField(text);
        account.user = ReadField(text);
        account.password = ReadField(text);
        if (account.active && !account.password.empty())
            values.mailCheckEnabled = true;
    }
    // A name stands only beside the identity it names: without one it is not kept, and is
    // never written back.
    values.interfaceIdentity = ReadField(text);
    values.interfaceName = ReadField(text);
    if (values.interfaceIdentity.empty())
        values.interfaceName.clear();
    values.passwordsInStore = StoredAccountsOf(ReadField(text));
    for (size_t i = 0; i < values.accounts.size(); ++i) {
        if (values.accounts[i].active && values.passwordsInStore[i])
            values.mailCheckEnabled = true;
    }
    return values;
}

SettingsValues LoadSettings(SettingsFile& file, SettingsValues values) {
    const std::optional<std::string> text = file.Read();
    if (!text)
        return values;
    values = DecodeSettings(*text, std::move(values));
    // What the exit would not write back as it was read (cut, dropped or misread) is kept.
    if (!text->empty() && EncodeSettings(values) != *text)
        file.KeepOriginal();
    return values;
}

void WriteSettings(SettingsFile& file, const SettingsValues& values) {
    file.Write(EncodeSettings(values));
}

} // namespace kestrel
