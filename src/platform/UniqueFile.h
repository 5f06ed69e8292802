#pragma once

#include <cstdio>
#include <memory>

namespace dustrel {

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A stream that closes itself: a file handed from the platform to its writer is never left open.
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

} // namespace dustrel
