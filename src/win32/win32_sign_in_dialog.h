#pragma once

#include "ports/sign_in_form.h"
#include "win32/win32_handles.h"

#include <optional>

namespace kestrel {

// Child ids of the sign-in dialog's fields, in the order of SignInForm::Labels; the tests fill
// them as a user would.
inline constexpr int SignInFieldIds = 500;
inline constexpr int SignInStateId = 520;

// The sign-in dialog as a window of its own over the main window, modal: the main window takes
// no input meanwhile, its timers and tasks go on.
std::optional<SignInChoice> RunWin32SignInDialog(Win32Handles& handles, const SignInForm& form);

} // namespace kestrel
