#include "qt/qt_tray.h"

#include "ports/argb_picture.h"
#include "qt/qt_text.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
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
    return FromUtf8(record.tooltip);
}

// Qt's own icons smooth the nearest picture they hold to a size they lack (a 44-pixel tray
// slot, 16 at twice the density), which blurs a 16-pixel graph: this one makes each size asked
// for by whole pixels.
class CrispIconEngine : public QIconEngine {
  public:
    explicit CrispIconEngine(const std::array<uint32_t, 256>& pixels) : pixels_(pixels) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const qreal ratio = painter->device()->devicePixelRatio();
        QImage image = Image(qRound(std::min(rect.width(), rect.height()) * ratio));
        if (image.isNull())
            return;
        image.setDevicePixelRatio(ratio);
        const QSizeF size = image.deviceIndependentSize();
        const QPointF corner(rect.x() + (rect.width() - size.width()) / 2,
                             rect.y() + (rect.height() - size.height()) / 2);
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter->drawImage(QRectF(corner, size), image);
        painter->restore();
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::max(0, std::min(size.width(), size.height()));
        return {side, side};
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const QImage image = Image(actualSize(size, mode, state).width());
        return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int size : TrayIconSizes)
            sizes.append(QSize(size, size));
        return sizes;
    }
    QString key() const override { return QStringLiteral("kestrel-crisp"); }
    QIconEngine* clone() const override { return new CrispIconEngine(pixels_); }
    bool isNull() override { return false; }

  private:
    QImage Image(int side) const {
        if (side < 1)
            return {};
        const std::vector<uint32_t> scaled = ScaledArgb(pixels_, side);
        QImage image(side, side, QImage::Format_ARGB32);
        for (int row = 0; row < side; ++row)
            std::memcpy(image.scanLine(row), scaled.data() + row * side,
                        static_cast<size_t>(side) * sizeof(uint32_t));
        return image;
    }

    std::array<uint32_t, 256> pixels_;
};

} // namespace

QIcon CrispTrayIcon(const std::array<uint32_t, 256>& pixels) {
    return QIcon(new CrispIconEngine(pixels));
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

QtTray::QtTray(QtShell& shell)
    : shell_(shell), notices_([this] {
          if (shell_.events)
              shell_.events->OnTrayCallback(noticeCallback_, TrayMouse::NoticeChosen);
      }) {}

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
        // Qt's own balloon, where no notification service runs, is taken by a click.
        QObject::connect(icon.get(), &QSystemTrayIcon::messageClicked, [this, callback] {
            shell_.events->OnTrayCallback(callback, TrayMouse::NoticeChosen);
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
    noticeCallback_ = record.callbackMessage;
    if (notices_.Show(FromUtf8(title), FromUtf8(text)))
        return;
    QSystemTrayIcon* icon = Icon(record.id);
    if (!icon || !icon->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable() ||
        !QSystemTrayIcon::supportsMessages())
        return;
    icon->showMessage(FromUtf8(title), FromUtf8(text), QSystemTrayIcon::Information, 10000);
}

} // namespace kestrel
