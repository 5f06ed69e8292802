#pragma once

#include "platform/posix/io/UniqueFd.h"

#include <functional>
#include <string>

namespace dustrel::test {

// Exit codes of a child that could not become an ordinary user; a test that sees them must fail, never
// pass on root's privileges.
constexpr int kCannotDropPrivileges = 90;
constexpr int kStillPrivileged = 91;

// Runs `work` in a forked child and returns its exit status, or -1 when it died of a signal. The child
// reports only through that status: test assertions do not cross the fork.
int runInChild(const std::function<int()>& work);

// The same, as the unprivileged user nobody (65534) with no capability left.
int runAsNobody(const std::function<int()>& work);

// Mounts at `folder`, in a private mount namespace of this process (so call it in a child), a FUSE file
// system whose daemon never answers: every call that reaches it waits until the connection closes. False
// when the system refuses.
bool mountDeadFileSystem(const std::string& folder);

// `depth` folders named `name`, each inside the previous one, below `root`, built through descriptors so
// that the length of the whole path never matters. `atLevel` may put files into each new folder (given
// its descriptor and its level, from 1). Returns the deepest folder.
posix::UniqueFd makeChain(const std::string& root, const std::string& name, std::size_t depth,
                          const std::function<void(int folder, std::size_t level)>& atLevel = {});

// Removes such a chain with the plain files in its folders, again without whole paths.
void removeChain(const std::string& root, const std::string& name, std::size_t depth);

} // namespace dustrel::test
