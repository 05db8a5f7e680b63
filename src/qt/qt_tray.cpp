#include "qt/qt_tray.h"

#include "ports/argb_picture.h"
#include "qt/cp1252.h"

#include <QImage>
#include <QPixmap>

#include <cstring>

namespace kestrel {

namespace {

TrayMouse MouseOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return TrayMouse::LeftButtonUp;
    case QSystemTrayIcon::Context:
        return TrayMouse::RightButtonUp;
    default:
        return TrayMouse::Other;
    }
}

QString Tooltip(const TrayIconRecord& record) {
    const char* bytes = record.tooltip.data();
    return FromCp1252({bytes, strnlen(bytes, record.tooltip.size())});
}

} // namespace

// Left to itself, Qt scales the one picture it has to the tray's size smoothly, which blurs a
// 16-pixel graph; given each common size, it takes one as it is.
QIcon CrispTrayIcon(const std::array<uint32_t, 256>& pixels) {
    QIcon icon;
    for (const int size : TrayIconSizes) {
        const std::vector<uint32_t> scaled = ScaledArgb(pixels, size);
        QImage image(size, size, QImage::Format_ARGB32);
        for (int row = 0; row < size; ++row)
            std::memcpy(image.scanLine(row), scaled.data() + row * size,
                        static_cast<size_t>(size) * sizeof(uint32_t));
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QIcon CrispTrayIcon(const QString& file) {
    const QImage image = QImage(file).convertToFormat(QImage::Format_ARGB32);
    if (image.size() != QSize(16, 16))
        return QIcon(file);
    std::array<uint32_t, 256> pixels;
    for (int row = 0; row < 16; ++row)
        std::memcpy(pixels.data() + row * 16, image.constScanLine(row), 16 * sizeof(uint32_t));
    return CrispTrayIcon(pixels);
}

QIcon QtTray::IconFor(const TrayPicture& picture) const {
    if (const auto* name = std::get_if<std::string>(&picture))
        return *name == "MAIL" ? shell_.pictures.mail : shell_.pictures.noMail;
    return CrispTrayIcon(ArgbPicture(std::get<IconRaster>(picture)));
}

QSystemTrayIcon* QtTray::Icon(int id) const {
    const auto found = icons_.find(id);
    return found == icons_.end() ? nullptr : found->second.get();
}

void QtTray::Add(const TrayIconRecord& record) {
    auto& icon = icons_[record.id];
    if (!icon) {
        shell_.TrayAvailable();
        icon = std::make_unique<QSystemTrayIcon>();
        const int callback = record.callbackMessage;
        QObject::connect(icon.get(), &QSystemTrayIcon::activated,
                         [this, callback](QSystemTrayIcon::ActivationReason reason) {
                             shell_.events->OnTrayCallback(callback, MouseOf(reason));
                         });
    }
    Modify(record);
    icon->show();
}

void QtTray::Modify(const TrayIconRecord& record) {
    QSystemTrayIcon* icon = Icon(record.id);
    if (!icon)
        return;
    icon->setIcon(IconFor(record.picture));
    icon->setToolTip(Tooltip(record));
}

void QtTray::Delete(const TrayIconRecord& record) {
    icons_.erase(record.id);
}

// Through the desktop's notification service, or Qt's own balloon at the icon where there is
// none; nothing without a tray to carry the icon, or where Qt says messages cannot be shown.
void QtTray::Notify(const TrayIconRecord& record, const std::string& title,
                    const std::string& text) {
    QSystemTrayIcon* icon = Icon(record.id);
    if (!icon || !icon->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable() ||
        !QSystemTrayIcon::supportsMessages())
        return;
    icon->showMessage(FromCp1252(title), FromCp1252(text), QSystemTrayIcon::Information, 10000);
}

} // namespace kestrel
