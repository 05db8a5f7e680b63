#include "win32/win32_tray.h"

#include "ports/argb_picture.h"
#include "win32/win32_scaling.h"

#include <algorithm>
#include <cstring>

namespace kestrel {

namespace {

constexpr UINT TrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

} // namespace

Win32Tray::~Win32Tray() {
    if (drawnIcon_)
        DestroyIcon(drawnIcon_);
}

HICON Win32Tray::IconFor(const TrayPicture& picture) {
    if (const auto* name = std::get_if<std::string>(&picture))
        return *name == "MAIL" ? handles_.pictures.mailIcon : handles_.pictures.noIcon;
    const IconRaster& raster = std::get<IconRaster>(picture);
    // At the small-icon size of the window's dots per inch, so that the shell need not blur it;
    // at 16 these are the raster's own bytes.
    const int side = SmallIconSide(handles_.window);
    if (drawnIcon_ && drawnRaster_ == raster && drawnSide_ == side)
        return drawnIcon_;
    const ScaledRaster scaled = ScaleRaster(raster, side);
    HBITMAP mask = CreateBitmap(scaled.size, scaled.size, 1, 1, scaled.mask.data());
    HBITMAP colour = CreateBitmap(scaled.size, scaled.size, 1, 8, scaled.colour.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    drawnIcon_ = CreateIconIndirect(&info);
    drawnRaster_ = raster;
    drawnSide_ = side;
    DeleteObject(colour);
    DeleteObject(mask);
    return drawnIcon_;
}

void Win32Tray::Notify(DWORD action, const TrayIconRecord& record) {
    HICON replaced = drawnIcon_;
    NOTIFYICONDATAA data{};
    // The platform's first record layout: 88 bytes in a 32-bit process, 104 in a 64-bit one.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = handles_.window;
    data.uID = static_cast<UINT>(record.id);
    data.uFlags = TrayFlags;
    data.uCallbackMessage = static_cast<UINT>(record.callbackMessage);
    data.hIcon = IconFor(record.picture);
    std::memcpy(data.szTip, record.tooltip.data(), sizeof data.szTip);
    data.szTip[sizeof data.szTip - 1] = '\0';
    Shell_NotifyIconA(action, &data);
    if (replaced && replaced != drawnIcon_)
        DestroyIcon(replaced); // the shell keeps its own copy of the picture
}

void Win32Tray::Add(const TrayIconRecord& record) {
    Notify(NIM_ADD, record);
}

void Win32Tray::Modify(const TrayIconRecord& record) {
    Notify(NIM_MODIFY, record);
}

void Win32Tray::Delete(const TrayIconRecord& record) {
    Notify(NIM_DELETE, record);
}

// A balloon at the icon: the second record layout is the first that has one. A shell without
// balloons, or an icon that is not there, refuses the call, and nothing shows.
void Win32Tray::Notify(const TrayIconRecord& record, const std::string& title,
                       const std::string& text) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = handles_.window;
    data.uID = static_cast<UINT>(record.id);
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    data.uTimeout = 10000;
    const size_t titleBytes = std::min(title.size(), sizeof data.szInfoTitle - 1);
    std::memcpy(data.szInfoTitle, title.data(), titleBytes);
    const size_t textBytes = std::min(text.size(), sizeof data.szInfo - 1);
    std::memcpy(data.szInfo, text.data(), textBytes);
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

} // namespace kestrel
