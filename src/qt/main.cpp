#include "app/application.h"
#include "app/command_line.h"
#include "app/sign_in_tokens.h"
#include "linux/autostart.h"
#include "linux/display_check.h"
#include "linux/linux_interface_table.h"
#include "linux/token_command.h"
#include "linux/user_files.h"
#include "qt/qt_desktop.h"
#include "qt/qt_https_client.h"
#include "qt/qt_secret_store.h"
#include "settings/disk_settings_file.h"

#include <QApplication>
#include <QProcess>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = write(signalPipe[1], &byte, 1);
}

// A terminating signal (the session ending, a kill) closes kestrel as its window's close does,
// so the settings are written. The handler only writes to a pipe; the loop does the rest.
void CloseOnSignals(kestrel::WindowEvents& events, const kestrel::QtDesktop& desktop,
                    QObject& owner) {
    if (pipe(signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &owner);
    QObject::connect(notifier, &QSocketNotifier::activated, [&events, &desktop, notifier] {
        char byte = 0;
        [[maybe_unused]] const auto got = read(signalPipe[0], &byte, 1);
        notifier->setEnabled(false); // once is enough
        if (desktop.Window())
            events.OnClose();
        else
            QApplication::exit(0); // the "already running" message was showing
    });
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGHUP, OnSignal);
}

// kestrel.ini holds passwords: its folder is made for its owner only.
std::filesystem::path SettingsFilePath() {
    const std::filesystem::path file =
        kestrel::SettingsLocation(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    std::error_code error;
    if (std::filesystem::create_directories(file.parent_path(), error))
        std::filesystem::permissions(file.parent_path(), std::filesystem::perms::owner_all, error);
    return file;
}

// The arguments only: unlike Windows' command line, not the program's own path, which might
// hold the word by chance.
std::string Arguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments)
        line += (line.empty() ? "" : " ") + argument;
    return line;
}


// kestrel --autostart on|off: switched on or off for the user's next logins, and done.
int SwitchAutostart(const std::string& value) {
    if (value != "on" && value != "off") {
        std::fputs("usage: kestrel --autostart on|off\n", stderr);
        return 2;
    }
    const std::filesystem::path entry =
        kestrel::AutostartLocation(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    std::error_code ignored;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ignored);
    std::string error;
    if (!kestrel::SetStartAtLogin(entry, value == "on", program, error)) {
        std::fprintf(stderr, "kestrel: %s\n", error.c_str());
        return 1;
    }
    std::printf(value == "on" ? "kestrel starts at login: %s\n"
                              : "kestrel no longer starts at login (%s removed)\n",
                entry.c_str());
    return 0;
}

// An option that answers, or changes the settings, and exits: no window, no display needed.
// The keyring and Qt Network need Qt's core, not a display: a sign-in runs from a terminal.
int AnswerCommand(const kestrel::CommandLine& line, int argc, char** argv) {
    if (line.action == kestrel::CommandLine::Action::Autostart)
        return SwitchAutostart(line.value);
    QCoreApplication core(argc, argv);
    kestrel::DiskSettingsFile settings(SettingsFilePath().string());
    const kestrel::InstanceLock lock(kestrel::InstanceLockLocation(std::getenv("XDG_RUNTIME_DIR")));
    kestrel::QtHttpsClient https;
    kestrel::QtSecretStore secrets;
    const kestrel::SignInRunner signIn = kestrel::CommandLineSignIn(
        https, secrets,
        [](const std::string& url) {
            QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(url)});
        },
        [](const std::string& text) {
            std::fputs(text.c_str(), stdout);
            std::fflush(stdout);
        });
    const kestrel::CommandAnswer answer = kestrel::RunCommand(line, !lock.Held(), settings, signIn);
    std::fputs(answer.out.c_str(), stdout);
    std::fputs(answer.err.c_str(), stderr);
    return answer.exitCode;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const kestrel::CommandLine line = kestrel::ReadCommandLine(arguments);
    if (line.action != kestrel::CommandLine::Action::Run)
        return AnswerCommand(line, argc, argv);
    const std::string missing = kestrel::MissingDisplay(
        std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
        std::getenv("XDG_RUNTIME_DIR"));
    if (!missing.empty()) {
        std::fprintf(stderr, "kestrel: %s\n", missing.c_str());
        return 1;
    }
    // Windows place themselves where they are put on X11, not on Wayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication qt(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false); // hidden is not closed

    kestrel::QtDesktop desktop;
    kestrel::LinuxInterfaceTable interfaces;
    kestrel::DiskSettingsFile settings(SettingsFilePath().string());
    kestrel::DiskSettingsFile totals(
        (SettingsFilePath().parent_path() / "kestrel.totals").string());
    kestrel::QtSecretStore secrets;
    kestrel::QtHttpsClient https;
    // Up to three mailboxes' ids of about 70 bytes each.
    kestrel::DiskSettingsFile announced(
        (SettingsFilePath().parent_path() / "kestrel.announced").string(), 16 << 20);
    kestrel::Application application(
        {desktop.Ports(), interfaces, settings, totals, announced, &secrets,
         kestrel::RunTokenCommand, &https},
                                     Arguments(arguments));
    CloseOnSignals(application, desktop, qt);
    return application.Run();
}
