#include "fake/fake_controls.h"

#include "fake/fake_desktop.h"

namespace kestrel {

void FakeControls::CreateControl(const ControlSpec& spec) {
    desk_.log.push_back("create " + NameOf(spec.name));
    desk_.controls.push_back({spec, spec.visible, spec.text, false, {}, -1});
}

void FakeControls::ShowControl(ControlName name, bool shown) {
    desk_.log.push_back((shown ? "show " : "hide ") + NameOf(name));
    if (FakeDesktop::Control* c = desk_.Find(name))
        c->visible = shown;
}

void FakeControls::SetText(ControlName name, const std::string& text) {
    if (FakeDesktop::Control* c = desk_.Find(name)) {
        c->text.clear();
        desk_.UserTypes(name, text);
    }
}

std::string FakeControls::GetText(ControlName name, int maxBytes) {
    FakeDesktop::Control* c = desk_.Find(name);
    if (!c || maxBytes <= 0)
        return {};
    return c->text.substr(0, static_cast<size_t>(maxBytes - 1));
}

void FakeControls::SetChecked(ControlName name, bool checked) {
    if (FakeDesktop::Control* c = desk_.Find(name))
        c->checked = checked;
}

bool FakeControls::IsChecked(ControlName name) {
    FakeDesktop::Control* c = desk_.Find(name);
    return c && c->checked;
}

void FakeControls::Focus(ControlName name) {
    desk_.log.push_back("focus " + NameOf(name));
    desk_.focus = name;
}

} // namespace kestrel
