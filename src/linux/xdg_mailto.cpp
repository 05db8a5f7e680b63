#include "linux/xdg_mailto.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

extern char** environ;

namespace kestrel {

namespace {

// What the program printed on its standard output, run directly with its arguments.
std::string OutputOf(std::vector<std::string> command) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::vector<char*> argv;
    for (std::string& word : command)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const bool started =
        posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string output;
    char buffer[512];
    for (ssize_t n; started && (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<size_t>(n));
    close(pipeEnds[0]);
    if (started)
        waitpid(child, nullptr, 0);
    return output;
}

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

std::string DesktopExecLine(std::string_view desktopFile) {
    bool inEntry = false;
    while (!desktopFile.empty()) {
        const size_t end = std::min(desktopFile.find('\n'), desktopFile.size());
        const std::string_view line = Trimmed(desktopFile.substr(0, end));
        desktopFile.remove_prefix(std::min(end + 1, desktopFile.size()));
        if (line.starts_with('['))
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.starts_with("Exec") && Trimmed(line.substr(4)).starts_with('='))
            return std::string(Trimmed(Trimmed(line.substr(4)).substr(1)));
    }
    return {};
}

std::vector<std::filesystem::path> ApplicationDirectories(const char* dataHome, const char* home,
                                                          const char* dataDirs) {
    std::vector<std::filesystem::path> directories;
    if (dataHome && *dataHome)
        directories.emplace_back(std::filesystem::path(dataHome) / "applications");
    else if (home && *home)
        directories.emplace_back(std::filesystem::path(home) / ".local/share/applications");
    std::string_view dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    while (!dirs.empty()) {
        const size_t end = std::min(dirs.find(':'), dirs.size());
        if (end > 0)
            directories.emplace_back(std::filesystem::path(dirs.substr(0, end)) / "applications");
        dirs.remove_prefix(std::min(end + 1, dirs.size()));
    }
    return directories;
}

std::string ReadXdgMailtoCommand() {
    const std::string name =
        std::string(Trimmed(OutputOf({"xdg-mime", "query", "default", "x-scheme-handler/mailto"})));
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    for (const auto& directory : ApplicationDirectories(
             std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), std::getenv("XDG_DATA_DIRS"))) {
        std::ifstream file(directory / name, std::ios::binary);
        if (file)
            return DesktopExecLine(std::string(std::istreambuf_iterator<char>(file),
                                               std::istreambuf_iterator<char>()));
    }
    return {};
}

} // namespace kestrel
