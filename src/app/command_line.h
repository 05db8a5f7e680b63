#pragma once

// What kestrel is asked to do when started with options: run, answer and exit, or change the
// stored settings for a script and exit.

#include "mail/account.h"
#include "ports/settings_file.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrel {

struct CommandLine {
    enum class Action { Run, Help, Version, TokenCommand, SignIn, Autostart, Wrong };
    Action action = Action::Run;
    int account = 0;            // 1 to 3
    std::string value;          // TokenCommand: the command; Autostart: on or off; Wrong: why
    SignInSettings signIn{};    // SignIn: the provider, its endpoints and the client
};

// The arguments after the program's own name, in UTF-8. Words that are no option (quiet) run
// kestrel as before.
CommandLine ReadCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();
std::string VersionText();

// The lines a command prints, and how it exits.
struct CommandAnswer {
    int exitCode = 0;
    std::string out; // for standard output
    std::string err; // for standard error
};

// Signs account N in, on the calling thread, and says how it went: the platform's sign-in.
using SignInRunner = std::function<CommandAnswer(int account, const AccountRecord& record)>;

// Answers an option that does not run kestrel. The settings change only while no kestrel runs:
// it would write its own over them at its exit.
CommandAnswer RunCommand(const CommandLine& line, bool kestrelRuns, SettingsFile& settings,
                         const SignInRunner& signIn);

} // namespace kestrel
