#include "fake/fake_tray.h"

#include "fake/fake_desktop.h"

#include <string>

namespace kestrel {

void FakeTray::Add(const TrayIconRecord& record) {
    desk_.log.push_back("tray add " + std::to_string(record.id));
    desk_.trayIcons.emplace(record.id, record); // an icon already there stays as it is
}

void FakeTray::Modify(const TrayIconRecord& record) {
    desk_.log.push_back("tray modify " + std::to_string(record.id));
    if (desk_.trayIcons.contains(record.id))
        desk_.trayIcons.insert_or_assign(record.id, record);
}

void FakeTray::Delete(const TrayIconRecord& record) {
    desk_.log.push_back("tray delete " + std::to_string(record.id));
    desk_.trayIcons.erase(record.id);
}

} // namespace kestrel
