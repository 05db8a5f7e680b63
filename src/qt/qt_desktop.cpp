#include "qt/qt_desktop.h"

#include "qt/qt_surface.h"

namespace kestrel {

QtDesktop::QtDesktop()
    : window_(shell_), controls_(shell_), lists_(shell_), drawing_(shell_), menus_(shell_),
      services_(shell_), tray_(shell_) {}

Desktop QtDesktop::Ports() {
    return {window_, controls_, lists_, drawing_, menus_, services_, tray_};
}

const QImage& QtDesktop::Drawn() const {
    return shell_.layer->Image();
}

} // namespace kestrel
