#include "app/application.h"
#include "settings/disk_settings_file.h"
#include "win32/win32_desktop.h"
#include "win32/win32_interface_table.h"
#include "win32/win32_text.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    kestrel::Win32Desktop desktop(instance);
    kestrel::Win32InterfaceTable interfaces;
    kestrel::DiskSettingsFile settings("kestrel.ini"); // in the working directory
    kestrel::DiskSettingsFile totals("kestrel.totals");
    kestrel::Application application({desktop.Ports(), interfaces, settings, totals},
                                     kestrel::Utf8(GetCommandLineW()));
    return application.Run();
}
