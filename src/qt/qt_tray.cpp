#include "ports/argb_picture.h"
#include "qt/cp1252.h"
#include "qt/qt_desktop.h"

#include <QImage>

#include <cstdio>
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

QIcon QtDesktop::IconFor(const TrayPicture& picture) const {
    if (const auto* name = std::get_if<std::string>(&picture))
        return *name == "MAIL" ? mailIcon_ : noIcon_;
    const std::array<uint32_t, 256> pixels = ArgbPicture(std::get<IconRaster>(picture));
    QImage image(16, 16, QImage::Format_ARGB32);
    std::memcpy(image.bits(), pixels.data(), sizeof pixels);
    return QIcon(QPixmap::fromImage(image));
}

// Said once: the window stays usable without a tray, but its icons are nowhere to be seen.
bool QtDesktop::TrayAvailable() {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return true;
    if (!noTraySaid_) {
        std::fputs("kestrel: no system tray is available; the window stays shown\n", stderr);
        noTraySaid_ = true;
    }
    return false;
}

QSystemTrayIcon* QtDesktop::TrayIcon(int id) const {
    const auto found = trayIcons_.find(id);
    return found == trayIcons_.end() ? nullptr : found->second.get();
}

void QtDesktop::Add(const TrayIconRecord& record) {
    auto& icon = trayIcons_[record.id];
    if (!icon) {
        TrayAvailable();
        icon = std::make_unique<QSystemTrayIcon>();
        const int callback = record.callbackMessage;
        QObject::connect(icon.get(), &QSystemTrayIcon::activated,
                         [this, callback](QSystemTrayIcon::ActivationReason reason) {
                             events_->OnTrayCallback(callback, MouseOf(reason));
                         });
    }
    Modify(record);
    icon->show();
}

void QtDesktop::Modify(const TrayIconRecord& record) {
    QSystemTrayIcon* icon = TrayIcon(record.id);
    if (!icon)
        return;
    icon->setIcon(IconFor(record.picture));
    icon->setToolTip(Tooltip(record));
}

void QtDesktop::Delete(const TrayIconRecord& record) {
    trayIcons_.erase(record.id);
}

} // namespace kestrel
