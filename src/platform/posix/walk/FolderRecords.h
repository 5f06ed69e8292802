#pragma once

#include "platform/FileSystem.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace dustrel::posix {

// Large enough that an ordinary folder is read in one call, and the call that says the end has come.
constexpr std::size_t kFolderBufferSize = 64 * 1024;

// Reads the entries of the open folder `folder` from where its descriptor stands into `out` (emptied
// first), each with its type, without "." and "..", through `buffer` of kFolderBufferSize bytes. An entry
// whose type the file system does not give is asked, without following a link. Returns 0, or the system's
// error code; ECANCELED when `stop` became true between two reads. With `self`, the inode number the "."
// entry gives, 0 without one.
int readFolderRecords(int folder, char* buffer, FolderContents& out, const std::atomic<bool>* stop = nullptr,
                      std::uint64_t* self = nullptr);

// Blocks this thread has read from a disk so far: a read that found everything in the cache adds none.
std::uint64_t diskReadsOfThisThread();
// Reads from the disk this thread started, and the times it went to sleep (for a read another thread
// started, among others), so far.
std::uint64_t waitsOfThisThread();

} // namespace dustrel::posix
