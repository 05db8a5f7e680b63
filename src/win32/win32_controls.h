#pragma once

#include "ports/controls.h"
#include "win32/win32_handles.h"

namespace kestrel {

// The main window's child controls, one Win32 control each.
class Win32Controls : public Controls {
  public:
    explicit Win32Controls(Win32Handles& handles) : handles_(handles) {}

    void CreateControl(const ControlSpec& control) override;
    void ShowControl(ControlName control, bool shown) override;
    void SetText(ControlName control, const std::string& text) override;
    std::string GetText(ControlName control, int maxUnits) override;
    void SetChecked(ControlName control, bool checked) override;
    bool IsChecked(ControlName control) override;
    void Focus(ControlName control) override;

  private:
    Win32Handles& handles_;
};

} // namespace kestrel
