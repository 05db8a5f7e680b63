#include "fake/fake_desktop.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace kestrel {

std::string NameOf(ControlName name) {
    static const std::array<const char*, ControlCount> names{
        "OkButton",      "MailMarkBox",   "AccountLabel",  "GraphArea",   "HostLabel",
        "UserLabel",     "PasswordLabel", "InterfaceList", "SpeedList",   "MailListBox",
        "HostEdit",      "UserEdit",      "PasswordEdit",  "ActiveCheck", "AccountRadio1",
        "AccountRadio2", "AccountRadio3"};
    return names[static_cast<size_t>(name)];
}

FakeDesktop::Control* FakeDesktop::Find(ControlName name) {
    for (Control& c : controls) {
        if (c.spec.name == name)
            return &c;
    }
    return nullptr;
}

FakeDesktop::Control& FakeDesktop::control(ControlName name) {
    Control* found = Find(name);
    if (!found)
        throw std::logic_error("no control " + NameOf(name));
    return *found;
}

void FakeDesktop::Drag(Point topLeft) {
    rect.left = topLeft.x;
    rect.top = topLeft.y;
}

bool FakeDesktop::AnotherInstanceRuns(const std::string& title) {
    log.push_back("find " + title);
    return otherInstanceRunning;
}

void FakeDesktop::ShowMessage(const std::string& text, const std::string& caption) {
    log.push_back("message " + text);
    messages.push_back({text, caption});
}

void FakeDesktop::LoadResources() {
    log.push_back("load resources");
}

void FakeDesktop::CreateMainWindow(WindowEvents& receiver) {
    log.push_back("create window");
    events = &receiver;
    windowCreated = true;
    windowShown = true;
    rect = {0, 0, 100, 63};
    receiver.OnCreate();
}

int FakeDesktop::RunMessageLoop() {
    log.push_back("message loop");
    return quitCode.value_or(0);
}

void FakeDesktop::PostQuit(int code) {
    log.push_back("quit " + std::to_string(code));
    quitCode = code;
}

void FakeDesktop::MoveWindow(const Rect& to) {
    log.push_back("move " + std::to_string(to.left) + "," + std::to_string(to.top) + " " +
                  std::to_string(to.width) + "x" + std::to_string(to.height));
    rect = to;
}

void FakeDesktop::ShowWindow(bool shown) {
    log.push_back(shown ? "show window" : "hide window");
    windowShown = shown;
}

void FakeDesktop::PaintNow() {
    log.push_back("paint");
}

namespace {

class FakeSurface : public Surface {
  public:
    explicit FakeSurface(FakeDesktop& desk) : desk_(desk) { ++desk_.openSurfaces; }
    ~FakeSurface() override { --desk_.openSurfaces; }

    void FillBlack(const Rect& r) override {
        desk_.log.push_back("fill " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                            std::to_string(r.width) + "x" + std::to_string(r.height));
        desk_.canvas.Fill(r, 0);
    }
    void Text(Point at, const std::string& text, Colour colour, Colour background) override {
        desk_.log.push_back("text " + text);
        desk_.texts.push_back({at, text, colour, background});
    }
    void SelectPen(PenColour pen) override {
        desk_.log.push_back(pen == PenColour::Red ? "pen red" : "pen green");
        pen_ = pen == PenColour::Red ? 0xFF0000 : 0x00FF00;
    }
    void MoveTo(Point to) override { at_ = to; }
    void LineTo(Point to) override {
        desk_.canvas.Line(at_, to, pen_);
        at_ = to;
    }

  private:
    FakeDesktop& desk_;
    Point at_;
    uint32_t pen_ = 0;
};

} // namespace

std::unique_ptr<Surface> FakeDesktop::BeginDrawing() {
    return std::make_unique<FakeSurface>(*this);
}

bool FakeDesktop::OnAnyScreen(const Rect& r) {
    return r.left < screen.width && r.left + r.width > 0 && r.top < screen.height &&
           r.top + r.height > 0;
}

void FakeDesktop::UserTypes(ControlName name, const std::string& text) {
    Control& c = control(name);
    for (char byte : text) {
        if (c.spec.refusedBytes.find(byte) == std::string::npos)
            c.text += byte;
    }
}

void FakeDesktop::CreateControl(const ControlSpec& spec) {
    log.push_back("create " + NameOf(spec.name));
    controls.push_back({spec, spec.visible, spec.text, false, {}, -1});
}

