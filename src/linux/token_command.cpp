#include "linux/token_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

extern char** environ;

namespace kestrel {

namespace {

using Clock = std::chrono::steady_clock;

int MsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Reads until the end of the output or the deadline: whether the end came.
bool ReadAll(int fd, Clock::time_point deadline, std::string& out) {
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, MsUntil(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        if (out.size() < TokenOutputLimit)
            out.append(buffer, static_cast<size_t>(n));
    }
}

// The child's status once it ended within the deadline, or nothing.
bool WaitFor(pid_t pid, Clock::time_point deadline, int& status) {
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return true;
        if (done < 0 && errno != EINTR)
            return false;
        if (Clock::now() >= deadline)
            return false;
        usleep(10000);
    }
}

TokenAnswer Failed(std::string detail) {
    return {TokenAnswer::Kind::Failed, {}, std::move(detail)};
}

TokenAnswer Judge(int status, const std::string& out) {
    if (WIFSIGNALED(status))
        return Failed("ended by signal " + std::to_string(WTERMSIG(status)));
    if (WEXITSTATUS(status) != 0)
        return Failed("exit code " + std::to_string(WEXITSTATUS(status)));
    return TokenOfOutput(out);
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote == '\'') {
            if (c == '\'')
                quote = 0;
            else
                word += c;
        } else if (quote == '"') {
            if (c == '"')
                quote = 0;
            else if (c == '\\' && i + 1 < line.size() &&
                     (line[i + 1] == '"' || line[i + 1] == '\\'))
                word += line[++i];
            else
                word += c;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == '\'' || c == '"')
                quote = c;
            else if (c == '\\' && i + 1 < line.size())
                word += line[++i];
            else
                word += c;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

// The command runs in a process group of its own, so that a bound that runs out ends whatever
// it started too.
TokenAnswer RunTokenCommand(const std::string& command, int limitMs) {
    std::vector<std::string> words = SplitCommandLine(command);
    if (words.empty())
        return Failed("no command");
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return Failed(std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(out[1]);
    if (started != 0) {
        close(out[0]);
        return Failed(words[0] + ": " + std::strerror(started));
    }

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    std::string output;
    const bool ended = ReadAll(out[0], deadline, output);
    close(out[0]);
    int status = 0;
    if (ended && WaitFor(pid, deadline, status))
        return Judge(status, output);
    kill(-pid, SIGKILL);
    waitpid(pid, &status, 0);
    return {TokenAnswer::Kind::TimedOut, {}, {}};
}

} // namespace kestrel
