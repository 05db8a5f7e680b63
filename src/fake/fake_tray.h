#pragma once

#include "ports/tray.h"

namespace kestrel {

class FakeDesktop;

// The tray icons by identifier, as the notification area holds them now.
class FakeTray : public Tray {
  public:
    explicit FakeTray(FakeDesktop& desk) : desk_(desk) {}

    void Add(const TrayIconRecord& record) override;
    void Modify(const TrayIconRecord& record) override;
    void Delete(const TrayIconRecord& record) override;

  private:
    FakeDesktop& desk_;
};

} // namespace kestrel
