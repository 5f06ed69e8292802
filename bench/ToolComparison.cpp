#include "ToolComparison.h"

#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/processes/PosixProcesses.h"
#include "state/FileTypes.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dustrel::bench {

namespace {

// NUL-separated paths, relative to `root`, sorted.
std::vector<std::string> splitPaths(const std::string& output, const std::string& root)
{
    std::vector<std::string> files;
    for (std::size_t from = 0; from < output.size();) {
        std::size_t end = output.find('\0', from);
        if (end == std::string::npos)
            end = output.size();
        files.push_back(ToolComparison::relative(root, output.substr(from, end - from)));
        from = end + 1;
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Runs a command with its output into a pipe, timed from the fork to the end of the child, the output
// read meanwhile so the tool never waits on a full pipe.
ToolRun run(const std::vector<std::string>& argv, const std::string& root, bool countLines = false)
{
    ToolRun result;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        result.error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    posix::UniqueFd readEnd(ends[0]);
    posix::UniqueFd writeEnd(ends[1]);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(writeEnd.get(), STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, STDERR_FILENO);
        execvp(args[0], args.data());
        _exit(127);
    }
    // Only the child writes: the end of its output is then the end of the pipe.
    writeEnd.reset();
    if (child < 0) {
        result.error = std::string("fork: ") + std::strerror(errno);
        return result;
    }
    std::string output;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(readEnd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(got));
    }
    readEnd.reset();
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        result.error =
            argv[0] + " ended with status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return result;
    }
    result.ran = true;
    if (countLines) {
        result.lines = static_cast<std::size_t>(std::count(output.begin(), output.end(), '\n'));
        return result;
    }
    result.files = splitPaths(output, root);
    return result;
}

} // namespace

std::vector<std::string> ToolComparison::rulePatterns()
{
    std::vector<std::string> patterns;
    for (const CleaningRule& rule : kCleaningRules) {
        const std::string_view list = rule.patterns;
        for (std::size_t from = 0; from <= list.size();) {
            std::size_t end = list.find(';', from);
            if (end == std::string_view::npos)
                end = list.size();
            if (end > from)
                patterns.emplace_back(list.substr(from, end - from));
            from = end + 1;
        }
    }
    return patterns;
}

std::string ToolComparison::regexFor(const std::vector<std::string>& patterns)
{
    // (?s): "." also takes a newline, as "*" and "?" do in a file name.
    std::string regex = "(?s)^(?:";
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        if (i > 0)
            regex += '|';
        for (const char c : patterns[i]) {
            if (c == '*') {
                regex += ".*";
            } else if (c == '?') {
                regex += '.';
            } else {
                if (std::strchr("\\.+()|[]{}^$", c) != nullptr)
                    regex += '\\';
                regex += c;
            }
        }
    }
    regex += ")$";
    return regex;
}

std::string ToolComparison::findFd()
{
    return posix::findCommand("fdfind");
}

ToolRun ToolComparison::runFind(const std::string& root, const std::vector<std::string>& patterns)
{
    std::vector<std::string> argv = {"find", toolRoot(root), "-xdev", "-type", "f", "("};
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        if (i > 0)
            argv.emplace_back("-o");
        argv.emplace_back("-iname");
        argv.push_back(patterns[i]);
    }
    argv.emplace_back(")");
    argv.emplace_back("-print0");
    return run(argv, root);
}

ToolRun ToolComparison::runFd(const std::string& fd, const std::string& root, const std::string& regex,
                              unsigned threads)
{
    std::vector<std::string> argv = {fd, "-u", "-t", "f", "-i", "-0"};
    if (threads != 0) {
        argv.emplace_back("-j");
        argv.push_back(std::to_string(threads));
    }
    argv.push_back(regex);
    argv.push_back(toolRoot(root));
    return run(argv, root);
}

ToolRun ToolComparison::runFindDelete(const std::string& root)
{
    return run({"find", toolRoot(root), "-type", "f", "-delete"}, root);
}

ToolRun ToolComparison::runFindStat(const std::string& root)
{
    return run({"find", toolRoot(root), "-type", "f", "-printf", "%s %T@\n"}, root, true);
}

std::string ToolComparison::toolRoot(const std::string& root)
{
    std::string trimmed = root;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    return trimmed;
}

std::string ToolComparison::relative(const std::string& root, const std::string& path)
{
    const std::string base = toolRoot(root);
    if (path.size() > base.size() && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/') {
        std::size_t from = base.size();
        while (from < path.size() && path[from] == '/')
            ++from;
        return path.substr(from);
    }
    return path;
}

} // namespace dustrel::bench
