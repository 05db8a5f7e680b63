#pragma once

#include "ports/controls.h"

namespace kestrel {

class FakeDesktop;

// The controls as the fake keeps them: text, check state and visibility per control.
class FakeControls : public Controls {
  public:
    explicit FakeControls(FakeDesktop& desk) : desk_(desk) {}

    void CreateControl(const ControlSpec& spec) override;
    void ShowControl(ControlName name, bool shown) override;
    void SetText(ControlName name, const std::string& text) override;
    std::string GetText(ControlName name, int maxBytes) override;
    void SetChecked(ControlName name, bool checked) override;
    bool IsChecked(ControlName name) override;
    void Focus(ControlName name) override;

  private:
    FakeDesktop& desk_;
};

} // namespace kestrel
