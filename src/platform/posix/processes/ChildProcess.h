#pragma once

#include "platform/Result.h"
#include "platform/posix/io/UniqueFd.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace dustrel::posix {

// A child process whose standard output comes back through a pipe, in a process group of its own.
//
// One deadline covers both reading its output and waiting for its end: a child that closes its output
// but goes on running, or one that leaves a descendant holding the pipe open, is given up at the
// deadline like one that never writes. Given up, the whole process group is killed; a child stuck in a
// call nothing can interrupt (a file system whose server stopped answering) may not die before the call
// returns, so it is waited for only briefly and then left to end on its own.
class ChildProcess
{
public:
    struct Limits
    {
        std::chrono::milliseconds deadline;
        std::size_t outputLimit; // bytes of output; more and the child is given up
    };

    // Receives the output piece by piece as it comes; a failure gives the child up and is the result.
    using PieceSink = std::function<Result<void>(std::string_view piece)>;

    // Starts `arguments[0]`, a path, with standard input and error on /dev/null.
    static Result<ChildProcess> spawn(const std::vector<std::string>& arguments);

    // Runs `work` in a copy of this process and ends it with the code `work` returns. `work` writes its
    // answer to the descriptor it is given and, since the program may have threads, calls only what is
    // safe after fork(): system calls, no allocation, no locks. Every other descriptor is closed first,
    // so that a child left hanging holds no lock or file of the program.
    static Result<ChildProcess> fork(const std::function<int(int out)>& work);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess(); // gives up a child that was not finished

    // For `work` in the child: writes every byte to `out`, with system calls only; false when the pipe
    // closed (the program gave up on the child).
    static bool writeAnswer(int out, const void* data, std::size_t size);

    // Hands the output to `sink` and waits for the child's end, both within `limits.deadline` from now.
    // Succeeds only when the child ended by itself with status 0.
    Result<void> finish(const Limits& limits, const PieceSink& sink);

private:
    ChildProcess(pid_t pid, UniqueFd output) : m_pid(pid), m_output(std::move(output)) {}

    using Clock = std::chrono::steady_clock;
    Result<void> readOutput(const Limits& limits, Clock::time_point deadline, const PieceSink& sink);
    Result<void> waitForEnd(Clock::time_point deadline, const Limits& limits);
    void giveUp();

    pid_t m_pid = -1; // -1 once reaped or given up
    UniqueFd m_output;
};

// "3 seconds", "250 ms": a limit as the messages name it.
std::string describeLimit(std::chrono::milliseconds limit);

} // namespace dustrel::posix
