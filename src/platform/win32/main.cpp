#include "app/application.h"
#include "platform/win32/win32_desktop.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    kestrel::Win32Desktop desktop(instance);
    kestrel::Application application(desktop, desktop, GetCommandLineA());
    return application.Run();
}
