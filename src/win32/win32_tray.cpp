#include "win32/win32_tray.h"

#include "ports/argb_picture.h"
#include "win32/win32_scaling.h"
#include "win32/win32_text.h"

#include <algorithm>
#include <cstring>

namespace kestrel {

namespace {

constexpr UINT TrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

// The core cuts its texts to the record's room; this only keeps the terminator.
template <size_t N> void CopyInto(wchar_t (&field)[N], const std::string& text) {
    const std::wstring wide = Wide(text);
    const size_t units = std::min(wide.size(), N - 1);
    std::copy_n(wide.begin(), units, field);
    field[units] = L'\0';
}

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
    NOTIFYICONDATAW data{};
    // The record from Windows 2000 on, whose tooltip holds 127 characters.
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = handles_.window;
    data.uID = static_cast<UINT>(record.id);
    data.uFlags = TrayFlags;
    data.uCallbackMessage = static_cast<UINT>(record.callbackMessage);
    data.hIcon = IconFor(record.picture);
    CopyInto(data.szTip, record.tooltip);
    Shell_NotifyIconW(action, &data);
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
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = handles_.window;
    data.uID = static_cast<UINT>(record.id);
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    data.uTimeout = 10000;
    CopyInto(data.szInfoTitle, title);
    CopyInto(data.szInfo, text);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

} // namespace kestrel
