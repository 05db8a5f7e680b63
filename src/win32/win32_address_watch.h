#pragma once

#include <windows.h>

namespace kestrel {

// Tells the window when an address of this machine comes or goes (a network joined, a cable
// plugged in, a VPN up): idle mail connections may then lead nowhere and are opened again.
// The calls are looked up at run time; where the system lacks them nothing is told.
class Win32AddressWatch {
  public:
    // message is posted to window, from a thread of the system's, at each change.
    Win32AddressWatch(HWND window, UINT message);
    ~Win32AddressWatch();
    Win32AddressWatch(const Win32AddressWatch&) = delete;
    Win32AddressWatch& operator=(const Win32AddressWatch&) = delete;

  private:
    static void WINAPI Changed(void* context, void* row, int type);

    HWND window_;
    UINT message_;
    HMODULE library_ = nullptr;
    HANDLE notification_ = nullptr;
};

} // namespace kestrel
