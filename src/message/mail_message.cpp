#include "message/mail_message.h"

#include "message/decoding.h"
#include "net/exceptions.h"
#include "text/conversion.h"
#include "text/text_ops.h"
#include "text/utf8.h"

#include <ctime>
#include <sstream>

namespace kestrel {

namespace {

using text::Trim;
using text::Upper;

// The text after the first "KEY=", between double quotes when it starts with one.
std::string ParameterOf(const std::string& contentType, const std::string& key,
                        bool stopAtSemicolon) {
    const std::string upper = Upper(contentType);
    const size_t at = upper.find(key);
    if (at == std::string::npos)
        return {};
    std::string rest = upper.substr(at + key.size());
    if (!rest.empty() && rest[0] == '"') {
        const size_t end = rest.find('"', 1);
        return rest.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    return stopAtSemicolon ? rest.substr(0, rest.find(';')) : rest;
}

std::vector<std::string> CommaList(const std::string& value) {
    std::vector<std::string> items;
    std::stringstream in(value);
    for (std::string item; std::getline(in, item, ',');) {
        if (!Trim(item).empty())
            items.push_back(Trim(item));
    }
    return items;
}

int MonthOf(const std::string& name) {
    static const char* months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (int i = 0; i < 12; ++i) {
        if (Upper(name).starts_with(months[i]))
            return i + 1;
    }
    return 0;
}

// Minutes east of UTC for a zone such as +0200, GMT or EST; 0 when unknown.
int ZoneMinutes(const std::string& zone) {
    if (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-')) {
        const auto digits = TryStrToInt(zone.substr(1));
        if (!digits)
            return 0;
        const int minutes = *digits / 100 * 60 + *digits % 100;
        return zone[0] == '-' ? -minutes : minutes;
    }
    static const std::pair<const char*, int> names[] = {{"EST", -300}, {"EDT", -240}, {"CST", -360},
                                                        {"CDT", -300}, {"MST", -420}, {"MDT", -360},
                                                        {"PST", -480}, {"PDT", -420}};
    for (const auto& [name, minutes] : names) {
        if (Upper(zone) == name)
            return minutes;
    }
    return 0;
}

// A value whose encoded words cannot be decoded is kept as it stands (without zero bytes, as
// decoding would leave it), its bytes read as any raw header's are: one bad word must not cost
// the message its listing.
std::string DecodedOrAsItStands(const std::string& value) {
    try {
        return DecodeEncodedWords(value);
    } catch (const ConvertError&) {
        std::string kept = Utf8OrCp1252(value);
        std::erase(kept, '\0');
        return kept;
    }
}

// An address that cannot be parsed leaves the item empty.
void SetAddressOrEmpty(EmailAddress& item, std::string_view value) {
    try {
        item.SetText(value);
    } catch (const AddressParseError&) {
        item = {};
    }
}

// A list keeps the items before one that cannot be parsed.
void ParseListAsFarAsItGoes(std::string_view value, EmailAddressList& list) {
    try {
        ParseAddressList(value, list);
    } catch (const AddressParseError&) {
    }
}

int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

} // namespace

uint8_t PriorityFromText(const std::string& value) {
    const std::string lower = text::Lower(value);
    if (lower.find("urgent") != std::string::npos)
        return static_cast<uint8_t>(MessagePriority::High);
    if (lower.find("non-priority") != std::string::npos)
        return static_cast<uint8_t>(MessagePriority::Low);
    const std::string trimmed = Trim(value);
    const auto number = TryStrToInt(trimmed.substr(0, trimmed.find(' ')));
    // Wider than the number, so that the smallest one less 1 still has a low byte.
    const int64_t priority = int64_t{number ? *number : 3} - 1;
    return static_cast<uint8_t>(priority & 0xFF);
}

double InternetDateToLocal(const std::string& value) {
    std::stringstream in(value);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    if (!words.empty() && words[0].find(',') != std::string::npos)
        words.erase(words.begin()); // the day name
    if (words.size() < 4)
        return 0;
    const auto day = TryStrToInt(words[0]);
    const int month = MonthOf(words[1]);
    auto year = TryStrToInt(words[2]);
    if (!day || month == 0 || !year || *day < 1 || *day > 31)
        return 0;
    if (*year < 50)
        *year += 2000;
    else if (*year < 100)
        *year += 1900;
    int hms[3] = {0, 0, 0};
    std::stringstream clock(words[3]);
    int part = 0;
    for (std::string field; part < 3 && std::getline(clock, field, ':'); ++part) {
        const auto n = TryStrToInt(field);
        if (!n || *n < 0 || *n > 60)
            return 0;
        hms[part] = *n;
    }
    if (part < 2)
        return 0;
    const int zone = words.size() > 4 ? ZoneMinutes(words[4]) : 0;
    const int64_t utc = DaysFromCivil(*year, month, *day) * 86400 + hms[0] * 3600 + hms[1] * 60 +
                        hms[2] - zone * 60;
    // The local offset at that moment: the local calendar time read back as if it were UTC.
    // No mktime, which would read the time zone again for every message.
    const std::time_t moment = static_cast<std::time_t>(utc);
    std::tm local{};
    if (!localtime_r(&moment, &local)) // outside what the system can convert: taken as UTC
        return static_cast<double>(utc) / 86400.0 + 25569.0;
    const int64_t localSeconds =
        DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) * 86400 +
        local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return static_cast<double>(localSeconds) / 86400.0 + 25569.0; // 1970-01-01 is day 25569
}

void MailMessage::ApplyHeaderFields() {
    const HeaderList& h = HeaderLines;
    ContentType = h.ValueOf("Content-Type");
    CharSet = ParameterOf(ContentType, "CHARSET=", true);
    ContentTransferEncoding = h.ValueOf("Content-Transfer-Encoding");
    ContentDisposition = h.ValueOf("Content-Disposition");
    Subject = DecodedOrAsItStands(h.ValueOf("Subject"));
    SetAddressOrEmpty(From, DecodedOrAsItStands(h.ValueOf("From")));
    MsgId = h.ValueOf("Message-Id");
    NewsGroups = CommaList(h.ValueOf("Newsgroups"));
    ParseListAsFarAsItGoes(DecodedOrAsItStands(h.ValueOf("To")), Recipients);
    ParseListAsFarAsItGoes(DecodedOrAsItStands(h.ValueOf("Cc")), CCList);
    Organization = h.ValueOf("Organization");
    SetAddressOrEmpty(ReceiptRecipient, h.ValueOf("Disposition-Notification-To"));
    if (ReceiptRecipient.Text().empty())
        SetAddressOrEmpty(ReceiptRecipient, h.ValueOf("Return-Receipt-To"));
    References = h.ValueOf("References");
    ParseListAsFarAsItGoes(h.ValueOf("Reply-To"), ReplyTo);
    Date = InternetDateToLocal(h.ValueOf("Date"));
    SetAddressOrEmpty(Sender, h.ValueOf("Sender"));
    const std::string priority = h.ValueOf("Priority");
    Priority = PriorityFromText(priority.empty() ? h.ValueOf("X-Priority") : priority);
    const std::string boundary = ParameterOf(ContentType, "BOUNDARY=", false);
    if (!Boundaries.empty() && text::EqualsIgnoringCase(Boundaries.back(), boundary)) {
        BoundaryUnchanged = true;
    } else {
        if (!boundary.empty())
            Boundaries.push_back(boundary);
        BoundaryUnchanged = false;
    }
}

void MailMessage::ResetMessage() {
    CCList.clear();
    BccList.clear();
    From = {};
    NewsGroups.clear();
    Organization.clear();
    References.clear();
    ReplyTo.clear();
    Subject.clear();
    Recipients.clear();
    ReceiptRecipient = {};
    ContentType.clear();
    CharSet.clear();
    ContentTransferEncoding.clear();
    ContentDisposition.clear();
    Sender = {};
    HeaderLines.Clear();
    ExtraHeaders.Clear();
    Boundaries.clear();
    Date = 0;
    Priority = static_cast<uint8_t>(MessagePriority::Normal);
}

} // namespace kestrel
