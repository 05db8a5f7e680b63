#pragma once

#include "fake/fake_record.h"
#include "ports/controls.h"

namespace kestrel {

// The controls as the fake keeps them: text, check state and visibility per control.
class FakeControls : public Controls {
  public:
    explicit FakeControls(FakeRecord& desk) : desk_(desk) {}

    void CreateControl(const ControlSpec& control) override {
        desk_.log.push_back("create " + NameOf(control.name));
        desk_.controls.push_back({control, control.visible, control.text, false, {}, -1});
    }
    void ShowControl(ControlName name, bool shown) override {
        desk_.log.push_back((shown ? "show " : "hide ") + NameOf(name));
        if (FakeRecord::Control* c = desk_.Find(name))
            c->visible = shown;
    }
    void SetText(ControlName name, const std::string& text) override {
        if (FakeRecord::Control* c = desk_.Find(name)) {
            c->text.clear();
            desk_.UserTypes(name, text);
        }
    }
    std::string GetText(ControlName name, int maxBytes) override {
        FakeRecord::Control* c = desk_.Find(name);
        if (!c || maxBytes <= 0)
            return {};
        return c->text.substr(0, static_cast<size_t>(maxBytes - 1));
    }
    void SetChecked(ControlName name, bool checked) override {
        if (FakeRecord::Control* c = desk_.Find(name))
            c->checked = checked;
    }
    bool IsChecked(ControlName name) override {
        FakeRecord::Control* c = desk_.Find(name);
        return c && c->checked;
    }
    void Focus(ControlName name) override {
        desk_.log.push_back("focus " + NameOf(name));
        desk_.focus = name;
    }

  private:
    FakeRecord& desk_;
};

} // namespace kestrel
