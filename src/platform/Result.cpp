#include "platform/Result.h"

#include <cerrno>
#include <cstring>

namespace dustrel {

Error systemError(int code, std::string path)
{
    return Error{code, std::strerror(code), std::move(path)};
}

bool outOfDescriptors(const Error& error)
{
    return error.code == EMFILE || error.code == ENFILE;
}

} // namespace dustrel
