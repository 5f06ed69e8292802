#include "ProgramRun.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace dustrel::test {

namespace {

void drain(int fd, std::string& into, bool& open)
{
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0)
        into.append(buffer, static_cast<std::size_t>(n));
    else if (n == 0 || errno != EINTR)
        open = false;
}

} // namespace

ProgramResult runDustrel(const std::vector<std::string>& arguments,
                         std::map<std::string, std::string> environment, const std::string& workingFolder,
                         int timeoutSeconds, const std::string& executable)
{
    environment.try_emplace("PATH", "/usr/local/bin:/usr/bin:/bin");
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : environment)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : envStrings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> args{executable};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        if (chdir(workingFolder.c_str()) != 0)
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);

    ProgramResult result;
    bool outOpen = true;
    bool errOpen = true;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (outOpen || errOpen) {
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        poll(fds, 2, 200);
        if (fds[0].revents != 0)
            drain(out[0], result.standardOutput, outOpen);
        if (fds[1].revents != 0)
            drain(err[0], result.standardError, errOpen);
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec - start.tv_sec > timeoutSeconds) {
            kill(child, SIGKILL);
            break;
        }
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    return result;
}

} // namespace dustrel::test
