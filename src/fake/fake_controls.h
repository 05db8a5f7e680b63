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
    std::string GetText(ControlName name, int maxUnits) override {
        FakeRecord::Control* c = desk_.Find(name);
        if (!c || maxUnits <= 0)
            return {};
        // Whole UTF-8 characters (a lead byte and its continuations), two units beyond 16 bits.
        size_t end = 0, units = 0;
        while (end < c->text.size()) {
            const auto lead = static_cast<unsigned char>(c->text[end]);
            size_t next = end + 1;
            while (next < c->text.size() && (static_cast<unsigned char>(c->text[next]) & 0xC0) == 0x80)
                ++next;
            units += lead >= 0xF0 ? 2 : 1;
            if (units > static_cast<size_t>(maxUnits - 1))
                break;
            end = next;
        }
        return c->text.substr(0, end);
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
