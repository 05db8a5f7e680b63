#include "win32/win32_address_watch.h"

namespace kestrel {

namespace {

using ChangeCallback = void(WINAPI*)(void* context, void* row, int type);
using NotifyEntry = DWORD(WINAPI*)(USHORT family, ChangeCallback callback, void* context,
                                   BOOLEAN initial, HANDLE* handle);
using CancelEntry = DWORD(WINAPI*)(HANDLE handle);

constexpr USHORT AnyFamily = 0; // AF_UNSPEC

} // namespace

Win32AddressWatch::Win32AddressWatch(HWND window, UINT message)
    : window_(window), message_(message) {
    library_ = LoadLibraryA("iphlpapi.dll");
    if (!library_)
        return;
    const auto notify = reinterpret_cast<NotifyEntry>(
        reinterpret_cast<void*>(GetProcAddress(library_, "NotifyUnicastIpAddressChange")));
    if (!notify || notify(AnyFamily, Changed, this, FALSE, &notification_) != NO_ERROR)
        notification_ = nullptr;
}

// Cancelling waits for a call of Changed under way, so none comes after.
Win32AddressWatch::~Win32AddressWatch() {
    if (notification_) {
        const auto cancel = reinterpret_cast<CancelEntry>(
            reinterpret_cast<void*>(GetProcAddress(library_, "CancelMibChangeNotify2")));
        if (cancel)
            cancel(notification_);
    }
    if (library_)
        FreeLibrary(library_);
}

void WINAPI Win32AddressWatch::Changed(void* context, void*, int) {
    const auto* watch = static_cast<Win32AddressWatch*>(context);
    PostMessageA(watch->window_, watch->message_, 0, 0);
}

} // namespace kestrel
