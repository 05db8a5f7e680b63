#include "win32/win32_desktop.h"

namespace kestrel {

Win32Desktop::Win32Desktop(HINSTANCE instance) {
    handles_.instance = instance;
}

Desktop Win32Desktop::Ports() {
    return {window_, controls_, lists_, drawing_, menus_, services_, tray_};
}

} // namespace kestrel
