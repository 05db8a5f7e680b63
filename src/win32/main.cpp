#include "app/application.h"
#include "app/command_line.h"
#include "app/sign_in_tokens.h"
#include "settings/disk_settings_file.h"
#include "win32/win32_desktop.h"
#include "win32/win32_https_client.h"
#include "win32/win32_interface_table.h"
#include "win32/win32_secret_store.h"
#include "win32/win32_text.h"
#include "win32/win32_token_command.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words && i < count; ++i)
        arguments.push_back(kestrel::Utf8(words[i]));
    LocalFree(words);
    return arguments;
}

// A program without a console writes where its caller's output goes: redirected, or the
// console it was started from; with neither, a message box says it.
void Print(const std::string& text, DWORD which) {
    if (text.empty())
        return;
    HANDLE out = GetStdHandle(which);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                          nullptr);
    DWORD written = 0;
    if (out == nullptr || out == INVALID_HANDLE_VALUE ||
        !WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        MessageBoxW(nullptr, kestrel::Wide(text).c_str(), L"kestrel", MB_OK);
}

int AnswerCommand(const kestrel::CommandLine& line) {
    kestrel::DiskSettingsFile settings("kestrel.ini");
    const bool runs = FindWindowW(nullptr, L"kestrel") != nullptr;
    kestrel::Win32HttpsClient https;
    kestrel::Win32SecretStore secrets;
    const kestrel::SignInRunner signIn = kestrel::CommandLineSignIn(
        https, secrets,
        [](const std::string& url) {
            ShellExecuteW(nullptr, L"open", kestrel::Wide(url).c_str(), nullptr, nullptr,
                          SW_SHOWNORMAL);
        },
        [](const std::string& text) { Print(text, STD_OUTPUT_HANDLE); });
    const kestrel::CommandAnswer answer = kestrel::RunCommand(line, runs, settings, signIn);
    Print(answer.out, STD_OUTPUT_HANDLE);
    Print(answer.err, STD_ERROR_HANDLE);
    return answer.exitCode;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const kestrel::CommandLine line = kestrel::ReadCommandLine(Arguments());
    if (line.action != kestrel::CommandLine::Action::Run)
        return AnswerCommand(line);
    kestrel::Win32Desktop desktop(instance);
    kestrel::Win32InterfaceTable interfaces;
    kestrel::DiskSettingsFile settings("kestrel.ini"); // in the working directory
    kestrel::DiskSettingsFile totals("kestrel.totals");
    kestrel::Win32SecretStore secrets;
    kestrel::Win32HttpsClient https;
    kestrel::DiskSettingsFile announced("kestrel.announced", 16 << 20); // three mailboxes' ids
    kestrel::Application application(
        {desktop.Ports(), interfaces, settings, totals, announced, &secrets,
         kestrel::RunTokenCommand, &https},
        kestrel::Utf8(GetCommandLineW()));
    return application.Run();
}
