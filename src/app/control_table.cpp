#include "app/control_table.h"

#include "app/identifiers.h"

namespace kestrel {

namespace {

using enum ControlName;
using enum ControlKind;

constexpr uint32_t ListTraits = TraitBorder | TraitVScroll | TraitNotify | TraitClientEdge;
// The lists end at the window's bottom edge: taller, their last rows would lie beyond it, and a
// line chosen there could never be seen.
constexpr int ListHeight = 63 - 15;
constexpr uint32_t EditTraits = TraitTabStop | TraitClientEdge;

} // namespace

const std::array<ControlSpec, ControlCount>& ControlTable() {
    // clang-format off
    static const std::array<ControlSpec, ControlCount> table{{
        {OkButton,      PushButton,      "ok",       OkButtonId,      {280, 0, 20, 15},   TraitClientEdge, true},
        {MailMarkBox,   Static,          "",         MailMarkBoxId,   {88, 0, 15, 14},    TraitNotify | TraitCentered | TraitStaticEdge, true},
        {AccountLabel,  Static,          "Account:", AccountLabelId,  {105, 0, 60, 15},   TraitNone, false},
        {GraphArea,     Static,          "",         GraphAreaId,     {0, 15, 100, 60},   TraitNotify, true},
        {HostLabel,     Static,          "server:",  HostLabelId,     {150, 15, 45, 15},  TraitStaticEdge, true},
        {UserLabel,     Static,          "User:",    UserLabelId,     {150, 30, 45, 15},  TraitStaticEdge, true},
        {PasswordLabel, Static,          "Pass:",    PasswordLabelId, {150, 45, 45, 15},  TraitStaticEdge, false},
        {InterfaceList, ListBox,         "",         InterfaceListId, {110, 15, 120, ListHeight}, ListTraits, false},
        {SpeedList,     ListBox,         "",         SpeedListId,     {230, 15, 60, ListHeight}, ListTraits | TraitSorted, false},
        {MailListBox,   ListBox,         "",         MailListBoxId,   {110, 15, 190, ListHeight}, ListTraits | TraitHasStrings, false},
        {HostEdit,      Edit,            "",         HostEditId,      {180, 15, 120, 15}, EditTraits | TraitNoHideSel, false},
        {UserEdit,      Edit,            "",         UserEditId,      {180, 30, 120, 15}, EditTraits, false},
        {PasswordEdit,  Edit,            "",         PasswordEditId,  {180, 45, 120, 15}, EditTraits | TraitPassword, false},
        {ActiveCheck,   CheckBox,        "active",   ActiveCheckId,   {105, 15, 45, 15},  TraitNone, false},
        {AccountRadio1, AutoRadioButton, "1",        AccountRadio1Id, {160, 0, 25, 15},   TraitNone, false},
        {AccountRadio2, AutoRadioButton, "2",        AccountRadio2Id, {190, 0, 25, 15},   TraitNone, false},
        {AccountRadio3, AutoRadioButton, "3",        AccountRadio3Id, {220, 0, 25, 15},   TraitNone, false},
        // The selected account's last outcome, word-wrapped in the column below "active".
        {StatusLine,    Static,          "",         StatusLineId,    {105, 30, 45, 33},  TraitNone, false},
    }};
    // clang-format on
    return table;
}

} // namespace kestrel
