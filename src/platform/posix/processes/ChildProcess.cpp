#include "platform/posix/processes/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace dustrel::posix {

namespace {

using std::chrono::milliseconds;

// How long a killed child is waited for before it is left to end by itself.
constexpr milliseconds kKilledGrace{200};

Error timedOut(const ChildProcess::Limits& limits)
{
    return Error{ETIMEDOUT, "no answer within " + describeLimit(limits.deadline), ""};
}

Result<void> fromStatus(int status)
{
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return {};
    if (WIFEXITED(status))
        return Error{0, "ended with status " + std::to_string(WEXITSTATUS(status)), ""};
    return Error{0, "ended by signal " + std::to_string(WTERMSIG(status)), ""};
}

// Waits for `pid` until `until`, looking more and more rarely: a child mostly ends right after its output.
// The status when it ended.
std::optional<int> reap(pid_t pid, std::chrono::steady_clock::time_point until)
{
    auto pause = std::chrono::microseconds(100);
    for (;;) {
        int status = 0;
        const pid_t got = ::waitpid(pid, &status, WNOHANG);
        if (got < 0 && errno == EINTR)
            continue;
        if (got == pid)
            return status;
        if (got < 0)
            return std::nullopt;
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= decltype(left)::zero())
            return std::nullopt;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, left));
        pause = std::min<std::chrono::microseconds>(pause * 2, milliseconds(10));
    }
}

} // namespace

std::string describeLimit(milliseconds limit)
{
    if (limit.count() % 1000 != 0)
        return std::to_string(limit.count()) + " ms";
    const long long seconds = limit.count() / 1000;
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

Result<ChildProcess> ChildProcess::spawn(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return Error{EINVAL, "no program to start", ""};
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return systemError(errno, arguments[0]);
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return systemError(spawned, arguments[0]);
    return ChildProcess(child, std::move(readEnd));
}

Result<ChildProcess> ChildProcess::fork(const std::function<int(int out)>& work)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return systemError(errno, "");
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    const pid_t child = ::fork();
    if (child < 0)
        return systemError(errno, "");
    if (child == 0) {
        ::setpgid(0, 0);
        const unsigned keep = static_cast<unsigned>(pipeFds[1]);
        if (keep > 0)
            ::close_range(0, keep - 1, 0);
        ::close_range(keep + 1, ~0u, 0);
        ::_exit(work(pipeFds[1]));
    }
    // Both sides set the group, so that it exists whichever runs first.
    ::setpgid(child, child);
    return ChildProcess(child, std::move(readEnd));
}

bool ChildProcess::writeAnswer(int out, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(out, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_output(std::move(other.m_output))
{}

ChildProcess::~ChildProcess()
{
    giveUp();
}

Result<void> ChildProcess::finish(const Limits& limits, const PieceSink& sink)
{
    const Clock::time_point deadline = Clock::now() + limits.deadline;
    Result<void> read = readOutput(limits, deadline, sink);
    m_output.reset();
    if (!read) {
        giveUp();
        return read;
    }
    return waitForEnd(deadline, limits);
}

Result<void> ChildProcess::readOutput(const Limits& limits, Clock::time_point deadline, const PieceSink& sink)
{
    char buffer[64 * 1024];
    std::size_t total = 0;
    for (;;) {
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return timedOut(limits);
        pollfd waiting{m_output.get(), POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (ready < 0 && errno != EINTR)
            return systemError(errno, "");
        if (ready <= 0)
            continue;
        const ssize_t got = ::read(m_output.get(), buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            return systemError(errno, "");
        if (got == 0)
            return {};
        total += static_cast<std::size_t>(got);
        if (total > limits.outputLimit)
            return Error{EFBIG, "more than " + std::to_string(limits.outputLimit) + " bytes of output", ""};
        if (Result<void> taken = sink(std::string_view(buffer, static_cast<std::size_t>(got))); !taken)
            return taken;
    }
}

Result<void> ChildProcess::waitForEnd(Clock::time_point deadline, const Limits& limits)
{
    const std::optional<int> status = reap(m_pid, deadline);
    if (!status) {
        giveUp();
        return timedOut(limits);
    }
    m_pid = -1;
    return fromStatus(*status);
}

void ChildProcess::giveUp()
{
    if (m_pid <= 0)
        return;
    // Not reaped yet, so neither its number nor its group's can belong to anyone else.
    ::kill(-m_pid, SIGKILL);
    ::kill(m_pid, SIGKILL);
    (void)reap(m_pid, Clock::now() + kKilledGrace);
    m_pid = -1;
}

} // namespace dustrel::posix