void FakeDesktop::ShowControl(ControlName name, bool shown) {
    log.push_back((shown ? "show " : "hide ") + NameOf(name));
    if (Control* c = Find(name))
        c->visible = shown;
}

void FakeDesktop::SetText(ControlName name, const std::string& text) {
    if (Control* c = Find(name)) {
        c->text.clear();
        UserTypes(name, text);
    }
}

std::string FakeDesktop::GetText(ControlName name, int maxBytes) {
    Control* c = Find(name);
    if (!c || maxBytes <= 0)
        return {};
    return c->text.substr(0, static_cast<size_t>(maxBytes - 1));
}

void FakeDesktop::SetChecked(ControlName name, bool checked) {
    if (Control* c = Find(name))
        c->checked = checked;
}

bool FakeDesktop::IsChecked(ControlName name) {
    Control* c = Find(name);
    return c && c->checked;
}

void FakeDesktop::Focus(ControlName name) {
    log.push_back("focus " + NameOf(name));
    focus = name;
}

void FakeDesktop::ListAdd(ControlName list, const std::string& text) {
    Control* c = Find(list);
    if (!c)
        return;
    auto at = c->items.end();
    if (c->spec.traits & TraitSorted)
        at = std::upper_bound(c->items.begin(), c->items.end(), text);
    c->items.insert(at, text);
}

void FakeDesktop::ListSelect(ControlName list, int index) {
    Control* c = Find(list);
    if (!c)
        return;
    const bool inRange = index >= 0 && index < static_cast<int>(c->items.size());
    c->selection = inRange ? index : -1;
}

int FakeDesktop::ListSelection(ControlName list) {
    Control* c = Find(list);
    return c ? c->selection : -1;
}

void FakeDesktop::ListReset(ControlName list) {
    log.push_back("reset " + NameOf(list));
    if (Control* c = Find(list)) {
        c->items.clear();
        c->selection = -1;
    }
}

void FakeDesktop::ListInsert(ControlName list, int index, const std::string& text) {
    Control* c = Find(list);
    if (!c)
        return;
    // A list box keeps a line's text up to its first zero byte.
    const std::string kept = text.substr(0, text.find('\0'));
    if (index < 0 || index > static_cast<int>(c->items.size()))
        c->items.push_back(kept);
    else
        c->items.insert(c->items.begin() + index, kept);
    if (!c->filling)
        ++c->shownInserts;
}

void FakeDesktop::BeginListFill(ControlName list) {
    if (Control* c = Find(list))
        c->filling = true;
}

void FakeDesktop::EndListFill(ControlName list) {
    if (Control* c = Find(list)) {
        c->filling = false;
        ++c->repaintsAfterFill;
    }
}

void FakeDesktop::ListDelete(ControlName list, int index) {
    Control* c = Find(list);
    if (!c || index < 0 || index >= static_cast<int>(c->items.size()))
        return;
    c->items.erase(c->items.begin() + index);
    if (c->selection >= static_cast<int>(c->items.size()))
        c->selection = -1;
}

void FakeDesktop::CreateMainFont() {
    log.push_back("create font");
}
void FakeDesktop::CreateDrawingTools() {
    log.push_back("create drawing tools");
}
void FakeDesktop::DeleteDrawingTools() {
    log.push_back("delete drawing tools");
}

void FakeDesktop::ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) {
    log.push_back("menu " + std::to_string(items.front().id));
    menus.push_back({items, topLeft});
}

void FakeDesktop::StartTimer(int id, int periodMs) {
    log.push_back("timer " + std::to_string(id) + " " + std::to_string(periodMs));
    timer = Timer{id, periodMs};
    ++timerStarts;
}

void FakeDesktop::Add(const TrayIconRecord& record) {
    log.push_back("tray add " + std::to_string(record.id));
    trayIcons.emplace(record.id, record); // an icon already there stays as it is
}

void FakeDesktop::Modify(const TrayIconRecord& record) {
    log.push_back("tray modify " + std::to_string(record.id));
    if (trayIcons.contains(record.id))
        trayIcons.insert_or_assign(record.id, record);
}

void FakeDesktop::Delete(const TrayIconRecord& record) {
    log.push_back("tray delete " + std::to_string(record.id));
    trayIcons.erase(record.id);
}

} // namespace kestrel
