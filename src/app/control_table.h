#pragma once

#include "ports/controls.h"

#include <array>

namespace kestrel {

// The eighteen child controls in creation order, which is also their stacking order.
const std::array<ControlSpec, ControlCount>& ControlTable();

} // namespace kestrel
