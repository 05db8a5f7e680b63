#pragma once

#include "message/email_address.h"
#include "message/header_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

enum class MessagePriority : uint8_t { Highest, High, Normal, Low, Lowest };

// The parsed header of one message.
class MailMessage {
  public:
    MailMessage() { ResetMessage(); }

    HeaderList HeaderLines;
    HeaderList ExtraHeaders;
    std::string ContentType, CharSet, ContentTransferEncoding, ContentDisposition;
    std::string Subject, Organization, References, MsgId;
    EmailAddress From, Sender, ReceiptRecipient;
    EmailAddressList Recipients, CCList, BccList, ReplyTo;
    std::vector<std::string> NewsGroups;
    double Date = 0; // local time in days since 1899-12-30; 0 for none
    uint8_t Priority = static_cast<uint8_t>(MessagePriority::Normal);
    std::vector<std::string> Boundaries;
    bool BoundaryUnchanged = false;

    // Takes the header fields from HeaderLines into the properties, in a fixed order. A value
    // that cannot be decoded is kept as it stands, an address that cannot be parsed is left
    // empty, and the other fields are still taken.
    void ApplyHeaderFields();
    // Empties everything header processing fills, but the message identifier.
    void ResetMessage();
};

uint8_t PriorityFromText(const std::string& text);
// An Internet date (RFC 822 and its relatives) in local time, or 0 when it cannot be read.
double InternetDateToLocal(const std::string& text);

} // namespace kestrel
