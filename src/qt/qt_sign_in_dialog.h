#pragma once

#include "ports/sign_in_form.h"

#include <optional>

namespace kestrel {

// The sign-in dialog as a Qt dialog of its own, modal; each widget is named by its label, for
// the tests that fill it as a user would.
std::optional<SignInChoice> RunQtSignInDialog(const SignInForm& form);

} // namespace kestrel
