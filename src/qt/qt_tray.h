#pragma once

#include "ports/tray.h"
#include "qt/qt_shell.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include <map>
#include <memory>

namespace kestrel {

// The notification area through QSystemTrayIcon: one Qt icon per record identifier, its
// activations reported to the window's receiver with the record's callback.
class QtTray : public Tray {
  public:
    explicit QtTray(QtShell& shell) : shell_(shell) {}

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
};

} // namespace kestrel
