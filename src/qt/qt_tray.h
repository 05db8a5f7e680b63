#pragma once

#include "ports/tray.h"
#include "qt/desktop_notices.h"
#include "qt/qt_shell.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include <array>
#include <cstdint>
#include <map>
#include <memory>

namespace kestrel {

// The sizes a tray icon names as its own, for trays that choose among them.
inline constexpr int TrayIconSizes[] = {16, 22, 24, 32, 48};

// A 16 x 16 ARGB picture (0xAARRGGBB, top row first) as an icon that makes it at every size
// asked for, at any density, enlarged by whole pixels and centred (ScaledArgb), never smoothed.
QIcon CrispTrayIcon(const std::array<uint32_t, 256>& pixels);
// The same for a 16 x 16 picture in a file; one of another size as Qt loads it.
QIcon CrispTrayIcon(const QString& file);

// The notification area through QSystemTrayIcon: one Qt icon per record identifier, its
// activations reported to the window's receiver with the record's callback.
class QtTray : public Tray {
  public:
    explicit QtTray(QtShell& shell);

    void Add(const TrayIconRecord& record) override;
    void Modify(const TrayIconRecord& record) override;
    void Delete(const TrayIconRecord& record) override;
    void Notify(const TrayIconRecord& record, const std::string& title,
                const std::string& text) override;

    // The icon of that identifier, or null when there is none.
    QSystemTrayIcon* Icon(int id) const;

  private:
    QIcon IconFor(const TrayPicture& picture) const;

    QtShell& shell_;
    std::map<int, std::unique_ptr<QSystemTrayIcon>> icons_;
    int noticeCallback_ = 0; // of the icon the last notification rode on
    DesktopNotices notices_;
};

} // namespace kestrel
