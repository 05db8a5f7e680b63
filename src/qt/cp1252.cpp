#include "qt/cp1252.h"

#include "text/cp1252.h"

namespace kestrel {

QString FromCp1252(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (char byte : bytes)
        *out++ = QChar(static_cast<char16_t>(Cp1252Char(static_cast<unsigned char>(byte))));
    return text;
}

std::string ToCp1252(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A character beyond the 16-bit plane is one "?" for both of its halves.
        if (c.isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate())
            continue;
        bytes += Cp1252Byte(c.unicode());
    }
    return bytes;
}

} // namespace kestrel
