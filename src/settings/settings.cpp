#include "settings/settings.h"

#include "text/conversion.h"
#include "text/utf8.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

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

// Texts beyond Windows-1252 follow everything an earlier version reads, where it stops: this
// field, then one per account text and the interface name, empty where the 1252 field holds
// the text. The 1252 fields hold what of them 1252 has, so an earlier version loses nothing else.
constexpr std::string_view UnicodeMarker = "UTF-8";

// The text as it stands in a 1252 field, and whether that is all of it. 0xF2 and 0xFF cannot
// be kept there: stored, they end the field or the file.
std::string StoredCp1252(std::string_view utf8, bool& fits) {
    std::string bytes = Cp1252Of(utf8, &fits);
    for (char& byte : bytes) {
        if (byte == '\xF2' || byte == '\xFF') {
            byte = '?';
            fits = false;
        }
    }
    return bytes;
}

// A text for the UTF-8 fields; a character whose first byte would end the field (planes 8 to
// 11, none assigned) becomes U+FFFD.
std::string StoredUtf8(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); i += Utf8At(utf8, i).length) {
        const char32_t c = Utf8At(utf8, i).c;
        AppendUtf8(out, c >= 0x80000 && c < 0xC0000 ? U'\uFFFD' : c);
    }
    return out;
}

std::vector<std::string*> UnicodeTexts(SettingsValues& values, std::vector<std::string>& servers) {
    std::vector<std::string*> texts;
    for (size_t i = 0; i < values.accounts.size(); ++i) {
        texts.push_back(&servers[i]);
        texts.push_back(&values.accounts[i].user);
        texts.push_back(&values.accounts[i].password);
    }
    texts.push_back(&values.interfaceName);
    return texts;
}

// Last, behind the texts beyond Windows-1252 (their marker written then even with none): how
// each account signs in where it takes a token. UTF-8 throughout, since no earlier version reads it.
constexpr std::string_view SignInMarker = "SIGN-IN";
// A token command with its arguments is longer than any account text.
constexpr size_t SignInFieldLimit = 2048;

constexpr std::string_view SourceWords[] = {"", "command", "provider"};

std::vector<std::string*> SignInTexts(SignInSettings& signIn) {
    return {&signIn.command,  &signIn.provider, &signIn.authorizeUrl,
            &signIn.tokenUrl, &signIn.clientId, &signIn.clientSecret};
}

void AppendSignIn(std::string& out, SignInSettings signIn) {
    AppendField(out, SourceWords[static_cast<size_t>(signIn.source)]);
    AppendField(out, sasl::Name(signIn.mechanism));
    for (const std::string* text : SignInTexts(signIn))
        AppendField(out, StoredUtf8(*text));
}

