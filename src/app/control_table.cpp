#include "app/control_table.h"

namespace kestrel {

namespace {

using enum ControlName;
using enum ControlKind;

constexpr uint32_t ListTraits = TraitBorder | TraitVScroll | TraitNotify | TraitClientEdge;
constexpr uint32_t EditTraits = TraitTabStop | TraitClientEdge;
// In kestrel.ini 0xF2 stores as the field end and 0xFF as the end of the text.
const std::string Unstorable = "\xF2\xFF";

} // namespace

const std::array<ControlSpec, ControlCount>& ControlTable() {
    // clang-format off
    static const std::array<ControlSpec, ControlCount> table{{
        {OkButton,      PushButton,      "ok",       5,  {280, 0, 20, 15},   TraitClientEdge, true},
        {MailMarkBox,   Static,          "",         1,  {88, 0, 15, 14},    TraitNotify | TraitCentered | TraitStaticEdge, true},
        {AccountLabel,  Static,          "Account:", 12, {105, 0, 60, 15},   TraitNone, false},
        {GraphArea,     Static,          "",         4,  {0, 15, 100, 60},   TraitNotify, true},
        {HostLabel,     Static,          "pop3:",    10, {150, 15, 45, 15},  TraitStaticEdge, true},
        {UserLabel,     Static,          "User:",    11, {150, 30, 45, 15},  TraitStaticEdge, true},
        {PasswordLabel, Static,          "Pass:",    12, {150, 45, 45, 15},  TraitStaticEdge, false},
        {InterfaceList, ListBox,         "",         1,  {110, 15, 120, 63}, ListTraits, false},
        {SpeedList,     ListBox,         "",         2,  {230, 15, 60, 63},  ListTraits | TraitSorted, false},
        {MailListBox,   ListBox,         "",         3,  {110, 15, 190, 63}, ListTraits | TraitHasStrings, false},
        {HostEdit,      Edit,            "",         1,  {180, 15, 120, 15}, EditTraits | TraitNoHideSel, false, Unstorable},
        {UserEdit,      Edit,            "",         2,  {180, 30, 120, 15}, EditTraits, false, Unstorable},
        {PasswordEdit,  Edit,            "",         3,  {180, 45, 120, 15}, EditTraits | TraitPassword, false, Unstorable},
        {ActiveCheck,   CheckBox,        "active",   30, {105, 30, 45, 15},  TraitNone, false},
        {AccountRadio1, AutoRadioButton, "1",        20, {160, 0, 25, 15},   TraitNone, false},
        {AccountRadio2, AutoRadioButton, "2",        21, {190, 0, 25, 15},   TraitNone, false},
        {AccountRadio3, AutoRadioButton, "3",        22, {220, 0, 25, 15},   TraitNone, false},
    }};
    // clang-format on
    return table;
}

} // namespace kestrel
