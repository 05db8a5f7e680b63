#pragma once

#include "ports/controls.h"
#include "qt/qt_shell.h"

namespace kestrel {

// The main window's child controls as Qt widgets (qt_control_widgets.h), text in Windows-1252
// on this side and Unicode on Qt's.
class QtControls : public Controls {
  public:
    explicit QtControls(QtShell& shell) : shell_(shell) {}

    void CreateControl(const ControlSpec& control) override;
    void ShowControl(ControlName control, bool shown) override;
    void SetText(ControlName control, const std::string& text) override;
    std::string GetText(ControlName control, int maxUnits) override;
    void SetChecked(ControlName control, bool checked) override;
    bool IsChecked(ControlName control) override;
    void Focus(ControlName control) override;

  private:
    QtShell& shell_;
};

} // namespace kestrel
