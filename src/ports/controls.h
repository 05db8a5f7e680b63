#pragma once

#include "ports/geometry.h"

#include <cstdint>
#include <span>
#include <string>

namespace kestrel {

// The main window's eighteen child controls, in creation (and stacking) order.
enum class ControlName {
    OkButton,
    MailMarkBox,
    AccountLabel,
    GraphArea,
    HostLabel,
    UserLabel,
    PasswordLabel,
    InterfaceList,
    SpeedList,
    MailListBox,
    HostEdit,
    UserEdit,
    PasswordEdit,
    ActiveCheck,
    AccountRadio1,
    AccountRadio2,
    AccountRadio3,
    StatusLine,
};
inline constexpr int ControlCount = 18;

enum class ControlKind { PushButton, CheckBox, AutoRadioButton, Static, ListBox, Edit };

// Look and behaviour beyond the kind; each backend translates them into its own styles.
enum ControlTrait : uint32_t {
    TraitNone = 0,
    TraitNotify = 1 << 0,     // reports clicks or selection changes
    TraitCentered = 1 << 1,   // text centred
    TraitStaticEdge = 1 << 2, // thin sunken edge
    TraitClientEdge = 1 << 3, // deep sunken edge
    TraitBorder = 1 << 4,     // plain one-pixel border
    TraitVScroll = 1 << 5,    // vertical scroll bar
    TraitSorted = 1 << 6,     // list keeps its items sorted by text
    TraitHasStrings = 1 << 7, // list items are texts
    TraitTabStop = 1 << 8,    // reachable with Tab
    TraitNoHideSel = 1 << 9,  // keeps showing its selection without focus
    TraitPassword = 1 << 10,  // shows a mask character for every typed one
};

struct ControlSpec {
    ControlName name;
    ControlKind kind;
    std::string text;
    int id;
    Rect rect; // client coordinates of the main window
    uint32_t traits;
    bool visible;
};

// The main window's child controls, addressed by name. Text is UTF-8. A control
// that does not exist does nothing (or returns empty).
class Controls {
  public:
    virtual ~Controls() = default;
    virtual void CreateControl(const ControlSpec& control) = 0;
    virtual void ShowControl(ControlName control, bool shown) = 0;
    virtual void SetText(ControlName control, const std::string& text) = 0;
    // At most maxUnits - 1 UTF-16 units, as a transfer of maxUnits including the terminator;
    // never a part of a character.
    virtual std::string GetText(ControlName control, int maxUnits) = 0;
    virtual void SetChecked(ControlName control, bool checked) = 0;
    virtual bool IsChecked(ControlName control) = 0;
    virtual void Focus(ControlName control) = 0;
};

} // namespace kestrel
