#pragma once

// The identifiers that commands arrive with: the child controls', the notification codes that
// come with them, and the popup menus' commands.

namespace kestrel {

// The child controls' identifiers. 1, 2, 3 and 12 are shared by controls of different kinds;
// the notification code tells them apart.
enum ControlId {
    MailMarkBoxId = 1,
    InterfaceListId = 1,
    HostEditId = 1,
    SpeedListId = 2,
    UserEditId = 2,
    MailListBoxId = 3,
    PasswordEditId = 3,
    GraphAreaId = 4,
    OkButtonId = 5,
    HostLabelId = 10,
    UserLabelId = 11,
    AccountLabelId = 12,
    PasswordLabelId = 12,
    AccountRadio1Id = 20,
    AccountRadio2Id = 21,
    AccountRadio3Id = 22,
    ActiveCheckId = 30,
    StatusLineId = 40,
};

enum NotificationCode { Clicked = 0, SelectionChanged = 1 };

enum MenuCommand {
    CmdConfigKestrel = 101,
    CmdAbout = 102,
    CmdGoOn = 103,
    CmdExit = 104,
    CmdSeparator = 105,
    CmdConfigMail = 106,
    CmdSignIn = 107,
    CmdAboutPicture = 204,
    CmdDeleteMail = 301,
    CmdMailClient = 302,
    CmdEscape = 303,
};

} // namespace kestrel
