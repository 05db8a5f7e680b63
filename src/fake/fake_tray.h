#pragma once

#include "fake/fake_record.h"
#include "ports/tray.h"

#include <string>

namespace kestrel {

// The tray icons by identifier, as the notification area holds them now.
class FakeTray : public Tray {
  public:
    explicit FakeTray(FakeRecord& desk) : desk_(desk) {}

    void Add(const TrayIconRecord& record) override {
        desk_.log.push_back("tray add " + std::to_string(record.id));
        desk_.trayIcons.emplace(record.id, record); // an icon already there stays as it is
    }
    void Modify(const TrayIconRecord& record) override {
        desk_.log.push_back("tray modify " + std::to_string(record.id));
        if (desk_.trayIcons.contains(record.id))
            desk_.trayIcons.insert_or_assign(record.id, record);
    }
    void Delete(const TrayIconRecord& record) override {
        desk_.log.push_back("tray delete " + std::to_string(record.id));
        desk_.trayIcons.erase(record.id);
    }
    void Notify(const TrayIconRecord& record, const std::string& title,
                const std::string& text) override {
        desk_.log.push_back("tray notify " + std::to_string(record.id));
        if (desk_.notificationsShown)
            desk_.notifications.push_back({record.id, title, text});
    }

  private:
    FakeRecord& desk_;
};

} // namespace kestrel