// Anything unknown reads as a password account: it logs in as an earlier version would.
SignInSettings ReadSignIn(std::string_view& rest) {
    SignInSettings signIn;
    const std::string source = ReadField(rest);
    for (size_t i = 0; i < std::size(SourceWords); ++i) {
        if (source == SourceWords[i])
            signIn.source = static_cast<SignInSettings::Source>(i);
    }
    const std::string mechanism = ReadField(rest);
    if (mechanism == sasl::Name(sasl::Mechanism::OAuthBearer))
        signIn.mechanism = sasl::Mechanism::OAuthBearer;
    for (std::string* text : SignInTexts(signIn)) {
        *text = ReadField(rest, SignInFieldLimit);
        if (!IsUtf8(*text))
            text->clear();
    }
    return signIn.UsesToken() ? signIn : SignInSettings{};
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

std::string ReadField(std::string_view& rest, size_t limit) {
    const size_t end = rest.find(FieldEnd);
    if (end == std::string_view::npos)
        return {};
    // No field is longer than the account form takes: a longer one comes from elsewhere and
    // would only cost time and memory in a field that cannot show it.
    const size_t kept = std::min(end, limit);
    std::string field = ScrambleText(rest.substr(0, kept));
    rest.remove_prefix(end + 1);
    return field;
}

std::string EncodeSettings(const SettingsValues& values) {
    std::string out, unicode;
    bool beyond = false;
    const auto append = [&](std::string_view text) {
        bool fits = true;
        AppendField(out, StoredCp1252(text, fits));
        AppendField(unicode, fits ? std::string() : StoredUtf8(text));
        beyond = beyond || !fits;
    };
    AppendNumber(out, values.windowLeft);
    AppendNumber(out, values.windowTop);
    AppendNumber(out, values.interfaceNumber);
    AppendNumber(out, values.speedStep);
    for (const AccountRecord& account : values.accounts) {
        AppendField(out, std::string(1, account.active ? ActiveMarker : InactiveMarker));
        append(account.server.Text());
        append(account.user);
        append(account.password);
    }
    // Behind the accounts, where earlier versions stop reading: the interface's identity and
    // name, the accounts whose password is in the store, then the texts beyond Windows-1252.
    const std::string inStore = StoredAccounts(values.passwordsInStore);
    const bool named = !values.interfaceIdentity.empty();
    const bool signIn = std::ranges::any_of(
        values.accounts, [](const AccountRecord& account) { return account.signIn.UsesToken(); });
    beyond = beyond || signIn;
    const size_t accountsEnd = out.size();
    AppendField(out, Cp1252Of(values.interfaceIdentity));
    if (named) {
        append(values.interfaceName);
    } else {
        AppendField(out, "");
        AppendField(unicode, "");
    }
    if (!inStore.empty() || beyond)
        AppendField(out, inStore);
    if (beyond) {
        AppendField(out, UnicodeMarker);
        out += unicode;
    }
    if (signIn) {
        AppendField(out, SignInMarker);
        for (const AccountRecord& account : values.accounts)
            AppendSignIn(out, account.signIn);
    }
    if (!named && inStore.empty() && !beyond)
        out.resize(accountsEnd); // a file of the accounts alone stays as earlier versions wrote it
    return out;
}

namespace {

// A text replaces its 1252 field only where that field could not hold it: so what is read is
// written back the same.
void ReadUnicodeFields(std::string_view& text, SettingsValues& values) {
    std::string_view rest = text;
    if (ReadField(rest) != UnicodeMarker)
        return;
    std::vector<std::string> servers;
    for (const AccountRecord& account : values.accounts)
        servers.push_back(account.server.Text());
    const std::vector<std::string*> texts = UnicodeTexts(values, servers);
    for (std::string* field : texts) {
        const std::string stored = ReadField(rest, AccountTextBytes);
        bool fits = true;
        StoredCp1252(stored, fits);
        if (!stored.empty() && IsUtf8(stored) && !fits && StoredUtf8(stored) == stored)
            *field = stored;
    }
    for (size_t i = 0; i < values.accounts.size(); ++i) {
        if (servers[i] != values.accounts[i].server.Text())
            values.accounts[i].server = servers[i];
    }
    if (values.interfaceIdentity.empty())
        values.interfaceName.clear();
    text = rest;
}

} // namespace

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
        account.server = Utf8OfCp1252(ReadField(text));
        account.user = Utf8OfCp1252(ReadField(text));
        account.password = Utf8OfCp1252(ReadField(text));
    }
    // A name stands only beside the identity it names: without one it is not kept, and is
    // never written back.
    values.interfaceIdentity = Utf8OfCp1252(ReadField(text));
    values.interfaceName = Utf8OfCp1252(ReadField(text));
    if (values.interfaceIdentity.empty())
        values.interfaceName.clear();
    values.passwordsInStore = StoredAccountsOf(ReadField(text));
    ReadUnicodeFields(text, values);
    const bool signIn = ReadField(text) == SignInMarker;
    for (AccountRecord& account : values.accounts)
        account.signIn = signIn ? ReadSignIn(text) : SignInSettings{};
    // Decided once every text is read: a password may come from the texts beyond 1252.
    for (size_t i = 0; i < values.accounts.size(); ++i) {
        const AccountRecord& account = values.accounts[i];
        if (account.active && (account.CanLogIn() || values.passwordsInStore[i]))
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
