#include "app/application.h"
#include "settings/disk_settings_file.h"
#include "win32/win32_desktop.h"
#include "win32/win32_interface_table.h"
#include "win32/win32_secret_store.h"
#include "win32/win32_text.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    kestrel::Win32Desktop desktop(instance);
    kestrel::Win32InterfaceTable interfaces;
    kestrel::DiskSettingsFile settings("kestrel.ini"); // in the working directory
    kestrel::DiskSettingsFile totals("kestrel.totals");
    kestrel::Win32SecretStore secrets;
    kestrel::DiskSettingsFile announced("kestrel.announced", 16 << 20); // three mailboxes' ids
    kestrel::Application application(
        {desktop.Ports(), interfaces, settings, totals, announced, &secrets},
        kestrel::Utf8(GetCommandLineW()));
    return application.Run();
}
